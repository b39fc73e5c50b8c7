#include "pages/message_page.h"

#include <algorithm>

#include "engine/message_dialog.h"
#include "engine/message_ids.h"
#include "engine/nimbo_info.h"
#include "engine/run_switches.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"

const TEnumInfo& PageCheckNames()
{
    static const TEnumInfo i{{"pcNone", "pcDesktopIcons", "pcLaunch"}};
    return i;
}

NIMBO_DEFINE_CLASS(TNimboMessage, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboMessage)
                       .Enum("CheckBox", &TNimboMessage::SetCheckBox, PageCheckNames())
                       .Str("CheckCaption", &TNimboMessage::SetCheckCaption)
                       .Bool("Checked", &TNimboMessage::SetChecked)
                       .Enum("Alignment", &TNimboMessage::SetAlignment, AlignmentNames())
                       .Str("Caption", &TNimboMessage::SetCaption)
                       .Object("Font", &TNimboMessage::Font)
                       .Lines("Lines", &TNimboMessage::Lines))

TNimboMessage::TNimboMessage() = default;

void TNimboMessage::ShowPage()
{
    TNimboPage::ShowPage();
    TNimboPagesForm* f = NimboPagesForm;
    ShowCheckBox();
    TMemo* memo = f->meMSGIntent;
    memo->Lines()->SetText(PageText("Lines", lines_.Count() > 0 ? lines_.Text() : String()));
    memo->SetAlignment(alignment_);
    memo->Font()->Assign(&font_);
    // The font is in pixels of the host form's resource; the dialog may
    // be laid out for another density.
    const auto* host = dynamic_cast<const TForm*>(Owner());
    memo->Font()->SetHeight(
        ScaleLength(font_.Height(), f->PixelsPerInch(), host ? host->DesignPixelsPerInch() : kDesignPixelsPerInch));
    // Lines are as high as the font the memo shows them in (the page's own,
    // often larger than the dialog's): measured with another font, a long
    // text could run past the memo with no scroll bar to reach it.
    TMeasureDC measure(memo->Font());
    const int lineHeight = measure.Canvas().TextHeight("X");
    const int lineCount = memo->DisplayLineCount();
    if (memo->Height() < lineHeight * lineCount) {
        memo->SetScrollBars(ssVertical);
        memo->SetBorderStyle(bsSingleBorder);
    } else {
        memo->SetScrollBars(ssNone);
        memo->SetBorderStyle(bsNoBorder);
    }
    memo->SetEnabled(true);
    f->SetCaption(PageText("Caption", caption_));
    f->nbPage->SetPageIndex(wpMessage);
}

bool TNimboMessage::ShowsCheckBox() const
{
    return checkBox_ != pcNone && !(checkBox_ == pcDesktopIcons && RunSwitches().noIcons);
}

void TNimboMessage::ShowCheckBox()
{
    TCheckBox* box = NimboPagesForm->cbMSGCheck;
    if (!ShowsCheckBox()) {
        box->Hide();
        return;
    }
    String caption = checkCaption_;
    if (caption.empty() && controller_)
        caption = checkBox_ == pcLaunch
                      ? Format(NimboMessageText(controller_, msgLaunchProgram), controller_->AppName())
                      : NimboMessageText(controller_, msgDesktopIcons);
    box->SetCaption(caption);
    box->SetChecked(checked_);
    box->Show();
}

void TNimboMessage::KeepCheck()
{
    if (ShowsCheckBox()) checked_ = NimboPagesForm->cbMSGCheck->Checked();
    NimboPagesForm->cbMSGCheck->Hide();
}

void TNimboMessage::DoNext()
{
    KeepCheck();
    // An unattended run starts no program, whatever the box says.
    if (ShowsCheckBox() && !(checkBox_ == pcLaunch && Unattended())) {
        String caption = NimboPagesForm->cbMSGCheck->Caption();
        caption.erase(std::remove(caption.begin(), caption.end(), '&'), caption.end());
        RunLog("Check box: " + caption + (checked_ ? " -> ticked" : " -> not ticked"));
    }
    TNimboPage::DoNext();
}

void TNimboMessage::DoPrevious()
{
    KeepCheck();
    TNimboPage::DoPrevious();
}
