#include "pages/register_suite.h"

#include "engine/nimbo_info.h"
#include "engine/wizard/pages_form.h"
#include "pages/choice.h"
#include "pages/dir_choice.h"
#include "pages/file_copy.h"
#include "pages/language_page.h"
#include "pages/message_page.h"
#include "ui/background.h"
#include "ui/progress_bar.h"

void RegisterSuiteClasses()
{
    for (const TClassInfo* c : {&TNimboInfo::StaticClass(), &TNimboMessage::StaticClass(),
                                &TNimboDirChoice::StaticClass(), &TNimboFileCopy::StaticClass(), &TQuenProgressBar::StaticClass(),
                                &TNimboBackground::StaticClass()})
        RegisterComponentClass(*c);
    for (const TClassInfo* c :
         {&TNimboCheckBoxChoice::StaticClass(), &TNimboRadioChoice::StaticClass(), &TNimboLanguage::StaticClass()})
        RegisterComponentClass(*c);
}
