// The host form: the configured setup whose components come from its form
// resource. Its background starts the run once it has been painted.
#pragma once

#include "engine/nimbo_info.h"
#include "framework/win32/extctrls.h"
#include "pages/choice.h"
#include "pages/dir_choice.h"
#include "pages/file_copy.h"
#include "pages/message_page.h"
#include "pages/prog_exec.h"
#include "pages/program_groups.h"
#include "pages/uninstall.h"
#include "ui/background.h"

class TNimboForm : public TForm {
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

    // Published handlers.
    void FormCreate(TObject* sender);
    // Offers the installed read-me file, then registers the uninstall.
    void suGroupsNextPage(TObject* sender);
    // The user confirmed the uninstall: the registration goes first.
    void suUnInstallCleanup(TObject* sender);
    // The third install type lets the user pick the options.
    void suInstallTypeNextPage(TObject* sender);
};
