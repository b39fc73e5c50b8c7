#include "pages/prog_exec.h"

#include "engine/file_routines.h"
#include "engine/run_log.h"
#include "framework/properties.h"
#include "framework/win32/process.h"
#include "pages/message_page.h"

NIMBO_DEFINE_CLASS(TNimboProgExec, TNimboComponent, true,
                   p.Str("CommandLine", &TNimboProgExec::SetCommandLine)
                       .Str("ProgDir", &TNimboProgExec::SetProgDir)
                       .Str("ProgName", &TNimboProgExec::SetProgName)
                       .Bool("WaitForDone", &TNimboProgExec::SetWaitForDone)
                       .Enum("WindowState", &TNimboProgExec::SetWindowState, WindowStateNames())
                       .Ref("CheckPage", &TNimboProgExec::SetCheckPage))

void TNimboProgExec::SetCheckPage(TNimboMessage* page)
{
    checkPage_ = page;
    if (page) FreeNotification(page);
}

void TNimboProgExec::Notification(TComponent* component, TOperation operation)
{
    TNimboComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == checkPage_) checkPage_ = nullptr;
}

String TNimboProgExec::ProgramPath() const { return ResolveDirMacro(progDir_, controller_, script_) + progName_; }

String TNimboProgExec::ProgramCommandLine() const
{
    // A path with a blank is one argument only when quoted; the caller's
    // arguments go as given.
    const String program = ProgramPath();
    const bool quote = program.find(' ') != String::npos && program.front() != '"';
    return (quote ? "\"" + program + "\"" : program) + " " + commandLine_;
}

String TNimboProgExec::WorkingDir() const
{
    const String program = ProgramPath();
    const size_t p = program.find_last_of("\\:");
    return p == String::npos ? String() : program.substr(0, p + 1);
}

uint8_t TNimboProgExec::Execute()
{
    TNimboComponent::Execute();
    if (checkPage_ && !checkPage_->Checked()) {
        RunLog("Not started, as chosen: " + ProgramPath());
        return 1;
    }
    RunLog("Started: " + ProgramCommandLine());
    const WORD show = windowState_ == wsMaximized   ? SW_SHOWMAXIMIZED
                      : windowState_ == wsMinimized ? SW_SHOWMINIMIZED
                                                    : SW_SHOWNORMAL;
    // A bare program name has no directory of its own: it starts in ours.
    const TKernelHandle process =
        StartProcess(ProgramCommandLine(), show, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS, WorkingDir());
    if (!process) return 2;
    if (waitForDone_) WaitForProcessEnd(process.Get());
    return 1;
}
