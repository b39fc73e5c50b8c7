// The setup program: the application object, the host form from its
// resource, and the message loop. The exit code says how the run went
// (see the usage text of /?).
#include "app/nimbo_form.h"
#include "engine/message_dialog.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "framework/win32/register.h"
#include "pages/register_suite.h"

namespace {
// In the suite's own message box, which is as wide as the text's widest
// line: the system's wraps at a width of its own, inside a switch.
void ShowUsage(const TRunSwitches& switches)
{
    InitializeApplication();
    Application->SetTitle("Setup");
    const String text = switches.help ? RunSwitchesUsage() : switches.error + "\r\n\r\n" + RunSwitchesUsage();
    ShowMessageDialog(nullptr, text, switches.help ? mtInformation : mtError, NimboDialogButton(mbOK));
    FinalizeApplication();
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TRunSwitches& switches = RunSwitches();
    // Nothing may wait for a person in an unattended run, nor a box show
    // where the command line asked for none.
    const bool quiet = FixedAnswers();
    // A record that was asked for and cannot be written: nothing is done.
    // (A bad command line still says why in a log it can write.)
    if (!PrepareRunLog()) {
        if (!quiet)
            MessageBoxA(nullptr, ("Unable to write the log file " + switches.log + ".").c_str(), "Setup", MB_ICONERROR);
        return exitBadCommandLine;
    }
    if (switches.help || !switches.error.empty()) {
        RunLog(switches.help ? "Usage shown." : "Bad command line: " + switches.error);
        if (!quiet) ShowUsage(switches);
        if (!switches.help) SetRunExitCode(exitBadCommandLine);
        return FinalExitCode();
    }
    InitializeApplication();
    RegisterSuiteClasses();
    Application->SetTitle("Corvaen Linker");
    Application->SetWindowsHidden(switches.mode == TRunMode::verySilent);
    if (quiet) {
        Application->OnQuestion = [](const String& text, unsigned buttons) {
            return UnattendedAnswer(text, buttons, true);
        };
        // An error nobody can read ends the run with its code, logged.
        Application->OnException = [](const String& message) {
            RunLog("Error: " + message);
            SetRunExitCode(exitFailed);
        };
    }
    try {
        CreateForm<TNimboForm>();
    } catch (const std::exception& e) {
        // A failure while the form is created ends the program.
        SetRunExitCode(exitFailed);
        Application->HandleException(e);
        FinalizeApplication();
        return FinalExitCode();
    }
    Application->Run();
    // End-of-run work that can fail (the install log) runs before anything
    // is destroyed; its error is reported and the process still ends.
    NimboEndOfRun();
    FinalizeApplication();
    return FinalExitCode();
}
