// What an author ships besides files, as text: folder constants in paths
// ("{pf}\Writer", "{app}\bin"), registry values, file associations and
// folders added to PATH, in the lines the entries component keeps. No
// platform calls: the builder checks an author's script with the same
// rules the setup applies to its form, whose lines it trusts no more than
// any other input.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/nstring.h"

// The folder constants, without braces: app, pf, localappdata, appdata,
// commonappdata, desktop, win, sys, src.
const std::vector<String>& FolderConstantNames();
// The first fault of the constants in a text: where it starts (npos when
// there is none), the constant as written ("{apps}", or "{" for a brace
// never closed). "{{" stands for a brace.
struct TConstantFault {
    size_t at = String::npos;
    String written;
};
TConstantFault FolderConstantFault(const String& text);
// The text with each constant replaced by folder(name), without its
// trailing backslash. False, with `failed` the constant, when one is
// unknown or folder() gives nothing for it.
bool ExpandFolderConstants(const String& text, const std::function<String(const String&)>& folder, String& out,
                           String& failed);
// The constant a text starts with ("pf" for "{pf}\Writer"); empty when none.
String LeadingConstant(const String& text);
// Constants of folders everybody shares: no per-user install writes there.
bool IsMachineFolderConstant(const String& name);

// A registry value: "ROOT\key path\value name" and its value; the root is
// HKLM, HKCU or HKCR (the classes of the run's scope), "@" the key's
// default value (kept as the empty name).
struct TRegistryLine {
    String root;
    String key;
    String name;
    bool dword = false;
    uint32_t number = 0;
    String text;  // folder constants not yet expanded
};
const std::vector<String>& RegistryRootNames();
// Why root\key\name is refused (empty when sound) and at which offset of it:
// an unknown root, an empty part, "." or "..", a key longer than the
// platform keeps, characters that no key name holds.
String SplitRegistryPlace(const String& place, TRegistryLine& out, size_t& at);
// "dword:N" (decimal or 0x hexadecimal) or a text; why it is refused.
String ParseRegistryValue(const String& value, TRegistryLine& out, size_t& at);
// Whether a key path is sound as SplitRegistryPlace checks it.
String RegistryKeyFault(const String& key, size_t& at);
// The entries component's line, "ROOT\key\name=dword:N" or "...=sz:text",
// and back (false for a line that is not sound).
String FormatRegistryLine(const TRegistryLine& line);
bool ParseRegistryLine(const String& line, TRegistryLine& out);

// A file association: the extension, the installed program (its script
// directory and name) that opens such documents, what they are called and
// the program's arguments.
struct TAssociationLine {
    String extension;  // ".txt"
    String dir;
    String file;
    String description;
    String arguments;
};
// Why an extension is refused: a dot, then up to 32 letters, digits, '_' or '-'.
String ExtensionFault(const String& extension);
// The program identifier of the product's association: the letters and
// digits of its identity, a dot and the extension's ("SampleWriter.txt").
String AssociationProgId(const String& appId, const String& extension);
// The command the shell runs: the program quoted, then its arguments,
// with "%1" (quoted) added when they do not place the document.
String AssociationCommand(const String& program, const String& arguments);
String FormatAssociationLine(const TAssociationLine& line);
bool ParseAssociationLine(const String& line, TAssociationLine& out);

// A folder added to PATH: "Path=folder", folder constants not yet expanded.
bool ParsePathLine(const String& line, String& folder);
// PATH's entries, separated by ';' (empty ones dropped), and whether one
// names the folder (ignoring case and a trailing backslash).
std::vector<String> SplitPathList(const String& path);
bool PathListHolds(const String& path, const String& folder);
// PATH without each entry that names the folder, the rest as it was.
String PathListWithout(const String& path, const String& folder);

// A field of the install log's entry lines: '%', '|', '"', bytes below 32
// and blanks at either end as %XX, so a profile line keeps any name.
String EscapeLogField(const String& field);
bool UnescapeLogField(const String& field, String& out);
