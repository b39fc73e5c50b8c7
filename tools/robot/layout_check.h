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

}  // namespace robot
