#include "pages/license_page.h"

#include "engine/message_dialog.h"
#include "engine/message_ids.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboLicense, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboLicense).Lines("Lines", &TNimboLicense::Lines))

void TNimboLicense::ShowPage()
{
    TNimboPage::ShowPage();
    TNimboPagesForm* f = NimboPagesForm;
    f->SetCaption(NimboMessageText(controller_, msgLicenseCaption));
    f->meLICText->Lines()->Assign(lines_);
    f->rbLICAccept->SetCaption(NimboMessageText(controller_, msgLicenseAccept));
    f->rbLICDecline->SetCaption(NimboMessageText(controller_, msgLicenseDecline));
    f->rbLICAccept->OnClick = [this](TObject*) { Answer(true); };
    f->rbLICDecline->OnClick = [this](TObject*) { Answer(false); };
    if (Unattended() && !accepted_) {
        RunLog("License agreement accepted on the administrator's behalf: an unattended run.");
        accepted_ = true;
    }
    f->nbPage->SetPageIndex(wpLicense);
    Answer(accepted_);
    // The text first: the user reads before answering.
    f->SetActiveControl(f->meLICText);
}

void TNimboLicense::Answer(bool accepted)
{
    TNimboPagesForm* f = NimboPagesForm;
    accepted_ = accepted;
    f->rbLICAccept->SetChecked(accepted);
    f->rbLICDecline->SetChecked(!accepted);
    f->btnNext->SetEnabled(accepted && (buttons_ & NimboButton(btNext)));
}

void TNimboLicense::DoNext()
{
    if (!accepted_) return;
    if (!Unattended()) RunLog("License agreement accepted.");
    TNimboPage::DoNext();
}
