#include "runner.h"

#include <windows.h>

#include <cstdlib>

#include "control_actions.h"
#include "key_input.h"
#include "layout_check.h"
#include "screenshot.h"
#include "window_query.h"

namespace robot {

namespace {

constexpr DWORD kPollMs = 50;
// How long a control may take to answer a question about its state.
constexpr UINT kAnswerTimeoutMs = 2000;
// How far off the middle of the screen a window may sit, in pixels, and
// still count as centred: an odd size cannot sit exactly.
constexpr int kCentreTolerance = 2;

struct StepFailure {
    std::string what;
};

[[noreturn]] void Fail(const std::string& what) { throw StepFailure{what}; }

std::string Seconds(double s)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g s", s);
    return buf;
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

class Deadline {
public:
    explicit Deadline(double seconds) : end_(GetTickCount() + static_cast<DWORD>(seconds * 1000)) {}
    bool Passed() const { return static_cast<LONG>(GetTickCount() - end_) >= 0; }

private:
    DWORD end_;
};

bool TextMatches(const std::string& actual, Match m, const std::string& expected)
{
    return m == Match::Equals ? actual == expected : actual.find(expected) != std::string::npos;
}

std::string JoinCaptions(const std::vector<std::string>& captions)
{
    std::string s;
    for (const auto& c : captions) s += (s.empty() ? "" : " ") + Quote(c);
    return s.empty() ? "(none)" : s;
}

// Window and Gone: whether a visible top-level window matches.
std::string CheckPresence(const Condition& c)
{
    HWND h = FindVisibleTopLevel(c.window);
    if (c.kind == Cond::Window) return h ? "" : "no visible window " + c.window.Describe();
    return h ? "window " + c.window.Describe() + " is still there (" + HwndText(h) + ")" : "";
}

// Fills and Centred: where the window sits on the screen.
std::string CheckPlacement(const Condition& c)
{
    HWND h = FindVisibleTopLevel(c.window);
    if (!h) return "no visible window " + c.window.Describe();
    RECT r;
    GetWindowRect(h, &r);
    const int w = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    char where[120];
    std::snprintf(where, sizeof where, "it is at %ld,%ld-%ld,%ld on a screen of %dx%d", r.left, r.top, r.right,
                  r.bottom, w, sh);
    const bool ok = c.kind == Cond::Fills ? r.left <= 0 && r.top <= 0 && r.right >= w && r.bottom >= sh
                                          : std::abs(static_cast<int>(r.left + r.right) - w) <= kCentreTolerance &&
                                                std::abs(static_cast<int>(r.top + r.bottom) - sh) <= kCentreTolerance;
    return ok ? "" : where;
}

// DialogText and DialogButtons: what a message dialog says and offers.
std::string CheckDialog(const Condition& c)
{
    HWND dlg = FindVisibleTopLevel(c.window);
    if (!dlg) return "no visible dialog " + c.window.Describe();
    if (c.kind == Cond::DialogText) {
        const std::string text = DialogText(dlg);
        return TextMatches(text, c.match, c.text) ? "" : "its text is " + Quote(text);
    }
    const auto buttons = DialogButtons(dlg);
    bool same = buttons.size() == c.buttons.size();
    for (size_t i = 0; same && i < buttons.size(); ++i)
        same = StripAccelerators(buttons[i]) == StripAccelerators(c.buttons[i]);
    return same ? "" : "its buttons are " + JoinCaptions(buttons);
}

std::string CheckFocus(HWND h)
{
    HWND focus = FocusInForeground(h);
    if (focus == h || (focus && IsChild(h, focus))) return "";
    if (GetAncestor(h, GA_ROOT) != GetForegroundWindow())
        return "its window is not in front (" + HwndText(GetForegroundWindow()) + " is)";
    return focus ? "the focus is on " + HwndText(focus) : "nothing has the focus";
}

// Checked and Unchecked.
std::string CheckCheckMark(const Condition& c, HWND h)
{
    DWORD_PTR state = 0;
    if (!SendMessageTimeoutA(h, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &state))
        return "the control does not answer BM_GETCHECK";
    const bool checked = state == BST_CHECKED;
    if (c.kind == Cond::Checked) return checked ? "" : "it is not checked";
    return checked ? "it is checked" : "";
}

}  // namespace

Runner::Runner(std::string scenarioName, Settings settings, std::FILE* log)
    : scenario_(std::move(scenarioName)), settings_(settings), log_(log)
{
}

int Runner::Run(const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        std::fprintf(log_, "robot: %s:%d: %s\n", scenario_.c_str(), step.line, step.source.c_str());
        std::fflush(log_);
        try {
            Execute(step);
        } catch (const StepFailure& f) {
            std::string what = f.what;
            for (size_t at = what.find('\n'); at != std::string::npos; at = what.find('\n', at + 1))
                what.insert(at + 1, "robot:   ");
            std::fprintf(log_, "robot: FAILED %s:%d: %s\nrobot:   %s\n%s", scenario_.c_str(), step.line,
                         step.source.c_str(), what.c_str(), DumpWindows().c_str());
            std::fflush(log_);
            return 1;
        }
    }
    std::fprintf(log_, "robot: %s passed (%zu steps)\n", scenario_.c_str(), steps.size());
    std::fflush(log_);
    return 0;
}

