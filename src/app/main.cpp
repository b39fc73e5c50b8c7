// The setup program: the application object, the host form from its
// resource, and the message loop.
#include "app/nimbo_form.h"
#include "engine/nimbo_info.h"
#include "pages/register_suite.h"
#include "framework/win32/register.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    InitializeApplication();
    RegisterSuiteClasses();
    Application->SetTitle("Corvaen Linker");
    try {
        CreateForm<TNimboForm>();
    } catch (const std::exception& e) {
        // A failure while the form is created ends the program.
        Application->HandleException(e);
        FinalizeApplication();
        return 1;
    }
    Application->Run();
    // End-of-run work that can fail (the install log) runs before anything
    // is destroyed; its error is reported and the process still ends.
    NimboEndOfRun();
    const int exitCode = Application->ExitCode();
    FinalizeApplication();
    return exitCode;
}
