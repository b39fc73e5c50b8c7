// The host form: the configured setup whose components come from its form
// resource. Its background starts the run once it has been painted.
#pragma once

#include "engine/nimbo_info.h"
#include "framework/win32/extctrls.h"
#include "pages/dir_choice.h"
#include "pages/file_copy.h"
#include "pages/message_page.h"
#include "pages/prog_exec.h"
#include "pages/program_groups.h"
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
    TNimboBackground* NimboBackground1 = nullptr;

    // Published handlers.
    void FormCreate(TObject* sender);
    // Offers the installed read-me file.
    void suGroupsNextPage(TObject* sender);
};
