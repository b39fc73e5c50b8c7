// The suite's own modal message box: a caption by kind, a system icon, the
// text, and a centred row of buttons in a fixed order with captions from
// the current language.
#pragma once

#include "framework/win32/forms.h"

class TNimboInfo;

// Button set bits: Yes, No, OK, Cancel, Abort, Retry, Ignore, All, Help.
inline constexpr unsigned NimboDialogButton(TMsgDlgBtn b) { return 1u << b; }

// Returns the modal result (0 none, 1 OK, 2 Cancel, 3 Abort, 4 Retry,
// 5 Ignore, 6 Yes, 7 No, 8 All). `controller` may be none: English texts.
int ShowMessageDialog(TNimboInfo* controller, const String& text, TMsgDlgType kind, unsigned buttons,
                      int helpContext = 0);

// A message text of the controller's language, or of the built-in English
// catalogue when there is no controller.
String NimboMessageText(const TNimboInfo* controller, unsigned n);
