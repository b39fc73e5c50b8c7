// The setup program: the application object, the host form from its
// resource, and the message loop. The exit code says how the run went
// (see the usage text of /?).
#include "app/nimbo_form.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "framework/win32/register.h"
#include "pages/register_suite.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const TRunSwitches& switches = RunSwitches();
    // Nothing may wait for a person in an unattended run.
    const bool quiet = switches.mode != TRunMode::interactive;
    if (switches.help || !switches.error.empty()) {
        RunLog(switches.help ? "Usage shown." : "Bad command line: " + switches.error);
        if (!quiet) {
            const String text = switches.help ? RunSwitchesUsage() : switches.error + "\r\n\r\n" + RunSwitchesUsage();
            MessageBoxA(nullptr, text.c_str(), "Setup", switches.help ? MB_ICONINFORMATION : MB_ICONERROR);
        }
        return switches.help ? exitDone : exitBadCommandLine;
    }
    // A record that was asked for and cannot be written: nothing is done.
    if (!PrepareRunLog()) {
        if (!quiet)
            MessageBoxA(nullptr, ("Unable to write the log file " + switches.log + ".").c_str(), "Setup", MB_ICONERROR);
        return exitBadCommandLine;
    }
    InitializeApplication();
    RegisterSuiteClasses();
    Application->SetTitle("Corvaen Linker");
    if (Unattended()) {
        Application->SetWindowsHidden(switches.mode == TRunMode::verySilent);
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
        return RunExitCode();
    }
    Application->Run();
    // End-of-run work that can fail (the install log) runs before anything
    // is destroyed; its error is reported and the process still ends.
    NimboEndOfRun();
    FinalizeApplication();
    return RunExitCode();
}
