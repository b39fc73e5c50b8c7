// What a person does to a control, done with the messages the control itself
// would receive or send. Each returns an empty string or why it failed.
#pragma once

#include <windows.h>

#include <string>

namespace robot {

// Presses a button, check box or radio button. Posted, not sent: a click that opens a modal dialog must not block us
// while the dialog waits for an answer that only we can give.
std::string Click(HWND control);

// Replaces an edit's text and notifies the parent as typing would.
std::string TypeText(HWND edit, const std::string& text);

// Picks a combo box or list box entry by its exact text and sends the parent
// the selection notification.
std::string SelectEntry(HWND control, const std::string& entry);

// The close box of the title bar.
std::string PostClose(HWND window);

}  // namespace robot
