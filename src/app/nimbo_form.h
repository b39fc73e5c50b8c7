// The host form: the configured setup whose components come from its form
// resource. Its background starts the run once it has been painted.
#pragma once

#include "engine/nimbo_info.h"
#include "framework/win32/extctrls.h"
#include "pages/choice.h"
#include "pages/desktop_icons.h"
#include "pages/dir_choice.h"
#include "pages/file_copy.h"
#include "pages/message_page.h"
#include "pages/prog_exec.h"
#include "pages/program_groups.h"
#include "pages/uninstall.h"
#include "ui/background.h"

class TNimboForm : public TForm, public INimboProductHost {
    NIMBO_CLASS()

public:
    TNimboForm() = default;
    void Loaded() override;

    TNimboInfo* suInfo = nullptr;
    TNimboDirChoice* suDir = nullptr;
    TNimboMessage* suWelcome = nullptr;
    TNimboMessage* suPreFileCopy = nullptr;
    TNimboFileCopy* suCopy = nullptr;
    TNimboGroups* suGroups = nullptr;
    TNimboProgExec* suProg = nullptr;
    TNimboUnInstall* suUnInstall = nullptr;
    TNimboBackground* NimboBackground1 = nullptr;
    TNimboRadioChoice* suInstallType = nullptr;
    TNimboCheckBoxChoice* suOptions = nullptr;

    // What ends the install, as data so a form made from an author's script
    // registers and offers its own: the name of the uninstall registration
    // (the application's name when empty), the read-me below the
    // destination offered at the end (none when empty) and a program run
    // after the install.
    const String& UnInstallName() const { return unInstallName_; }
    void SetUnInstallName(const String& v) { unInstallName_ = v; }
    const String& ReadMe() const { return readMe_; }
    void SetReadMe(const String& v) { readMe_ = v; }
    TNimboProgExec* RunAfter() const { return runAfter_; }
    void SetRunAfter(TNimboProgExec* v) { runAfter_ = v; }
    // The desktop icons made when the install ends, before its registration.
    void SetDesktopIcons(TNimboDesktopIcons* v) { desktopIcons_ = v; }

    // Published handlers.
    void FormCreate(TObject* sender);
    // Offers the installed read-me file, then registers the uninstall.
    void suGroupsNextPage(TObject* sender);
    // The same on whichever page ends the install, and the program to run after it.
    void FinishNextPage(TObject* sender);
    // The user confirmed the uninstall: the registration goes first.
    void suUnInstallCleanup(TObject* sender);
    // The third install type lets the user pick the options.
    void suInstallTypeNextPage(TObject* sender);

private:
    void Notification(TComponent* component, TOperation operation) override;
    String RegistrationName() const override;

    String unInstallName_;
    String readMe_;
    TNimboProgExec* runAfter_ = nullptr;
    TNimboDesktopIcons* desktopIcons_ = nullptr;
};
