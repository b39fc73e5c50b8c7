// The folders a script names by constant ("{pf}\Writer", "{app}\bin"), as
// this run has them: the platform's folders of the run's scope, the
// destination and the setup's own folder. Expanded at start for the
// script's directories and when the entries are made for their values.
#pragma once

#include "base/nstring.h"

class TNimboData;

// What the run adds to the platform's folders: the destination ({app}) and
// the folder the setup was started from ({src}).
struct TRunFolders {
    String app;
    String src;
};
// The folder of one constant (without braces) in this run's scope; empty
// when the platform has none.
String RunFolder(const String& name, const TRunFolders& folders);
// The text with its constants replaced; false, with the constant in
// `failed`, when one is unknown or has no folder in this run.
bool ExpandRunFolders(const String& text, const TRunFolders& folders, String& out, String& failed);
// The destination of a product whose script gives none, as a script would
// write it: "{pf}\<name>" for everybody, "{localappdata}\Programs\<name>"
// for one user; empty for a name that cannot be a folder's.
String DefaultDestination(bool perUser, const String& application);
// Decides the destination and the script's other top directories of an
// install: the author's, the default when there is none (or, for a
// per-user run, when the author's is not one of the user's own folders),
// each constant expanded in this run's scope and the result checked as a
// typed destination is. Empty when all is well, else why a directory
// cannot be had (the run then ends before it changes anything).
String ResolveScriptFolders(TNimboData& script, const String& application, const String& sourceDir, bool install);
