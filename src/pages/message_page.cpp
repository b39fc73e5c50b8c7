#include "pages/message_page.h"

#include "engine/wizard/pages_form.h"
#include "framework/properties.h"

NIMBO_DEFINE_CLASS(TNimboMessage, TNimboPage, true,
                   NIMBO_PAGE_PROPS(TNimboMessage)
                       .Enum("Alignment", &TNimboMessage::SetAlignment, AlignmentNames())
                       .Str("Caption", &TNimboMessage::SetCaption)
                       .Object("Font", &TNimboMessage::Font)
                       .Lines("Lines", &TNimboMessage::Lines))

TNimboMessage::TNimboMessage() = default;

void TNimboMessage::ShowPage()
{
    TNimboPage::ShowPage();
    TNimboPagesForm* f = NimboPagesForm;
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
