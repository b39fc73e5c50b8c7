// Real key presses through the platform's input injection: they reach
// whatever window has the keyboard focus, in order with the user's own
// typing, exactly as a person's keys do (no window messages are faked).
#pragma once

#include <windows.h>

#include <string>

#include "scenario.h"

namespace robot {

// Presses and releases the chord's key with its modifiers, or types its
// text character by character. Empty, or why the platform refused.
std::string PressKeys(const KeyChord& chord);

// The keyboard focus of the thread that owns `hwnd`, if its window is the
// one in front (keys go there).
HWND FocusInForeground(HWND hwnd);

}  // namespace robot
