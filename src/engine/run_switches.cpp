#include "engine/run_switches.h"

#include <cstdio>
#include <cstdlib>
#include <set>

#include "framework/win32/forms.h"

namespace {
bool gParsed = false;
TRunSwitches gSwitches;
int gExitCode = exitDone;
bool gEndLogged = false;

// The first thing wrong is the one reported.
void Refuse(TRunSwitches& s, const String& why)
{
    if (s.error.empty()) s.error = why;
}

// An argument as it may be shown: a control character would start a line
// of its own in the log or the box.
String Shown(const String& arg)
{
    String out = arg.substr(0, 200);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 32) c = '?';
    return out + (arg.size() > 200 ? "..." : "");
}

// The switches that are on or off.
struct TFlagSwitch {
    const char* name;
    bool TRunSwitches::*field;
};
const TFlagSwitch kFlagSwitches[] = {
    {"ALLOWDOWNGRADE", &TRunSwitches::allowDowngrade},
    {"SUPPRESSMSGBOXES", &TRunSwitches::suppressMsgBoxes},
    {"NORESTART", &TRunSwitches::noRestart},
    {"NOCANCEL", &TRunSwitches::noCancel},
    {"NOICONS", &TRunSwitches::noIcons},
};

// The switches that take a value; a list may be empty (it then names
// nothing), other values may not.
struct TValueSwitch {
    const char* name;
    const char* what;
    String TRunSwitches::*field;
    bool TRunSwitches::*given;  // a list's: whether it was given at all
};
const TValueSwitch kValueSwitches[] = {
    {"DIR", "a directory", &TRunSwitches::dir, nullptr},
    {"LANG", "a language name", &TRunSwitches::lang, nullptr},
    {"LOG", "a file name", &TRunSwitches::log, nullptr},
    {"GROUP", "a program group's name", &TRunSwitches::group, nullptr},
    {"TYPE", "an install type's name", &TRunSwitches::type, nullptr},
    {"OPTIONS", "option names", &TRunSwitches::options, &TRunSwitches::optionsGiven},
    {"COMPONENTS", "option names", &TRunSwitches::options, &TRunSwitches::optionsGiven},
    {"TASKS", "task names", &TRunSwitches::tasks, &TRunSwitches::tasksGiven},
};

// One switch, split: its name after '/' or '-', and its value after '='.
struct TSwitchArg {
    String name, value;
    bool hasValue = false;
};

bool SplitSwitch(const String& arg, TSwitchArg& out)
{
    if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return false;
    const size_t eq = arg.find('=');
    out.name = arg.substr(1, eq == String::npos ? String::npos : eq - 1);
    out.hasValue = eq != String::npos;
    out.value = out.hasValue ? arg.substr(eq + 1) : String();
    if (out.value.size() >= 2 && out.value.front() == '"' && out.value.back() == '"')
        out.value = out.value.substr(1, out.value.size() - 2);
    return true;
}

// A value given once: two would leave the run to guess which one was meant.
void TakeValue(TRunSwitches& s, const TValueSwitch& v, const TSwitchArg& a, std::set<const void*>& given)
{
    const String name = String("/") + v.name;
    if (!given.insert(&(s.*v.field)).second) Refuse(s, name + " is given twice.");
    if (a.value.empty() && !v.given) Refuse(s, name + " needs " + v.what + ".");
    for (char c : a.value)
        if (static_cast<unsigned char>(c) < 32) Refuse(s, name + " holds a control character.");
    s.*v.field = a.value;
    if (v.given) s.*v.given = true;
}

// /RESTARTEXITCODE=N: a decimal number a process can end with.
void TakeRestartCode(TRunSwitches& s, const TSwitchArg& a, std::set<const void*>& given)
{
    if (!given.insert(&s.restartExitCode).second) Refuse(s, "/RESTARTEXITCODE is given twice.");
    const bool digits =
        !a.value.empty() && a.value.size() <= 9 && a.value.find_first_not_of("0123456789") == String::npos;
    if (!digits)
        return Refuse(s, "/RESTARTEXITCODE needs a number from 0 to 999999999, not \"" + Shown(a.value) + "\".");
    s.restartExitCode = std::atoi(a.value.c_str());
}

