#include "window_query.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace robot {

namespace {

// How long a read may block on a busy target before we call it hung.
constexpr UINT kReadTimeoutMs = 2000;

BOOL CALLBACK Collect(HWND h, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
    return TRUE;
}

std::vector<HWND> Descendants(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

bool SendRead(HWND hwnd, UINT msg, WPARAM w, LPARAM l, DWORD_PTR& result)
{
    return SendMessageTimeoutA(hwnd, msg, w, l, SMTO_ABORTIFHUNG | SMTO_BLOCK, kReadTimeoutMs, &result) != 0;
}

}  // namespace

// Entry texts are read in the wide form: Wine hands the ANSI form of
// LB_GETTEXT and CB_GETLBTEXT across processes back still in UTF-16.
std::optional<std::string> ListEntry(HWND hwnd, LRESULT index)
{
    const bool combo = IsClass(hwnd, "ComboBox");
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutW(hwnd, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, static_cast<WPARAM>(index), 0,
                             SMTO_ABORTIFHUNG | SMTO_BLOCK, kReadTimeoutMs, &len))
        return std::nullopt;
    if (static_cast<LRESULT>(len) < 0) return std::string();
    std::wstring text(len + 1, L'\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutW(hwnd, combo ? CB_GETLBTEXT : LB_GETTEXT, static_cast<WPARAM>(index),
                             reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG | SMTO_BLOCK, kReadTimeoutMs,
                             &got))
        return std::nullopt;
    if (static_cast<LRESULT>(got) < 0) return std::string();
    text.resize(std::min<size_t>(got, len));
    std::string out(text.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
}

namespace {

bool IsButtonLike(HWND hwnd)
{
    const std::string name = ComponentName(hwnd);
    // The suite's dialogs name their buttons B1, B2, ...
    if (name.size() >= 2 && name[0] == 'B' && std::all_of(name.begin() + 1, name.end(), ::isdigit)) return true;
    if (!IsClass(hwnd, "Button")) return false;
    const LONG type = GetWindowLongA(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}

std::string Flags(HWND hwnd)
{
    std::string f;
    if (!IsWindowVisible(hwnd)) f += " [hidden]";
    if (IsIconic(hwnd)) f += " [minimized]";
    if (!IsWindowEnabled(hwnd)) f += " [disabled]";
    return f;
}

std::string Clip(std::string s)
{
    for (char& c : s)
        if (c == '\r' || c == '\n') c = ' ';
    if (s.size() > 70) s = s.substr(0, 67) + "...";
    return s;
}

}  // namespace

std::string HwndText(HWND hwnd)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%08lx", static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
    return buf;
}

std::string ComponentName(HWND hwnd)
{
    const auto atom = static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropA(hwnd, "NimboName")));
    if (atom == 0) return {};
    char buf[256];
    const UINT n = GlobalGetAtomNameA(atom, buf, sizeof buf);
    return std::string(buf, n);
}

std::string WindowCaption(HWND hwnd)
{
    // For another process's window this reads the stored caption without
    // sending a message, so a hung target cannot block us here.
    char buf[1024];
    const int n = GetWindowTextA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

std::string ClassName(HWND hwnd)
{
    char buf[256];
    const int n = GetClassNameA(hwnd, buf, sizeof buf);
    return std::string(buf, n > 0 ? n : 0);
}

bool IsClass(HWND hwnd, const char* builtin)
{
    char buf[256];
    if (RealGetWindowClassA(hwnd, buf, sizeof buf) && lstrcmpiA(buf, builtin) == 0) return true;
    return lstrcmpiA(ClassName(hwnd).c_str(), builtin) == 0;
}

std::optional<std::string> ControlText(HWND hwnd)
{
    if (IsClass(hwnd, "ListBox")) {
        DWORD_PTR sel = 0;
        if (!SendRead(hwnd, LB_GETCURSEL, 0, 0, sel)) return std::nullopt;
        if (static_cast<LRESULT>(sel) < 0) return std::string();
        return ListEntry(hwnd, static_cast<LRESULT>(sel));
    }
    DWORD_PTR len = 0;
    if (!SendRead(hwnd, WM_GETTEXTLENGTH, 0, 0, len)) return std::nullopt;
    std::string text(len + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendRead(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), got)) return std::nullopt;
    text.resize(std::min<size_t>(got, len));
    return text;
}

bool MatchesRef(HWND hwnd, const Ref& ref)
{
    if (ref.kind == Ref::Name) return ComponentName(hwnd) == ref.text;
    return StripAccelerators(WindowCaption(hwnd)) == StripAccelerators(ref.text);
}

