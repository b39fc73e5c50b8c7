// The setup author's script: a short text of INI-like sections that names
// everything (files, directories, install types, program items) by name,
// never by position. Parsing checks the layout, the sections and the keys;
// the names are resolved when the script is compiled into a form.
#pragma once

#include <map>
#include <vector>

#include "base/exceptions.h"
#include "base/nstring.h"

// A value of the script with where it stands (1-based line and column).
struct TScriptText {
    String text;
    int line = 0;
    int column = 0;
};

// "file:line:column: message"; nothing is built after one.
class EScriptError : public ENimboError {
public:
    EScriptError(const String& file, const TScriptText& at, const String& message)
        : ENimboError(Format("%s:%d:%d: %s", file, at.line, at.column, message))
    {
    }
};

struct TFileRule {
    TScriptText pattern;  // folder\name, wildcards in the name, "**" for every folder below
    TScriptText dir;      // script directory; empty text: "Install"
};

struct TDirDecl {
    TScriptText name;
    TScriptText path;  // a full path, or a directory's name followed by folders below it
};

struct TChoiceDecl {
    TScriptText name;
    String title;
    std::vector<String> description;
    std::vector<TScriptText> select;  // file names, patterns or directory names
};

struct TItemDecl {
    TScriptText title;
    TScriptText file;  // an installed file, by name
    String commandLine;
};

// An entry of [Registry], [Associations] or [Environment] as written: the
// text before '=' and the value after it.
struct TEntryDecl {
    TScriptText key;
    TScriptText value;
};

struct TAuthorScript {
    String file;  // as messages name it
    TScriptText name, title, destination, group, overwrite, log, compress;
    // The product's identity across releases (Name when absent), its
    // version (dotted numbers), maker and web page.
    TScriptText appId, version, publisher, url;
    TScriptText rollBackOnCancel;  // yes when absent: a cancelled run is undone
    TScriptText scope;             // machine, user or ask; machine when absent
    TScriptText scopeSwitch;       // whether /ALLUSERS and /CURRENTUSER may change it
    std::vector<TScriptText> languages;
    std::vector<TFileRule> files;
    std::vector<TDirDecl> dirs;
    std::vector<TChoiceDecl> types, options;
    std::vector<TItemDecl> items;
    TScriptText readMe;
    TItemDecl program;  // run after the install; title unused
    TScriptText uninstallName;
    // Page texts by key (Welcome, Ready, Directory, WelcomeCaption,
    // ReadyCaption), each a list of lines; absent keys keep the defaults.
    std::map<String, std::vector<String>> texts;
    // [Texts <Language>]: the same keys in one language, which the pages
    // show when the run speaks it.
    struct TLanguageTexts {
        TScriptText language;
        std::map<String, std::vector<String>> texts;
    };
    std::vector<TLanguageTexts> languageTexts;
    // What the install makes besides files: registry values, file
    // associations and folders added to PATH.
    std::vector<TEntryDecl> registry, associations, environment;
    // What a setup shows or checks besides its files: [Desktop] icons (as
    // [Items]), the licence file shown before the install (License, with
    // its text as the builder read it from the folder), the mutex of the
    // product's running program (Mutex) and the oldest Windows it runs on
    // (MinWindows, major.minor).
    std::vector<TItemDecl> desktop;
    TScriptText license, mutex, minWindows;
    String licenseText;
    TScriptText end;  // where the text ends, for what is missing
};

// Raises EScriptError for the first fault: an unknown section or key (with
// the nearest known one), a line that is not "key = value", a quote left
// open, a key given twice, a required key missing, a control character.
TAuthorScript ParseAuthorScript(std::string_view text, const String& file);

// The known name nearest to name when it is close enough to be a likely
// misspelling, else empty.
String NearestName(const String& name, const std::vector<String>& known);
// "no <what> named 'x'" with "; did you mean 'y'?" when one is near.
String NoSuchName(const String& what, const String& name, const std::vector<String>& known);

// A value's list of comma-separated entries, each trimmed, quotes allowed.
std::vector<TScriptText> SplitList(const TScriptText& value, const String& file);
// A leading word (quoted when it holds blanks) and the rest of the value.
void SplitCommand(const TScriptText& value, const String& file, TScriptText& word, String& rest);
