#include "scenario.h"

#include <cstdlib>
#include <sstream>

namespace robot {

namespace {

struct Token {
    std::string text;
    bool quoted = false;
};

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

class LineParser {
public:
    LineParser(int line, const std::string& text, const EnvLookup& env) : line_(line), env_(env) { Tokenize(text); }

    bool Empty() const { return tokens_.empty(); }
    size_t CodeEnd() const { return end_; }  // where a trailing comment starts
    bool AtEnd() const { return pos_ >= tokens_.size(); }

    [[noreturn]] void Fail(const std::string& what) const { throw ParseError(line_, what); }

    const Token& Next(const char* expected)
    {
        if (AtEnd()) Fail(std::string("missing ") + expected);
        return tokens_[pos_++];
    }

    std::string Word(const char* expected)
    {
        const Token& t = Next(expected);
        if (t.quoted) Fail(std::string("expected ") + expected + ", got " + Quote(t.text));
        return t.text;
    }

    std::string String(const char* expected)
    {
        const Token& t = Next(expected);
        if (!t.quoted) Fail(std::string("expected ") + expected + " as a quoted string, got " + t.text);
        return t.text;
    }

    bool PeekWord(const char* word) const { return !AtEnd() && !tokens_[pos_].quoted && tokens_[pos_].text == word; }

    Ref ParseRef(const char* expected)
    {
        const Token& t = Next(expected);
        Ref r;
        r.kind = t.quoted ? Ref::Caption : Ref::Name;
        r.text = t.text;
        if (r.text.empty()) Fail(std::string("empty ") + expected);
        return r;
    }

    ControlRef ParseControl()
    {
        ControlRef c;
        c.control = ParseRef("control (component name or \"caption\")");
        if (PeekWord("in")) {
            ++pos_;
            c.window = ParseRef("window after 'in'");
        }
        return c;
    }

    Match ParseMatch()
    {
        const std::string m = Word("'equals' or 'contains'");
        if (m == "equals") return Match::Equals;
        if (m == "contains") return Match::Contains;
        Fail("expected 'equals' or 'contains', got " + m);
    }

    double Seconds(const std::string& text)
    {
        char* end = nullptr;
        const double v = std::strtod(text.c_str(), &end);
        if (text.empty() || *end != '\0' || v < 0) Fail("expected seconds, got " + text);
        return v;
    }

    // A trailing "timeout=S" may follow any step.
    std::optional<double> TrailingTimeout()
    {
        if (AtEnd()) return std::nullopt;
        const Token& t = tokens_.back();
        if (t.quoted || t.text.rfind("timeout=", 0) != 0) return std::nullopt;
        tokens_.pop_back();
        return Seconds(t.text.substr(8));
    }

    void ExpectEnd() const
    {
        if (!AtEnd()) Fail("unexpected " + (tokens_[pos_].quoted ? Quote(tokens_[pos_].text) : tokens_[pos_].text));
    }

private:
    void Tokenize(const std::string& s)
    {
        size_t i = 0;
        while (i < s.size()) {
            const char c = s[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                end_ = i;
                break;
            } else if (c == '"') {
                Token t;
                t.quoted = true;
                ++i;
                bool closed = false;
                while (i < s.size()) {
                    char ch = s[i++];
                    if (ch == '"') {
                        closed = true;
                        break;
                    }
                    if (ch == '\\' && i < s.size()) {
                        ch = s[i++];
                        if (ch == 'n')
                            ch = '\n';
                        else if (ch == 't')
                            ch = '\t';
                        else if (ch == 'r')
                            ch = '\r';
                        else if (ch != '"' && ch != '\\' && ch != '$')
                            Fail(std::string("unknown escape \\") + ch);
                        if (ch == '$') {
                            t.text += "\x01";  // a literal '$' that expansion must skip
                            continue;
                        }
                    }
                    t.text += ch;
                }
                if (!closed) Fail("unterminated string");
                t.text = Expand(t.text);
                tokens_.push_back(t);
            } else {
                Token t;
                while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r' && s[i] != '"' && s[i] != '#')
                    t.text += s[i++];
                t.text = Expand(t.text);
                tokens_.push_back(t);
            }
        }
    }

    std::string Expand(const std::string& s) const
    {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] == '\x01') {
                out += '$';
            } else if (s[i] == '$' && i + 1 < s.size() && s[i + 1] == '{') {
                const size_t close = s.find('}', i + 2);
                if (close == std::string::npos) Fail("unterminated ${");
                const std::string name = s.substr(i + 2, close - i - 2);
                const auto value = env_(name);
                if (!value) Fail("environment variable " + name + " is not set");
                out += *value;
                i = close;
            } else {
                out += s[i];
            }
        }
        return out;
    }

    int line_;
    const EnvLookup& env_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    size_t end_ = std::string::npos;
};

