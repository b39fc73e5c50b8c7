// Keyboard operation of the framework's forms, as a person expects it of a
// Windows dialog: Tab and Shift+Tab follow the tab order past what is
// hidden or disabled, arrows move within a group of radio buttons, Enter
// presses the focused button or else the form's default button, Esc the
// form's cancel button, and Alt plus the underlined letter of a caption
// (the letter alone where the focus takes no typing) presses that control.
#pragma once

#include "framework/win32/forms.h"

// The key messages a form may take before the focused control sees them.
bool IsDialogKeyMessage(UINT message);

// Handles one key message for the form it was sent in; true when the form
// took it (the message must then not be dispatched).
bool FormDialogKey(TForm* form, const MSG& msg);

// Moves the focus to the next (or previous) control of the form's tab order
// after `current` (none: the first or the last).
void SelectNextControl(TForm* form, TWinControl* current, bool forward);

// Gives the focus to where Enter would act: the default button when a
// person can press it, else the first control of the tab order. False when
// the form has no such control.
bool FocusFallbackControl(TForm* form);
