#include "control_actions.h"

#include "window_query.h"

namespace robot {

namespace {

// Messages that carry a pointer must be sent; a handler that opens a modal
// dialog would hold us up to this long before we report it.
constexpr UINT kSendTimeoutMs = 5000;

bool Send(HWND hwnd, UINT msg, WPARAM w, LPARAM l, LRESULT& result)
{
    DWORD_PTR r = 0;
    if (!SendMessageTimeoutA(hwnd, msg, w, l, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r)) return false;
    result = static_cast<LRESULT>(r);
    return true;
}

// The control's own notification to its parent, posted so that a handler
// which opens a modal dialog cannot block the robot.
std::string Notify(HWND control, WORD code)
{
    HWND parent = GetParent(control);
    if (!parent) return "it has no parent window to notify";
    const WPARAM w = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code);
    if (!PostMessageA(parent, WM_COMMAND, w, reinterpret_cast<LPARAM>(control)))
        return "posting the notification failed (error " + std::to_string(GetLastError()) + ")";
    return {};
}

std::string Entries(HWND control, UINT getCount)
{
    LRESULT count = 0;
    if (!Send(control, getCount, 0, 0, count) || count < 0) return "?";
    std::string list;
    for (LRESULT i = 0; i < count && i < 30; ++i) {
        const auto text = ListEntry(control, i);
        list += (list.empty() ? "\"" : ", \"") + text.value_or("?") + "\"";
    }
    return list.empty() ? "(none)" : list;
}

}  // namespace

std::string Click(HWND control)
{
    // BM_CLICK means nothing to other controls: the scenario would go on as
    // if something had been pressed.
    if (!IsClass(control, "Button")) return "it is a " + ClassName(control) + ", not a button";
    if ((GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX) return "it is a group box, not a button";
    if (!PostMessageA(control, BM_CLICK, 0, 0))
        return "posting BM_CLICK failed (error " + std::to_string(GetLastError()) + ")";
    return {};
}

std::string TypeText(HWND edit, const std::string& text)
{
    if (!IsClass(edit, "Edit") && !IsClass(edit, "ComboBox")) return "it is a " + ClassName(edit) + ", not an edit";
    const LONG style = GetWindowLongA(edit, GWL_STYLE);
    if (IsClass(edit, "Edit") && (style & ES_READONLY)) return "it is read-only";
    LRESULT ok = 0;
    if (!Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), ok))
        return "it did not answer WM_SETTEXT within " + std::to_string(kSendTimeoutMs / 1000) + " s";
    if (!ok) return "it refused the text";
    // A single-line edit already tells its parent EN_CHANGE for WM_SETTEXT;
    // a multi-line one does not, though typing into it would.
    if (IsClass(edit, "Edit") && (style & ES_MULTILINE)) return Notify(edit, EN_CHANGE);
    if (IsClass(edit, "ComboBox")) return Notify(edit, CBN_EDITCHANGE);
    return {};
}

std::string SelectEntry(HWND control, const std::string& entry)
{
    const bool combo = IsClass(control, "ComboBox");
    if (!combo && !IsClass(control, "ListBox")) return "it is a " + ClassName(control) + ", not a combo or list box";
    const UINT find = combo ? CB_FINDSTRINGEXACT : LB_FINDSTRINGEXACT;
    LRESULT index = -1;
    if (!Send(control, find, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(entry.c_str()), index))
        return "it did not answer";
    if (index < 0) {
        return "it has no entry \"" + entry + "\"; entries: " + Entries(control, combo ? CB_GETCOUNT : LB_GETCOUNT);
    }
    LRESULT r = 0;
    if (combo) {
        if (!Send(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0, r) || r != index) return "CB_SETCURSEL failed";
        return Notify(control, CBN_SELCHANGE);
    }
    const LONG style = GetWindowLongA(control, GWL_STYLE);
    if (style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
        if (!Send(control, LB_SETSEL, TRUE, index, r) || r == LB_ERR) return "LB_SETSEL failed";
    } else if (!Send(control, LB_SETCURSEL, static_cast<WPARAM>(index), 0, r) || r != index) {
        return "LB_SETCURSEL failed";
    }
    // A list box tells its parent about a selection only with LBS_NOTIFY.
    return (style & LBS_NOTIFY) ? Notify(control, LBN_SELCHANGE) : std::string();
}

std::string PostClose(HWND window)
{
    if (!PostMessageA(window, WM_CLOSE, 0, 0))
        return "posting WM_CLOSE failed (error " + std::to_string(GetLastError()) + ")";
    return {};
}

}  // namespace robot