Condition ParseCondition(LineParser& p)
{
    Condition c;
    const std::string what = p.Word("condition");
    if (what == "window") {
        c.kind = Cond::Window;
        c.window = p.ParseRef("window (component name or \"caption\")");
    } else if (what == "gone" || what == "fills" || what == "centred" || what == "layout" || what == "unwrapped") {
        c.kind = what == "gone"        ? Cond::Gone
                 : what == "fills"     ? Cond::Fills
                 : what == "layout"    ? Cond::Layout
                 : what == "unwrapped" ? Cond::Unwrapped
                                       : Cond::Centred;
        c.window = p.ParseRef("window (component name or \"caption\")");
    } else if (what == "text") {
        c.kind = Cond::Text;
        c.control = p.ParseControl();
        c.match = p.ParseMatch();
        c.text = p.String("text");
    } else if (what == "enabled" || what == "disabled" || what == "visible" || what == "hidden" || what == "checked" ||
               what == "unchecked" || what == "focused") {
        c.kind = what == "enabled"    ? Cond::Enabled
                 : what == "disabled" ? Cond::Disabled
                 : what == "visible"  ? Cond::Visible
                 : what == "hidden"   ? Cond::Hidden
                 : what == "checked"  ? Cond::Checked
                 : what == "focused"  ? Cond::Focused
                                      : Cond::Unchecked;
        c.control = p.ParseControl();
    } else if (what == "dialog") {
        c.window = p.ParseRef("dialog caption");
        const std::string part = p.Word("'text' or 'buttons'");
        if (part == "text") {
            c.kind = Cond::DialogText;
            c.match = p.ParseMatch();
            c.text = p.String("text");
        } else if (part == "buttons") {
            c.kind = Cond::DialogButtons;
            while (!p.AtEnd()) c.buttons.push_back(p.String("button caption"));
            if (c.buttons.empty()) p.Fail("missing button captions");
        } else {
            p.Fail("expected 'text' or 'buttons', got " + part);
        }
    } else {
        p.Fail("unknown condition '" + what +
               "' (window, gone, fills, centred, layout, unwrapped, text, enabled, disabled, visible, hidden, checked, "
               "unchecked, "
               "focused, dialog)");
    }
    return c;
}

// key <key or "text">... [on <control>]
void ParseKeys(LineParser& p, Step& s)
{
    s.op = Op::Key;
    while (!p.AtEnd() && !p.PeekWord("on")) {
        const Token& t = p.Next("key");
        if (t.quoted) {
            if (t.text.empty()) p.Fail("empty text to type");
            KeyChord typed;
            typed.text = t.text;
            s.keys.push_back(typed);
            continue;
        }
        const auto chord = ParseKeyChord(t.text);
        if (!chord)
            p.Fail("unknown key '" + t.text +
                   "' (Enter, Esc, Tab, Space, Backspace, Delete, Home, End, Up, Down, Left, Right, PageUp, "
                   "PageDown, F1..F12, A..Z, 0..9, with Shift+, Ctrl+, Alt+)");
        s.keys.push_back(*chord);
    }
    if (s.keys.empty()) p.Fail("missing key");
    if (p.PeekWord("on")) {
        p.Word("on");
        s.control = p.ParseControl();
        s.keyTarget = true;
    }
}

// set timeout|settle <seconds>
void ParseSetting(LineParser& p, Step& s)
{
    const std::string what = p.Word("'timeout' or 'settle'");
    if (what == "timeout")
        s.op = Op::SetTimeout;
    else if (what == "settle")
        s.op = Op::SetSettle;
    else
        p.Fail("unknown setting '" + what + "' (timeout, settle)");
    s.seconds = p.Seconds(p.Word("seconds"));
}

Step ParseStep(LineParser& p)
{
    Step s;
    s.timeout = p.TrailingTimeout();
    const std::string cmd = p.Word("command");
    if (cmd == "set") {
        ParseSetting(p, s);
    } else if (cmd == "within") {
        s.op = Op::Within;
        if (p.PeekWord("any"))
            p.Word("any");
        else
            s.window = p.ParseRef("window");
    } else if (cmd == "wait" || cmd == "assert") {
        s.op = cmd == "wait" ? Op::Wait : Op::Assert;
        s.cond = ParseCondition(p);
    } else if (cmd == "click") {
        s.op = Op::Click;
        s.control = p.ParseControl();
    } else if (cmd == "type" || cmd == "select") {
        s.op = cmd == "type" ? Op::Type : Op::Select;
        s.control = p.ParseControl();
        s.text = p.String(cmd == "type" ? "text to type" : "entry");
    } else if (cmd == "answer") {
        s.op = Op::Answer;
        s.window = p.ParseRef("dialog caption");
        s.text = p.String("button caption");
    } else if (cmd == "key") {
        ParseKeys(p, s);
    } else if (cmd == "close") {
        s.op = Op::Close;
        s.window = p.ParseRef("window");
    } else if (cmd == "sleep") {
        s.op = Op::Sleep;
        s.seconds = p.Seconds(p.Word("seconds"));
    } else if (cmd == "screenshot") {
        s.op = Op::Screenshot;
        const Token& t = p.Next("file name");
        s.text = t.text;
    } else if (cmd == "echo") {
        s.op = Op::Echo;
        s.text = p.String("text");
    } else if (cmd == "dump") {
        s.op = Op::Dump;
    } else {
        p.Fail("unknown command '" + cmd +
               "' (set, within, wait, assert, click, type, select, answer, key, close, sleep, screenshot, echo, "
               "dump)");
    }
    p.ExpectEnd();
    return s;
}

}  // namespace

