// Whether a window's layout holds at the density it is shown at: every
// visible control inside its parent's client area, and every caption of a
// label, button, check box, radio button and group box fitting its control
// when measured with the control's font as the control draws it.
#pragma once

#include <windows.h>

#include <string>

namespace robot {

// Empty when the layout holds, else one line per fault.
std::string LayoutFaults(HWND window);
// Whether the window shows each line of its texts as one line: a multi-line
// edit shows as many lines as its text has, and each line of a label fits
// its width in its font (the one it was given, for a control of the
// system's such as a message box's text). Empty when so, else each line
// that wraps.
std::string WrapFaults(HWND window);

}  // namespace robot
