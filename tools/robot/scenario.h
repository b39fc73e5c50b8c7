// Scenario model of the GUI driver: one step per line, parsed up front so a
// typo fails before anything is clicked. The format is described in README.md.
#pragma once

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace robot {

// A window or control is named either by its component name (bare word) or
// by its caption (quoted string, accelerator '&' ignored when matching).
struct Ref {
    enum Kind { Name, Caption };
    Kind kind = Name;
    std::string text;
    std::string Describe() const;
};

// A control, optionally looked up inside one top-level window only.
struct ControlRef {
    Ref control;
    std::optional<Ref> window;
    std::string Describe() const;
};

enum class Cond {
    Window,  // a visible top-level window exists
    Gone,    // no visible top-level window matches
    Text,    // control text equals / contains
    Enabled,
    Disabled,
    Visible,
    Hidden,  // exists but cannot be seen
    Checked,
    Unchecked,
    Focused,     // the control has the keyboard focus of the foreground window
    Fills,       // a visible top-level window covers the whole screen
    Centred,     // a visible top-level window sits in the middle of the screen
    DialogText,  // message text of a dialog equals / contains
    DialogButtons,
    Layout,     // every control inside its parent, every caption uncut
    Unwrapped,  // no text control breaks a line of its text
};

enum class Match { Equals, Contains };

struct Condition {
    Cond kind = Cond::Window;
    Ref window;          // Window, Gone, Fills, Centred, Dialog*, Layout
    ControlRef control;  // control conditions
    Match match = Match::Equals;
    std::string text;
    std::vector<std::string> buttons;  // DialogButtons
    std::string Describe() const;
};

enum class Op {
    SetTimeout,
    SetSettle,
    Within,  // restrict control lookups to one window (nullopt: any)
    Wait,    // poll a condition for the time-out
    Assert,  // poll a condition for the settle time
    Click,
    Type,
    Select,
    Answer,  // click a button of a dialog and wait until it is gone
    Close,   // WM_CLOSE, as the title bar's close box
    Key,     // real key presses through the platform's input injection
    Sleep,
    Screenshot,
    Echo,
    Dump,
};

// One key with its modifiers (virtual-key code), or a text typed as it
// stands (`text` not empty).
struct KeyChord {
    unsigned vk = 0;
    bool shift = false, ctrl = false, alt = false;
    std::string text;
    std::string Describe() const;
};

struct Step {
    Op op = Op::Echo;
    int line = 0;
    std::string source;  // the line as written, for logs and failures
    Condition cond;
    ControlRef control;
    std::optional<Ref> window;
    std::string text;               // typed text, entry, button caption, file, echo
    std::vector<KeyChord> keys;     // Key
    bool keyTarget = false;         // Key: wait until `control` has the focus
    double seconds = 0;             // SetTimeout, SetSettle, Sleep
    std::optional<double> timeout;  // per-step "timeout=S"
};

struct ParseError : std::runtime_error {
    int line;
    ParseError(int l, const std::string& what) : std::runtime_error(what), line(l) {}
};

// Looks up ${NAME} references; nullopt means undefined (a parse error).
using EnvLookup = std::function<std::optional<std::string>(const std::string&)>;

std::vector<Step> ParseScenario(const std::string& text, const EnvLookup& env);

// Caption comparison ignores accelerator marks: "&Yes" == "Yes", "&&" is '&'.
std::string StripAccelerators(const std::string& caption);

// "Enter", "Shift+Tab", "Alt+N": nullopt for an unknown key name.
std::optional<KeyChord> ParseKeyChord(const std::string& word);

}  // namespace robot
