#include "layout_check.h"

#include <cstdio>
#include <vector>

#include "window_query.h"

namespace robot {

namespace {

BOOL CALLBACK Collect(HWND h, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

std::string Who(HWND h)
{
    const std::string name = ComponentName(h);
    return name.empty() ? HwndText(h) : name;
}

std::string Rect(const RECT& r)
{
    char buf[80];
    std::snprintf(buf, sizeof buf, "%ld,%ld-%ld,%ld", r.left, r.top, r.right, r.bottom);
    return buf;
}

// The window's rectangle in its parent's client coordinates.
std::string OutsideParent(HWND h)
{
    HWND parent = GetParent(h);
    if (!parent || (GetWindowLongA(h, GWL_STYLE) & WS_CHILD) == 0) return "";
    RECT r, client;
    GetWindowRect(h, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(parent, &client);
    if (r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) return "";
    return Who(h) + " lies at " + Rect(r) + ", outside the client area " + Rect(client) + " of " + Who(parent);
}

// The font the control says it draws with ("height weight italic face"
// in its "NimboFont" property); null without one.
HFONT ControlFont(HWND h)
{
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(h, "NimboFont")));
    char text[128];
    if (!atom || !GlobalGetAtomNameA(atom, text, sizeof text)) return nullptr;
    LOGFONTA lf{};
    int italic = 0;
    char face[LF_FACESIZE] = {};
    if (std::sscanf(text, "%ld %ld %d %31[^\n]", &lf.lfHeight, &lf.lfWeight, &italic, face) != 4) return nullptr;
    lf.lfItalic = italic ? 1 : 0;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectA(&lf);
}

// Where the caption goes inside the client area, and how it is drawn;
// false for a control whose caption is not checked.
bool TextArea(HWND h, HDC dc, RECT& area, UINT& flags)
{
    GetClientRect(h, &area);
    if (HANDLE drawn = GetPropA(h, "NimboDrawText")) {
        flags = static_cast<UINT>(reinterpret_cast<UINT_PTR>(drawn));
        return true;
    }
    if (!IsClass(h, "Button")) return false;
    const LONG style = GetWindowLongA(h, GWL_STYLE);
    flags = (style & BS_MULTILINE) ? DT_WORDBREAK : DT_SINGLELINE;
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
    case BS_DEFPUSHBUTTON:
        InflateRect(&area, -2 * GetSystemMetrics(SM_CXEDGE), -2 * GetSystemMetrics(SM_CYEDGE));
        return true;
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE: {
        // The box, then half a digit's width, then the text.
        SIZE digit{};
        GetTextExtentPoint32A(dc, "0", 1, &digit);
        area.left += GetSystemMetrics(SM_CXMENUCHECK) + digit.cx / 2;
        return true;
    }
    case BS_GROUPBOX:
        return true;
    default:
        return false;
    }
}

// The caption measured with the control's font as the control draws it.
std::string TextCut(HWND h)
{
    const auto text = ControlText(h);
    if (!text || text->empty()) return "";
    HFONT font = ControlFont(h);
    if (!font) return "";
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    RECT area;
    UINT flags = 0;
    std::string fault;
    if (TextArea(h, dc, area, flags)) {
        const int width = area.right - area.left, height = area.bottom - area.top;
        // Wrapped at the control's width; a word wider than that widens it.
        RECT need{0, 0, width, 0};
        DrawTextA(dc, text->c_str(), static_cast<int>(text->size()), &need,
                  (flags & (DT_WORDBREAK | DT_SINGLELINE | DT_NOPREFIX)) | DT_CALCRECT);
        if (need.right > width || need.bottom > height) {
            char buf[120];
            std::snprintf(buf, sizeof buf, " needs %ldx%ld pixels, it has %dx%d", need.right, need.bottom, width,
                          height);
            fault = Who(h) + ": its text \"" + *text + "\"" + buf;
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return fault;
}

// A label's lines that do not fit its width: the control wraps them.
std::string WrappedLines(HWND h, const std::string& text)
{
    HFONT own = ControlFont(h);
    HFONT font = own ? own : reinterpret_cast<HFONT>(SendMessageA(h, WM_GETFONT, 0, 0));
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    RECT client;
    GetClientRect(h, &client);
    std::string faults;
    for (size_t b = 0, e; b <= text.size(); b = e + 1) {
        e = text.find('\n', b);
        if (e == std::string::npos) e = text.size();
        std::string line = text.substr(b, e - b);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        RECT need{0, 0, 0, 0};
        DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &need,
                  DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
        if (need.right > client.right)
            faults += (faults.empty() ? "" : "\n") + Who(h) + ": \"" + line + "\" needs " + std::to_string(need.right) +
                      " pixels, it has " + std::to_string(client.right);
    }
    if (old) SelectObject(dc, old);
    DeleteDC(dc);
    if (own) DeleteObject(own);
    return faults;
}

std::string WrapFault(HWND h)
{
    const auto text = ControlText(h);
    if (!text || text->empty()) return "";
    if (IsClass(h, "Static")) return WrappedLines(h, *text);
    if (!IsClass(h, "Edit") || !(GetWindowLongA(h, GWL_STYLE) & ES_MULTILINE)) return "";
    size_t lines = 1;
    for (size_t i = text->find('\n'); i != std::string::npos; i = text->find('\n', i + 1)) ++lines;
    const auto shown = static_cast<size_t>(SendMessageA(h, EM_GETLINECOUNT, 0, 0));
    if (shown <= lines) return "";
    return Who(h) + " shows its " + std::to_string(lines) + " lines in " + std::to_string(shown);
}

}  // namespace

std::string WrapFaults(HWND window)
{
    std::vector<HWND> all;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&all));
    std::string faults;
    for (HWND h : all) {
        if (!IsWindowVisible(h)) continue;
        const std::string fault = WrapFault(h);
        if (!fault.empty()) faults += (faults.empty() ? "" : "\n") + fault;
    }
    return faults;
}

std::string LayoutFaults(HWND window)
{
    std::vector<HWND> all;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&all));
    std::string faults;
    for (HWND h : all) {
        if (!IsWindowVisible(h)) continue;
        for (const std::string& fault : {OutsideParent(h), TextCut(h)})
            if (!fault.empty()) faults += (faults.empty() ? "" : "\n") + fault;
    }
    return faults;
}

}  // namespace robot