// Empty when the condition holds, else what is there instead.
std::string Runner::Check(const Condition& c) const
{
    switch (c.kind) {
    case Cond::Window:
    case Cond::Gone:
        return CheckPresence(c);
    case Cond::Fills:
    case Cond::Centred:
        return CheckPlacement(c);
    case Cond::DialogText:
    case Cond::DialogButtons:
        return CheckDialog(c);
    case Cond::Layout:
    case Cond::Unwrapped:
        if (HWND h = FindVisibleTopLevel(c.window)) return c.kind == Cond::Layout ? LayoutFaults(h) : WrapFaults(h);
        return "no visible window " + c.window.Describe();
    default:
        return CheckControl(c);
    }
}

// The conditions on a control, found within the scope.
std::string Runner::CheckControl(const Condition& c) const
{
    HWND h = FindControl(c.control, scope_);
    if (!h) return "there is no control " + c.control.Describe() + ScopeText(c.control);
    switch (c.kind) {
    case Cond::Text: {
        const auto text = ControlText(h);
        if (!text) return "the control does not answer WM_GETTEXT";
        return TextMatches(*text, c.match, c.text) ? "" : "its text is " + Quote(*text);
    }
    case Cond::Enabled:
        return IsWindowEnabled(h) ? "" : "it is disabled";
    case Cond::Disabled:
        return IsWindowEnabled(h) ? "it is enabled" : "";
    case Cond::Visible:
        return IsWindowVisible(h) ? "" : "it is hidden";
    case Cond::Hidden:
        return IsWindowVisible(h) ? "it is visible" : "";
    case Cond::Focused:
        return CheckFocus(h);
    case Cond::Checked:
    case Cond::Unchecked:
        return CheckCheckMark(c, h);
    default:
        return "unknown condition";
    }
}

std::string Runner::ScopeText(const ControlRef& ref) const
{
    return scope_ && !ref.window ? " within " + scope_->Describe() : std::string();
}

void Runner::Poll(const Condition& cond, double seconds, const char* verb)
{
    Deadline deadline(seconds);
    for (;;) {
        const std::string state = Check(cond);
        if (state.empty()) return;
        if (deadline.Passed()) Fail(std::string(verb) + Seconds(seconds) + ": " + cond.Describe() + "\nbut " + state);
        Sleep(kPollMs);
    }
}

// Waits until a person could operate the control: found, visible, enabled.
HWND Runner::Operable(const ControlRef& ref, double seconds)
{
    Deadline deadline(seconds);
    for (;;) {
        HWND h = FindControl(ref, scope_);
        const std::string why = h ? WhyNotOperable(h) : "there is no such control" + ScopeText(ref);
        if (why.empty()) return h;
        if (deadline.Passed())
            Fail("timed out waiting " + Seconds(seconds) + " for " + ref.Describe() + " to be usable\nbut " + why);
        Sleep(kPollMs);
    }
}