// /ALLUSERS or /CURRENTUSER, once: two would leave the scope to guess.
void TakeScope(TRunSwitches& s, TScopeSwitch scope)
{
    if (s.scope != TScopeSwitch::none) Refuse(s, "/ALLUSERS and /CURRENTUSER: only one of them, once.");
    s.scope = scope;
}

// One switch; false when it is none of ours.
bool TakeSwitch(TRunSwitches& s, const TSwitchArg& a, std::set<const void*>& given)
{
    const String& n = a.name;
    const String shown = "/" + UpperCase(Shown(n));
    if (a.hasValue && (SameText(n, "SILENT") || SameText(n, "VERYSILENT") || SameText(n, "ALLUSERS") ||
                       SameText(n, "CURRENTUSER") || n == "?" || SameText(n, "HELP")))
        Refuse(s, shown + " takes no value.");
    if (SameText(n, "VERYSILENT")) {
        s.mode = TRunMode::verySilent;
    } else if (SameText(n, "SILENT")) {
        if (s.mode == TRunMode::interactive) s.mode = TRunMode::silent;
    } else if (SameText(n, "ALLUSERS") || SameText(n, "CURRENTUSER")) {
        TakeScope(s, SameText(n, "ALLUSERS") ? TScopeSwitch::allUsers : TScopeSwitch::currentUser);
    } else if (n == "?" || SameText(n, "HELP")) {
        s.help = true;
    } else if (SameText(n, "RESTARTEXITCODE")) {
        TakeRestartCode(s, a, given);
    } else if (SameText(n, "LOG") && !a.hasValue) {
        if (!given.insert(&s.log).second) Refuse(s, "/LOG is given twice.");
        s.logDefault = true;
    } else {
        for (const TFlagSwitch& f : kFlagSwitches)
            if (SameText(n, f.name)) {
                if (a.hasValue) Refuse(s, shown + " takes no value.");
                if (s.*f.field) Refuse(s, shown + " is given twice.");
                s.*f.field = true;
                return true;
            }
        for (const TValueSwitch& v : kValueSwitches)
            if (SameText(n, v.name)) {
                if (!a.hasValue) Refuse(s, shown + " needs " + v.what + " after '='.");
                TakeValue(s, v, a, given);
                return true;
            }
        return false;
    }
    return true;
}

// One argument as the C runtime reads it back: quoted when it holds a
// blank, backslashes before the closing quote doubled.
String QuotedArgument(const String& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == String::npos) return arg;
    String out = "\"";
    size_t slashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
        slashes = 0;
        out += c;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}
std::vector<String> ProcessArguments()
{
    std::vector<String> args;
    for (int i = 1; i < __argc; ++i) args.push_back(__argv[i] ? __argv[i] : "");
    return args;
}

// The usage text: the synopsis, whose bracketed pieces never break, then
// each switch with what it does, then the exit codes.
const char* const kSynopsis[] = {"setup",
                                 "[UNINSTALL]",
                                 "[/SILENT | /VERYSILENT]",
                                 "[/SUPPRESSMSGBOXES]",
                                 "[/NOCANCEL]",
                                 "[/NORESTART]",
                                 "[/RESTARTEXITCODE=N]",
                                 "[/ALLUSERS | /CURRENTUSER]",
                                 "[/DIR=\"path\"]",
                                 "[/GROUP=\"name\"]",
                                 "[/NOICONS]",
                                 "[/TYPE=name]",
                                 "[/OPTIONS=a,b]",
                                 "[/TASKS=]",
                                 "[/LANG=name]",
                                 "[/LOG[=\"file\"]]",
                                 "[/ALLOWDOWNGRADE]"};
