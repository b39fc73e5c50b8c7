#include "pages/register_suite.h"

#include "engine/nimbo_info.h"
#include "engine/wizard/pages_form.h"
#include "pages/bde_install.h"
#include "pages/dir_choice.h"
#include "pages/file_copy.h"
#include "pages/message_page.h"
#include "pages/prog_exec.h"
#include "pages/program_groups.h"
#include "ui/background.h"
#include "ui/progress_bar.h"

void RegisterSuiteClasses()
{
    for (const TClassInfo* c :
         {&TNimboInfo::StaticClass(), &TNimboMessage::StaticClass(), &TNimboDirChoice::StaticClass(),
          &TNimboFileCopy::StaticClass(), &TNimboGroups::StaticClass(), &TNimboProgExec::StaticClass(),
          &TQuenProgressBar::StaticClass(), &TNimboBackground::StaticClass()})
        RegisterComponentClass(*c);
    RegisterComponentClass(TNimboBDEInstall::StaticClass());
}
