#include "pages/register_suite.h"

#include "engine/machine_entries.h"
#include "engine/nimbo_info.h"
#include "engine/wizard/pages_form.h"
#include "pages/bde_install.h"
#include "pages/choice.h"
#include "pages/desktop_icons.h"
#include "pages/dir_choice.h"
#include "pages/file_copy.h"
#include "pages/language_page.h"
#include "pages/license_page.h"
#include "pages/message_page.h"
#include "pages/prog_exec.h"
#include "pages/program_groups.h"
#include "pages/uninstall.h"
#include "ui/background.h"
#include "framework/win32/progress_bar.h"

void RegisterSuiteClasses()
{
    // One class a line.
    // clang-format off
    const TClassInfo* const classes[] = {
        &TNimboInfo::StaticClass(),
        &TNimboEntries::StaticClass(),
        &TNimboMessage::StaticClass(),
        &TNimboDirChoice::StaticClass(),
        &TNimboCheckBoxChoice::StaticClass(),
        &TNimboRadioChoice::StaticClass(),
        &TNimboLanguage::StaticClass(),
        &TNimboFileCopy::StaticClass(),
        &TNimboGroups::StaticClass(),
        &TNimboProgExec::StaticClass(),
        &TNimboUnInstall::StaticClass(),
        &TNimboBDEInstall::StaticClass(),
        &TNimboLicense::StaticClass(),
        &TNimboDesktopIcons::StaticClass(),
        &TQuenProgressBar::StaticClass(),
        &TNimboBackground::StaticClass(),
    };
    // clang-format on
    for (const TClassInfo* c : classes) RegisterComponentClass(*c);
}