struct TUsageEntry {
    const char* name;
    const char* text;
};
const TUsageEntry kUsage[] = {
    {"/SILENT", "no page waits: every page takes its default; the progress shows"},
    {"/VERYSILENT", "the same without any window"},
    {"/SUPPRESSMSGBOXES", "every question gets its fixed answer, as in a very silent run"},
    {"/NOCANCEL", "no Cancel button"},
    {"/NORESTART", "never restart the computer (this setup never does); the exit code still says when it must"},
    {"/RESTARTEXITCODE=N", "end with N instead of 6 when the computer must restart to finish"},
    {"/ALLUSERS", "install for everybody on this computer (needs administrator rights)"},
    {"/CURRENTUSER", "install for you alone, without administrator rights"},
    {"/DIR=", "the destination directory, a full path"},
    {"/GROUP=", "the program group's name"},
    {"/NOICONS", "no program group and no desktop icons"},
    {"/TYPE=", "the install type, by its name"},
    {"/OPTIONS=", "the options, by their names with commas between, none when empty (also /COMPONENTS=)"},
    {"/TASKS=", "optional actions by their names; a setup has none yet, so only an empty list"},
    {"/LANG=", "the language (English, Fran\xE7"
               "ais, Deutsch, ...)"},
    {"/LOG=", "a plain-text record of every step, question and error; /LOG alone writes one to the temporary "
              "folder"},
    {"/ALLOWDOWNGRADE", "let this version replace a newer one that is installed"},
};
const char* const kExitMeanings[] = {"done",
                                     "bad command line",
                                     "cancelled by the user",
                                     "failed",
                                     "another setup of this program is running",
                                     "not enough disk space",
                                     "done, but the computer must restart to finish",
                                     "a newer version is installed",
                                     "the program to be updated is running",
                                     "Windows is older than this setup needs"};
constexpr int kExitCodes = static_cast<int>(sizeof kExitMeanings / sizeof kExitMeanings[0]);

std::vector<String> Words(const String& text)
{
    std::vector<String> words;
    for (size_t b = 0, e; b < text.size(); b = e + 1) {
        e = text.find(' ', b);
        if (e == String::npos) e = text.size();
        if (e > b) words.push_back(text.substr(b, e - b));
    }
    return words;
}

// The words after `lead`, a blank between them, in lines of at most
// `width` characters (a longer word alone on its line); each line after
// the first starts with `indent` blanks.
String Filled(const String& lead, const std::vector<String>& words, size_t width, size_t indent)
{
    String out, line = lead;
    bool bare = lead.empty();  // nothing on the line yet to put a blank after
    for (const String& w : words) {
        if (!bare && line.size() + 1 + w.size() > width) {
            out += line + "\r\n";
            line.assign(indent, ' ');
            bare = true;
        }
        line += (bare ? "" : " ") + w;
        bare = false;
    }
    return out + line + "\r\n";
}
}  // namespace

TRunSwitches ParseRunSwitches(const std::vector<String>& args)
{
    TRunSwitches s;
    std::set<const void*> given;
    // Every argument is read, so that a /LOG after a wrong one still gets
    // the reason.
    for (size_t i = 0; i < args.size(); ++i) {
        TSwitchArg a;
        if (i == 0 && SameText(args[i], "UNINSTALL")) {
            s.unInstall = true;
        } else if (!SplitSwitch(args[i], a) || !TakeSwitch(s, a, given)) {
            Refuse(s, "Unknown argument: " + Shown(args[i]));
        }
    }
    return s;
}

std::vector<String> SwitchNames(const String& list)
{
    std::vector<String> names;
    if (list.find_first_not_of(' ') == String::npos) return names;
    for (size_t b = 0, e; b <= list.size(); b = e + 1) {
        e = list.find(',', b);
        if (e == String::npos) e = list.size();
        String name = list.substr(b, e - b);
        const size_t first = name.find_first_not_of(' ');
        name = first == String::npos ? String() : name.substr(first, name.find_last_not_of(' ') - first + 1);
        names.push_back(name);
    }
    return names;
}

String RunSwitchesUsage(size_t width)
{
    std::vector<String> synopsis(std::begin(kSynopsis) + 1, std::end(kSynopsis));
    String text = Filled(kSynopsis[0], synopsis, width, 6) + "\r\n";
    for (const TUsageEntry& e : kUsage) text += Filled(String(e.name) + " ", Words(e.text), width, 4);
    std::vector<String> codes;
    for (int code = 0; code < kExitCodes; ++code) {
        const std::vector<String> words =
            Words(IntToStr(code) + " " + kExitMeanings[code] + (code < kExitCodes - 1 ? "," : "."));
        codes.insert(codes.end(), words.begin(), words.end());
    }
    text += "\r\n" + Filled("Exit codes:", codes, width, 0);
    return text.substr(0, text.size() - 2);
}

String ExitCodeMeaning(int code)
{
    if (code >= 0 && code < kExitCodes) return kExitMeanings[code];
    return "unknown";
}

