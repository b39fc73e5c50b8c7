// What a script's install makes besides files: [Registry] values,
// [Associations] and [Environment] PATH folders, checked by name and
// place and compiled into the form's entries component (suEntries), whose
// lines the setup reads with the same rules (engine/entry_lines.h).
#pragma once

#include "author_script.h"

struct TFormObject;
struct TScriptFacts;

// ".txt = Text document, writer.exe /open": the extension, what the
// documents are called, the installed program and its arguments.
struct TAssociationDecl {
    TScriptText extension;
    TScriptText description;
    TScriptText file;
    String arguments;
};
std::vector<TAssociationDecl> AssociationDecls(const TAuthorScript& script);

// Raises EScriptError at an unknown folder constant, with the nearest one.
void CheckFolderConstants(const TScriptText& value, const String& file);

// Adds the entries component to the form when the script has entries;
// raises EScriptError for the first fault.
void AddEntries(const TAuthorScript& script, const TScriptFacts& facts, TFormObject& form);
