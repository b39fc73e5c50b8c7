#include "engine/run_switches.h"

#include <cstdio>
#include <cstdlib>

#include "framework/win32/forms.h"

namespace {
bool gParsed = false;
TRunSwitches gSwitches;
int gExitCode = exitDone;

// "/NAME=value" (the value may be quoted): the value, or false.
bool SwitchValue(const String& arg, const char* name, String& value)
{
    const String prefix = String("/") + name + "=";
    if (arg.size() < prefix.size() || !SameText(arg.substr(0, prefix.size()), prefix)) return false;
    value = arg.substr(prefix.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    return true;
}

// A switch's value, given once: two of them would leave the run to guess
// which one was meant.
void TakeValue(TRunSwitches& s, const char* name, const char* what, const String& value, String& field)
{
    if (value.empty())
        s.error = String(name) + " needs " + what + ".";
    else if (!field.empty())
        s.error = String(name) + " is given twice.";
    field = value;
}

// /ALLUSERS or /CURRENTUSER, once: two would leave the scope to guess.
void TakeScope(TRunSwitches& s, TScopeSwitch scope)
{
    if (s.scope != TScopeSwitch::none) s.error = "/ALLUSERS and /CURRENTUSER: only one of them, once.";
    s.scope = scope;
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
}  // namespace

TRunSwitches ParseRunSwitches(const std::vector<String>& args)
{
    TRunSwitches s;
    for (size_t i = 0; i < args.size() && s.error.empty(); ++i) {
        const String& a = args[i];
        String value;
        if (i == 0 && SameText(a, "UNINSTALL")) {
            s.unInstall = true;
        } else if (SameText(a, "/SILENT")) {
            if (s.mode == TRunMode::interactive) s.mode = TRunMode::silent;
        } else if (SameText(a, "/VERYSILENT")) {
            s.mode = TRunMode::verySilent;
        } else if (SameText(a, "/ALLUSERS")) {
            TakeScope(s, TScopeSwitch::allUsers);
        } else if (SameText(a, "/CURRENTUSER")) {
            TakeScope(s, TScopeSwitch::currentUser);
        } else if (SameText(a, "/ALLOWDOWNGRADE")) {
            if (s.allowDowngrade) s.error = "/ALLOWDOWNGRADE is given twice.";
            s.allowDowngrade = true;
        } else if (a == "/?" || SameText(a, "/HELP")) {
            s.help = true;
        } else if (SwitchValue(a, "DIR", value)) {
            TakeValue(s, "/DIR", "a directory", value, s.dir);
        } else if (SwitchValue(a, "LANG", value)) {
            TakeValue(s, "/LANG", "a language name", value, s.lang);
        } else if (SwitchValue(a, "LOG", value)) {
            TakeValue(s, "/LOG", "a file name", value, s.log);
        } else {
            s.error = "Unknown argument: " + a;
        }
    }
    return s;
}

String RunSwitchesUsage()
{
    return "setup [UNINSTALL] [/SILENT | /VERYSILENT] [/ALLUSERS | /CURRENTUSER] [/DIR=\"path\"] [/LANG=name]\r\n"
           "      [/LOG=\"file\"] [/ALLOWDOWNGRADE]\r\n\r\n"
           "/SILENT\tno page waits: every page takes its default; the progress shows\r\n"
           "/VERYSILENT\tthe same without any window\r\n"
           "/ALLUSERS\tinstall for everybody on this computer (needs administrator rights)\r\n"
           "/CURRENTUSER\tinstall for you alone, without administrator rights\r\n"
           "/DIR=\tthe destination directory\r\n"
           "/LANG=\tthe language (English, Fran\xE7"
           "ais, Deutsch, ...)\r\n"
           "/LOG=\ta plain-text record of every step, question and error\r\n"
           "/ALLOWDOWNGRADE\tlet this version replace a newer one that is installed\r\n\r\n"
           "Exit codes: 0 done, 1 bad command line, 2 cancelled by the user, 3 failed,\r\n"
           "4 another setup of this program is running, 5 not enough disk space,\r\n"
           "6 done, but the computer must restart to finish, 7 a newer version is installed.";
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

int RunExitCode() { return gExitCode; }

void SetRunExitCode(int code)
{
    if (gExitCode == exitDone) gExitCode = code;
}

void ResetRunExitCode() { gExitCode = exitDone; }

bool PrepareRunLog()
{
    RunSwitches();
    TRunSwitches& s = gSwitches;
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
    return true;
}

String ForwardedSwitches()
{
    const TRunSwitches& s = RunSwitches();
    String out = s.mode == TRunMode::verySilent ? "/VERYSILENT" : s.mode == TRunMode::silent ? "/SILENT" : "";
    auto add = [&out](const char* name, const String& value) {
        if (value.empty()) return;
        if (!out.empty()) out += " ";
        out += QuotedArgument(String("/") + name + "=" + value);
    };
    if (s.scope != TScopeSwitch::none)
        out += String(out.empty() ? "" : " ") + (s.scope == TScopeSwitch::allUsers ? "/ALLUSERS" : "/CURRENTUSER");
    add("DIR", s.dir);
    add("LANG", s.lang);
    add("LOG", s.log);
    if (s.allowDowngrade) out += String(out.empty() ? "" : " ") + "/ALLOWDOWNGRADE";
    return out;
}

void SetForwardedScope(TScopeSwitch scope)
{
    RunSwitches();
    gSwitches.scope = scope;
}

void RunLog(const String& line)
{
    const String& file = RunSwitches().log;
    if (file.empty()) return;
    if (FILE* f = std::fopen(file.c_str(), "ab")) {
        std::fwrite(line.data(), 1, line.size(), f);
        std::fwrite("\r\n", 1, 2, f);
        std::fclose(f);
    }
}

int UnattendedAnswer(const String& text, unsigned buttons, bool hostQuestion)
{
    if (!Unattended()) return 0;
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
