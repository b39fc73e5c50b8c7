// The platform's list of moves and deletions at the next restart, as the
// tests read it and take back what they scheduled.
#pragma once

#include <vector>

#include "base/nstring.h"

// PendingFileRenameOperations in pairs: a source ("\\??\\C:\\...") and its
// target ("!\\??\\..." to replace, empty to delete).
std::vector<String> PendingRenames();
// Drops the pairs whose source lies in `dir`: what a test scheduled and
// never restarted for.
void DropPendingRenamesIn(const String& dir);
