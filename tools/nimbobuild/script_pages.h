// What an author's script adds to the host form besides its files and
// choices: the licence page after the welcome page, the page that ends
// the install with the program's check box, the desktop icons (offered
// by a check box on the confirmation page) and the checks the setup makes
// at start (the product's running program, the oldest Windows).
#pragma once

#include <vector>

#include "author_script.h"
#include "form_tree.h"
#include "script_data.h"
#include "script_fill.h"

// The licence page, when the script has one: added to the form, its name
// appended to the chain.
void AddLicensePage(const TAuthorScript& s, TFormObject& form, std::vector<String>& pages);
// The last page, when the script runs a program after the install: added
// to the form, appended to the chain. Call FinishPageButtons once the chain
// is linked.
void AddFinishPage(const TAuthorScript& s, TFormObject& form, std::vector<String>& pages);
void FinishPageButtons(TFormObject& form);
// The desktop icons and the start-up checks (Mutex, MinWindows); raises
// EScriptError for a value the run could not use.
void AddDesktopIcons(const TScriptFacts& facts, TFormObject& form);
void AddStartChecks(const TAuthorScript& s, TFormObject& info);

// The licence file's text from the folder's files (`paths` beside
// `payload`, where to read each); raises EScriptError when the folder has
// none of that name, or it is empty, too long or no text. Without
// [Files], the licence is shipped in the form, not installed: it is taken
// out of `payload` and `paths`.
String ReadLicenseText(const TAuthorScript& s, std::vector<TPayloadFile>& payload, std::vector<String>& paths);