const TRunSwitches& RunSwitches()
{
    if (!gParsed) {
        gSwitches = ParseRunSwitches(ProcessArguments());
        gParsed = true;
    }
    return gSwitches;
}

void SetRunSwitches(const TRunSwitches& switches)
{
    gSwitches = switches;
    gParsed = true;
}

bool Unattended() { return RunSwitches().mode != TRunMode::interactive; }

bool FixedAnswers() { return Unattended() || RunSwitches().suppressMsgBoxes; }

int RunExitCode() { return gExitCode; }

void SetRunExitCode(int code)
{
    if (gExitCode == exitDone) gExitCode = code;
}

void ResetRunExitCode() { gExitCode = exitDone; }

int FinalExitCode()
{
    const int code = gExitCode == exitRestartNeeded ? RunSwitches().restartExitCode : gExitCode;
    if (!gEndLogged) {
        gEndLogged = true;
        const String asked = code != gExitCode ? " (/RESTARTEXITCODE)" : "";
        RunLog("Exit code " + IntToStr(code) + asked + ": " + ExitCodeMeaning(gExitCode) + ".");
    }
    return code;
}

bool PrepareRunLog()
{
    RunSwitches();
    TRunSwitches& s = gSwitches;
    if (s.logDefault && s.log.empty()) s.log = DefaultRunLogName();
    if (s.log.empty()) return true;
    // The run changes its current directory (and the uninstall runs from a
    // copy elsewhere): a relative name is fixed to where it was given.
    char full[MAX_PATH];
    const DWORD n = GetFullPathNameA(s.log.c_str(), MAX_PATH, full, nullptr);
    if (n == 0 || n >= MAX_PATH) return false;
    s.log.assign(full, n);
    FILE* f = std::fopen(s.log.c_str(), "ab");
    if (!f) return false;
    std::fclose(f);
    BeginRunLogSection();
    return true;
}

String ForwardedSwitches()
{
    const TRunSwitches& s = RunSwitches();
    String out;
    auto add = [&out](const String& arg) { out += (out.empty() ? "" : " ") + QuotedArgument(arg); };
    auto value = [&add](const char* name, const String& v, bool given) {
        if (given) add(String("/") + name + "=" + v);
    };
    if (s.mode != TRunMode::interactive) add(s.mode == TRunMode::verySilent ? "/VERYSILENT" : "/SILENT");
    if (s.scope != TScopeSwitch::none) add(s.scope == TScopeSwitch::allUsers ? "/ALLUSERS" : "/CURRENTUSER");
    value("DIR", s.dir, !s.dir.empty());
    value("LANG", s.lang, !s.lang.empty());
    // Its full name by now: the copy writes on in the same file.
    value("LOG", s.log, !s.log.empty());
    for (const TFlagSwitch& f : kFlagSwitches)
        if (s.*f.field) add(String("/") + f.name);
    value("RESTARTEXITCODE", IntToStr(s.restartExitCode), s.restartExitCode != exitRestartNeeded);
    value("GROUP", s.group, !s.group.empty());
    value("TYPE", s.type, !s.type.empty());
    value("OPTIONS", s.options, s.optionsGiven);
    value("TASKS", s.tasks, s.tasksGiven);
    return out;
}

void SetForwardedScope(TScopeSwitch scope)
{
    RunSwitches();
    gSwitches.scope = scope;
}

int UnattendedAnswer(const String& text, unsigned buttons, bool hostQuestion)
{
    if (!FixedAnswers()) return 0;
    static const TMsgDlgBtn suite[] = {mbAbort, mbYes, mbCancel, mbOK, mbNo, mbIgnore, mbRetry, mbAll};
    static const TMsgDlgBtn host[] = {mbNo, mbOK, mbCancel, mbAbort, mbYes, mbIgnore, mbRetry, mbAll};
    static const int results[] = {mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, mrIgnore, mrAll, mrNone};
    static const char* const names[] = {"Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore", "All", "Help"};
    for (TMsgDlgBtn b : hostQuestion ? host : suite)
        if (buttons & (1u << b)) {
            String oneLine = text;
            for (char& c : oneLine)
                if (c == '\r' || c == '\n') c = ' ';
            RunLog("Question: " + oneLine + " -> " + names[b]);
            return results[b];
        }
    return mrCancel;
}
