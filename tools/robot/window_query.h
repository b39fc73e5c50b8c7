// Finding and reading the windows of the program under test from outside:
// component names from the "NimboName" window property, captions, texts and
// states. Nothing here changes the target.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "scenario.h"

namespace robot {

std::string ComponentName(HWND hwnd);
std::string WindowCaption(HWND hwnd);
std::string ClassName(HWND hwnd);
bool IsClass(HWND hwnd, const char* builtin);  // also for superclassed controls

// The text a person reads: the edit or label text, a combo box's current text,
// a list box's selected entry. nullopt when the target does not answer.
std::optional<std::string> ControlText(HWND hwnd);

// Entry index of a list box or combo box.
std::optional<std::string> ListEntry(HWND hwnd, LRESULT index);

bool MatchesRef(HWND hwnd, const Ref& ref);

// Top-level windows in z-order, topmost first.
std::vector<HWND> TopLevelWindows();

// The topmost visible top-level window matching ref, or null.
HWND FindVisibleTopLevel(const Ref& ref);

// A descendant of parent matching ref, a visible one before a hidden one, or
// null.
HWND FindChild(HWND parent, const Ref& ref);

// A control (or a top-level window named like one) matching ref, searched in
// the window given, else in the scope, else everywhere. Visible matches win
// over hidden ones, the topmost window over the ones below.
HWND FindControl(const ControlRef& ref, const std::optional<Ref>& scope);

// Why a person could not operate hwnd ("disabled", "hidden", ...), or empty.
std::string WhyNotOperable(HWND hwnd);

// Message text of a dialog (its labels and memos, each trimmed, joined by
// '\n', CR LF read as '\n') and its button captions.
std::string DialogText(HWND dialog);
std::vector<std::string> DialogButtons(HWND dialog);

// Visible top-level windows with their named or captioned children.
std::string DumpWindows();

std::string HwndText(HWND hwnd);

}  // namespace robot
