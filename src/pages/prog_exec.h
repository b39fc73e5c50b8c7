// Runs one program (a read-me viewer, say) from a directory named
// symbolically, and by default waits until it has ended.
#pragma once

#include "engine/nimbo_component.h"
#include "framework/win32/forms.h"

class TNimboMessage;

class TNimboProgExec : public TNimboComponent {
    NIMBO_CLASS()

public:
    TNimboProgExec() = default;
    // 1: started (and, with WaitForDone, ended); 2: it could not be started.
    uint8_t Execute() override;

    const String& CommandLine() const { return commandLine_; }
    void SetCommandLine(const String& v) { commandLine_ = v; }
    const String& ProgDir() const { return progDir_; }
    void SetProgDir(const String& v) { progDir_ = v; }
    const String& ProgName() const { return progName_; }
    void SetProgName(const String& v) { progName_ = v; }
    bool WaitForDone() const { return waitForDone_; }
    void SetWaitForDone(bool v) { waitForDone_ = v; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState v) { windowState_ = v; }
    // The page whose check box says whether to start it; none: always.
    void SetCheckPage(TNimboMessage* page);
    void Notification(TComponent* component, TOperation operation) override;

    // The command line and working directory Execute starts the program with.
    String ProgramCommandLine() const;
    String WorkingDir() const;

private:
    String ProgramPath() const;

    String commandLine_;
    String progDir_ = "(none)";
    String progName_;
    bool waitForDone_ = true;
    TWindowState windowState_ = wsNormal;
    TNimboMessage* checkPage_ = nullptr;
};