HWND Runner::VisibleWindow(const Ref& ref, double seconds)
{
    Deadline deadline(seconds);
    for (;;) {
        if (HWND h = FindVisibleTopLevel(ref)) return h;
        if (deadline.Passed())
            Fail("timed out waiting " + Seconds(seconds) + " for window " + ref.Describe() + "\nbut there is none");
        Sleep(kPollMs);
    }
}

void Runner::OnControl(const Step& step)
{
    HWND h = Operable(step.control, TimeoutOf(step));
    std::string e, doing;
    if (step.op == Op::Click) {
        e = Click(h);
        doing = "clicking ";
    } else if (step.op == Op::Type) {
        e = TypeText(h, step.text);
        doing = "typing into ";
    } else {
        e = SelectEntry(h, step.text);
        doing = "selecting in ";
    }
    if (!e.empty()) Fail(doing + step.control.Describe() + ": " + e);
}

// Clicks the dialog's button and waits for the dialog to go.
void Runner::Answer(const Step& step)
{
    ControlRef button;
    button.control = Ref{Ref::Caption, step.text};
    button.window = *step.window;
    HWND h = Operable(button, TimeoutOf(step));
    HWND dialog = GetAncestor(h, GA_ROOT);
    if (const auto e = Click(h); !e.empty()) Fail("answering " + step.window->Describe() + ": " + e);
    Deadline deadline(TimeoutOf(step));
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (deadline.Passed())
            Fail("dialog " + step.window->Describe() + " still open " + Seconds(TimeoutOf(step)) + " after clicking " +
                 Quote(step.text));
        Sleep(kPollMs);
    }
}

// Real key presses, once the target has the focus when one is named.
void Runner::Keys(const Step& step)
{
    if (step.keyTarget) {
        Condition focused;
        focused.kind = Cond::Focused;
        focused.control = step.control;
        Poll(focused, TimeoutOf(step), "timed out waiting ");
    }
    for (const KeyChord& chord : step.keys)
        if (const auto e = PressKeys(chord); !e.empty()) Fail("pressing " + chord.Describe() + ": " + e);
}

void Runner::Execute(const Step& step)
{
    switch (step.op) {
    case Op::SetTimeout:
        settings_.timeout = step.seconds;
        return;
    case Op::SetSettle:
        settings_.settle = step.seconds;
        return;
    case Op::Within:
        if (step.window) VisibleWindow(*step.window, TimeoutOf(step));
        scope_ = step.window;
        return;
    case Op::Wait:
        Poll(step.cond, TimeoutOf(step), "timed out waiting ");
        return;
    case Op::Assert:
        Poll(step.cond, step.timeout.value_or(settings_.settle), "not true within ");
        return;
    case Op::Click:
    case Op::Type:
    case Op::Select:
        OnControl(step);
        return;
    case Op::Answer:
        Answer(step);
        return;
    case Op::Close: {
        HWND h = VisibleWindow(*step.window, TimeoutOf(step));
        if (const auto e = PostClose(h); !e.empty()) Fail("closing " + step.window->Describe() + ": " + e);
        return;
    }
    case Op::Key:
        Keys(step);
        return;
    case Op::Sleep:
        Sleep(static_cast<DWORD>(step.seconds * 1000));
        return;
    case Op::Screenshot: {
        if (const auto e = TakeScreenshot(step.text, TimeoutOf(step)); !e.empty()) Fail("screenshot: " + e);
        std::fprintf(log_, "robot:   saved %s\n", ToWindowsPath(step.text).c_str());
        return;
    }
    case Op::Echo:
        std::fprintf(log_, "robot:   %s\n", step.text.c_str());
        return;
    case Op::Dump:
        std::fprintf(log_, "%s", DumpWindows().c_str());
        return;
    }
}

}  // namespace robot