std::vector<HWND> TopLevelWindows()
{
    std::vector<HWND> all;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND FindVisibleTopLevel(const Ref& ref)
{
    for (HWND h : TopLevelWindows())
        if (IsWindowVisible(h) && MatchesRef(h, ref)) return h;
    return nullptr;
}

HWND FindChild(HWND parent, const Ref& ref)
{
    HWND hidden = nullptr;
    for (HWND h : Descendants(parent)) {
        if (!MatchesRef(h, ref)) continue;
        if (IsWindowVisible(h)) return h;
        if (!hidden) hidden = h;
    }
    return hidden;
}

HWND FindControl(const ControlRef& ref, const std::optional<Ref>& scope)
{
    const std::optional<Ref>& within = ref.window ? ref.window : scope;
    HWND hidden = nullptr;
    for (HWND top : TopLevelWindows()) {
        if (within && !MatchesRef(top, *within)) continue;
        const bool topMatches = MatchesRef(top, ref.control);
        if (topMatches && IsWindowVisible(top)) return top;
        HWND child = FindChild(top, ref.control);
        if (child && IsWindowVisible(child)) return child;
        if (!hidden) hidden = topMatches ? top : child;
    }
    return hidden;
}

std::string WhyNotOperable(HWND hwnd)
{
    if (!IsWindow(hwnd)) return "it was destroyed";
    if (!IsWindowVisible(hwnd)) return "it is hidden";
    for (HWND h = hwnd; h; h = GetAncestor(h, GA_PARENT)) {
        if (h == GetDesktopWindow()) break;
        if (!IsWindowEnabled(h)) {
            if (h == hwnd) return "it is disabled";
            // A modal dialog disables its owner: the person cannot reach it.
            return "its window " + (ComponentName(h).empty() ? "\"" + WindowCaption(h) + "\"" : ComponentName(h)) +
                   " is disabled";
        }
    }
    return {};
}

std::string DialogText(HWND dialog)
{
    std::string text;
    for (HWND h : Descendants(dialog)) {
        if (IsButtonLike(h) || !IsWindowVisible(h)) continue;
        if (IsClass(h, "Button")) continue;  // check boxes, group boxes
        const auto t = ControlText(h);
        if (!t) continue;
        // As a person reads it: no padding, one kind of line end.
        std::string part;
        for (size_t i = 0; i < t->size(); ++i)
            if (!((*t)[i] == '\r' && i + 1 < t->size() && (*t)[i + 1] == '\n')) part += (*t)[i];
        const size_t first = part.find_first_not_of(" \t\r\n");
        if (first == std::string::npos) continue;
        part = part.substr(first, part.find_last_not_of(" \t\r\n") - first + 1);
        if (!text.empty()) text += "\n";
        text += part;
    }
    return text;
}

std::vector<std::string> DialogButtons(HWND dialog)
{
    std::vector<std::pair<std::string, HWND>> named;  // B1, B2, ... in number order
    std::vector<std::string> plain;
    for (HWND h : Descendants(dialog)) {
        if (!IsButtonLike(h) || !IsWindowVisible(h)) continue;
        const std::string name = ComponentName(h);
        if (!name.empty())
            named.emplace_back(name, h);
        else
            plain.push_back(WindowCaption(h));
    }
    std::sort(named.begin(), named.end(), [](const auto& a, const auto& b) {
        return a.first.size() != b.first.size() ? a.first.size() < b.first.size() : a.first < b.first;
    });
    std::vector<std::string> out;
    for (const auto& n : named) out.push_back(WindowCaption(n.second));
    out.insert(out.end(), plain.begin(), plain.end());
    return out;
}

std::string DumpWindows()
{
    std::string out = "visible top-level windows (topmost first):\n";
    int count = 0;
    for (HWND top : TopLevelWindows()) {
        if (!IsWindowVisible(top)) continue;
        ++count;
        DWORD pid = 0;
        GetWindowThreadProcessId(top, &pid);
        const std::string name = ComponentName(top);
        out += "  " + HwndText(top) + " pid " + std::to_string(pid) + " class " + ClassName(top) + " \"" +
               Clip(WindowCaption(top)) + "\"" + (name.empty() ? "" : " name " + name) + Flags(top) + "\n";
        for (HWND h : Descendants(top)) {
            const std::string n = ComponentName(h);
            std::string caption = WindowCaption(h);
            // Edits and lists keep their text inside; ask for it.
            if (IsClass(h, "Edit") || IsClass(h, "ComboBox") || IsClass(h, "ListBox"))
                caption = ControlText(h).value_or("(no answer)");
            if (n.empty() && caption.empty()) continue;
            int depth = 0;
            for (HWND p = GetParent(h); p && p != top; p = GetParent(p)) ++depth;
            std::string line = std::string(4 + 2 * depth, ' ') + (n.empty() ? "-" : n) + " (" + ClassName(h) + ")";
            if (!caption.empty()) line += " \"" + Clip(caption) + "\"";
            out += line + Flags(h) + "\n";
        }
    }
    if (count == 0) out += "  (none)\n";
    return out;
}

}  // namespace robot
