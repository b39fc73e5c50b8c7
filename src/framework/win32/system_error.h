// The platform's error codes as the user reads them: after what failed,
// why, in the platform's words.
#pragma once

#include <windows.h>

#include "base/exceptions.h"
#include "base/nstring.h"

// The platform's text for an error code, on one line ("Access is
// denied."); "error N" when it has none.
String SystemErrorText(DWORD code);
// The text, then the code and its system text: "Unable to write X. (5:
// Access is denied.)". The text alone for 0: nothing of the platform failed.
String WithSystemError(const String& text, DWORD code);
// The I/O error of a failed platform call; `code` is read right after the
// call, before anything else can change it.
EInOutError InOutError(const String& text, DWORD code);
