// Files another program holds open, so that the setup cannot replace them
// now: telling them from other failures, and having them replaced when the
// computer restarts.
#pragma once

#include <windows.h>

#include "base/nstring.h"

// Whether the platform's error says another program holds the file.
bool InUseError(DWORD error);
// Whether another program holds the file so that it can be neither written
// nor renamed now.
bool HeldByAnotherProgram(const String& file);
// Whether this run may have files replaced at the next restart: the
// platform keeps that list where only administrators write, and a
// per-user run writes nothing machine-wide.
bool MayReplaceAtRestart();
// A free name in the target's folder for the file that takes the target's
// place at the next restart; one the clean-up of killed runs' temporary
// files never takes, since the file must outlive this run.
String RestartFileName(const String& target);
// Has `file` moved onto `target` (replacing it) when the computer next
// restarts; 0, or the platform's reason why not.
DWORD ReplaceAtRestart(const String& file, const String& target);