std::string Ref::Describe() const { return kind == Name ? text : Quote(text); }

std::string ControlRef::Describe() const
{
    return window ? control.Describe() + " in " + window->Describe() : control.Describe();
}

std::string Condition::Describe() const
{
    const char* m = match == Match::Equals ? " equals " : " contains ";
    switch (kind) {
    case Cond::Window:
        return "window " + window.Describe();
    case Cond::Gone:
        return "gone " + window.Describe();
    case Cond::Fills:
        return window.Describe() + " fills the screen";
    case Cond::Centred:
        return window.Describe() + " centred on the screen";
    case Cond::Layout:
        return "layout of " + window.Describe() + " holds";
    case Cond::Unwrapped:
        return "no line of " + window.Describe() + " wrapped";
    case Cond::Text:
        return "text of " + control.Describe() + m + Quote(text);
    case Cond::Enabled:
        return control.Describe() + " enabled";
    case Cond::Disabled:
        return control.Describe() + " disabled";
    case Cond::Visible:
        return control.Describe() + " visible";
    case Cond::Hidden:
        return control.Describe() + " hidden";
    case Cond::Checked:
        return control.Describe() + " checked";
    case Cond::Unchecked:
        return control.Describe() + " unchecked";
    case Cond::Focused:
        return control.Describe() + " focused";
    case Cond::DialogText:
        return "text of dialog " + window.Describe() + m + Quote(text);
    case Cond::DialogButtons: {
        std::string s = "buttons of dialog " + window.Describe() + ":";
        for (const auto& b : buttons) {
            s += ' ';  // (not " " + Quote(b): g++ 12 -O2 warns falsely)
            s += Quote(b);
        }
        return s;
    }
    }
    return {};
}

std::vector<Step> ParseScenario(const std::string& text, const EnvLookup& env)
{
    std::vector<Step> steps;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        LineParser p(number, line, env);
        if (p.Empty()) continue;
        Step s = ParseStep(p);
        s.line = number;
        const auto first = line.find_first_not_of(" \t");
        s.source = line.substr(first, p.CodeEnd() == std::string::npos ? std::string::npos : p.CodeEnd() - first);
        while (!s.source.empty() && (s.source.back() == '\r' || s.source.back() == ' ' || s.source.back() == '\t'))
            s.source.pop_back();
        steps.push_back(std::move(s));
    }
    return steps;
}

namespace {

struct KeyName {
    const char* name;
    unsigned vk;
};

// Virtual-key codes of the platform (the parser builds on the host too).
const KeyName kKeyNames[] = {
    {"Enter", 0x0D},     {"Return", 0x0D}, {"Esc", 0x1B},    {"Escape", 0x1B}, {"Tab", 0x09},  {"Space", 0x20},
    {"Backspace", 0x08}, {"Delete", 0x2E}, {"Insert", 0x2D}, {"Home", 0x24},   {"End", 0x23},  {"PageUp", 0x21},
    {"PageDown", 0x22},  {"Left", 0x25},   {"Up", 0x26},     {"Right", 0x27},  {"Down", 0x28},
};

std::optional<unsigned> KeyCode(const std::string& name)
{
    for (const KeyName& k : kKeyNames)
        if (name == k.name) return k.vk;
    if (name.size() == 1 && name[0] >= 'A' && name[0] <= 'Z') return static_cast<unsigned>(name[0]);
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9') return static_cast<unsigned>(name[0]);
    if (name.size() >= 2 && name.size() <= 3 && name[0] == 'F') {
        const int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12 && std::to_string(n) == name.substr(1)) return 0x70u + static_cast<unsigned>(n - 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<KeyChord> ParseKeyChord(const std::string& word)
{
    KeyChord chord;
    std::string rest = word;
    for (size_t plus = rest.find('+'); plus != std::string::npos && plus + 1 < rest.size(); plus = rest.find('+')) {
        const std::string mod = rest.substr(0, plus);
        if (mod == "Shift")
            chord.shift = true;
        else if (mod == "Ctrl")
            chord.ctrl = true;
        else if (mod == "Alt")
            chord.alt = true;
        else
            return std::nullopt;
        rest = rest.substr(plus + 1);
    }
    const auto vk = KeyCode(rest);
    if (!vk) return std::nullopt;
    chord.vk = *vk;
    return chord;
}

std::string KeyChord::Describe() const
{
    if (!text.empty()) return Quote(text);
    std::string s = std::string(ctrl ? "Ctrl+" : "") + (alt ? "Alt+" : "") + (shift ? "Shift+" : "");
    for (const KeyName& k : kKeyNames)
        if (k.vk == vk) return s + k.name;
    if (vk >= 0x70 && vk <= 0x7B) return s + "F" + std::to_string(vk - 0x70 + 1);
    return s + static_cast<char>(vk);
}

std::string StripAccelerators(const std::string& caption)
{
    std::string out;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&') {
            if (i + 1 < caption.size() && caption[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

}  // namespace robot
