#include "framework/win32/dialog_keys.h"

#include <algorithm>

#include "framework/win32/stdctrls.h"

namespace {
// The framework control that is, or holds, the window with the focus (the
// edit field inside a combo box, say).
TWinControl* ControlOf(HWND h)
{
    for (; h; h = GetParent(h))
        if (TWinControl* c = TWinControl::FromHandle(h)) return c;
    return nullptr;
}

// Every control below `parent` in tab order, depth first.
void Collect(TWinControl* parent, std::vector<TWinControl*>& out)
{
    for (TWinControl* c : parent->TabList()) {
        if (!c->Usable()) continue;
        out.push_back(c);
        Collect(c, out);
    }
}

TButton* FindButton(TForm* form, bool (TButton::*flag)() const)
{
    std::vector<TWinControl*> all;
    Collect(form, all);
    for (TWinControl* c : all)
        if (auto* b = dynamic_cast<TButton*>(c); b && (b->*flag)()) return b;
    return nullptr;
}

// The radio buttons beside `radio` that a person can reach, in tab order.
std::vector<TRadioButton*> RadioGroupOf(TRadioButton* radio)
{
    std::vector<TRadioButton*> group;
    if (!radio->Parent()) return group;
    for (TWinControl* c : radio->Parent()->TabList())
        if (auto* r = dynamic_cast<TRadioButton*>(c); r && r->Usable()) group.push_back(r);
    return group;
}

// A group of radio buttons is one stop of the tab order: the checked one,
// else the first; the one with the focus while the focus is in the group.
bool IsGroupStop(TRadioButton* radio, TWinControl* current)
{
    const auto group = RadioGroupOf(radio);
    if (std::find(group.begin(), group.end(), current) != group.end()) return radio == current;
    for (TRadioButton* r : group)
        if (r->Checked()) return r == radio;
    return !group.empty() && group.front() == radio;
}

std::vector<TWinControl*> TabStops(TForm* form, TWinControl* current)
{
    std::vector<TWinControl*> all, stops;
    Collect(form, all);
    for (TWinControl* c : all) {
        if (!c->TabStop()) continue;
        if (auto* r = dynamic_cast<TRadioButton*>(c); r && !IsGroupStop(r, current)) continue;
        stops.push_back(c);
    }
    return stops;
}

void Press(TWinControl* control)
{
    // A push button is pressed where the focus is, as a dialog's Enter and
    // Esc do; a check or radio button takes the focus as a click gives it.
    if (dynamic_cast<TButton*>(control) && control->Parent()) {
        const WPARAM w = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control->Handle())), BN_CLICKED);
        SendMessageA(control->Parent()->Handle(), WM_COMMAND, w, reinterpret_cast<LPARAM>(control->Handle()));
        return;
    }
    control->SetFocus();
    SendMessageA(control->Handle(), BM_CLICK, 0, 0);
}

// The letter after the single '&' of a caption, or 0.
char AcceleratorOf(const String& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[i + 1] != '&') return caption[i + 1];
        ++i;
    }
    return 0;
}

char Upper(char c)
{
    CharUpperBuffA(&c, 1);
    return c;
}

bool PressAccelerator(TForm* form, WPARAM ch)
{
    if (ch > 0xFF) return false;
    const char wanted = Upper(static_cast<char>(ch));
    std::vector<TWinControl*> all;
    Collect(form, all);
    for (TWinControl* c : all) {
        if (!dynamic_cast<TButton*>(c) && !dynamic_cast<TCheckBox*>(c)) continue;
        const char letter = AcceleratorOf(c->Caption());
        if (!letter || Upper(letter) != wanted) continue;
        Press(c);
        return true;
    }
    return false;
}

bool MoveInRadioGroup(TWinControl* focused, int step)
{
    auto* radio = dynamic_cast<TRadioButton*>(focused);
    if (!radio) return false;
    const auto group = RadioGroupOf(radio);
    const auto at = std::find(group.begin(), group.end(), radio);
    if (at == group.end()) return false;
    const auto n = static_cast<int>(group.size());
    TRadioButton* next = group[static_cast<size_t>(((at - group.begin()) + step + n) % n)];
    Press(next);
    return true;
}

bool KeyDown(TForm* form, TWinControl* focused, WPARAM key)
{
    if (focused && focused->WantsKey(key)) return false;
    switch (key) {
    case VK_TAB:
        if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
        SelectNextControl(form, focused, GetKeyState(VK_SHIFT) >= 0);
        return true;
    case VK_LEFT:
    case VK_UP:
        return MoveInRadioGroup(focused, -1);
    case VK_RIGHT:
    case VK_DOWN:
        return MoveInRadioGroup(focused, 1);
    case VK_RETURN: {
        TButton* b = dynamic_cast<TButton*>(focused);
        if (!b || !b->Usable()) b = FindButton(form, &TButton::Default);
        if (b) Press(b);
        return true;
    }
    case VK_ESCAPE: {
        TButton* b = FindButton(form, &TButton::Cancel);
        if (!b) return false;
        Press(b);
        return true;
    }
    default:
        return false;
    }
}
}  // namespace

bool IsDialogKeyMessage(UINT message) { return message == WM_KEYDOWN || message == WM_CHAR || message == WM_SYSCHAR; }

bool FormDialogKey(TForm* form, const MSG& msg)
{
    if (!form->HandleAllocated() || !IsWindowEnabled(form->Handle())) return false;
    TWinControl* focused = ControlOf(msg.hwnd);
    switch (msg.message) {
    case WM_KEYDOWN:
        return KeyDown(form, focused, msg.wParam);
    case WM_CHAR:
        if (focused && focused->WantsChars()) return false;
        if (msg.wParam < '0') return false;  // control characters and blanks
        return PressAccelerator(form, msg.wParam);
    case WM_SYSCHAR:
        return PressAccelerator(form, msg.wParam);
    default:
        return false;
    }
}

void SelectNextControl(TForm* form, TWinControl* current, bool forward)
{
    const auto stops = TabStops(form, current);
    if (stops.empty()) return;
    const auto n = static_cast<int>(stops.size());
    const auto at = std::find(stops.begin(), stops.end(), current);
    int next = forward ? 0 : n - 1;
    if (at != stops.end()) next = (static_cast<int>(at - stops.begin()) + (forward ? 1 : -1) + n) % n;
    TWinControl* target = stops[static_cast<size_t>(next)];
    target->SetFocus();
    // An edit field reached by Tab has its text selected, so typing replaces it.
    if (dynamic_cast<TEdit*>(target)) SendMessageA(target->Handle(), EM_SETSEL, 0, -1);
}

bool FocusFallbackControl(TForm* form)
{
    if (TButton* b = FindButton(form, &TButton::Default)) {
        b->SetFocus();
        return true;
    }
    const auto stops = TabStops(form, nullptr);
    if (stops.empty()) return false;
    stops.front()->SetFocus();
    return true;
}
