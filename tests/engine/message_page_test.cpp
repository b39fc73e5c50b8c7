// The message page: its text, caption, and when the text gets a scroll bar.
#include <gtest/gtest.h>

#include "page_fixture.h"
#include "pages/message_page.h"

namespace {

class MessagePage : public TPageFixture {
protected:
    void SetUp() override
    {
        TPageFixture::SetUp();
        page = Add<TNimboMessage>("suMessage");
    }
    void SetLines(int n)
    {
        TStringList l;
        for (int i = 0; i < n; ++i) l.Add("Line " + IntToStr(i + 1));
        page->SetLines(l);
    }
    struct Seen {
        bool scroll = false, border = false, enabled = false;
        int lines = -1;
        String caption = "?";
        int notebookPage = -1;
    };
    // Shows the page, records what the dialog shows, then leaves with Next.
    Seen ShowAndLeave()
    {
        Seen s;
        TGuiScript g;
        g.WaitForPage([this] { return page; })
            .Then([&] {
                TMemo* m = NimboPagesForm->meMSGIntent;
                s.scroll = m->HasVerticalScrollBar() && (GetWindowLongA(m->Handle(), GWL_STYLE) & WS_VSCROLL);
                s.border = m->HasBorder();
                s.enabled = IsWindowEnabled(m->Handle());
                s.lines = m->Lines()->Count();
                s.caption = NimboPagesForm->Caption();
                s.notebookPage = NimboPagesForm->nbPage->PageIndex();
                return true;
            })
            .ClickNext();
        page->Execute();
        return s;
    }
    // How many lines of the page's font fit the message area.
    int FittingLines()
    {
        if (!NimboPagesForm) NimboPagesForm = CreateNimboPagesForm();
        TMeasureDC measure(page->Font());
        const int lh = measure.Canvas().TextHeight("X");
        return NimboPagesForm->nbPage->ClientHeight() / lh;
    }
    TNimboMessage* page = nullptr;
};

TEST_F(MessagePage, AnEmptyTextHasNoScrollBarAndNoBorder)
{
    page->SetCaption("");
    const Seen s = ShowAndLeave();
    EXPECT_FALSE(s.scroll);
    EXPECT_FALSE(s.border);
    EXPECT_TRUE(s.enabled) << "enabled so the user can scroll";
    EXPECT_EQ(s.lines, 0);
    EXPECT_EQ(s.caption, "");
    EXPECT_EQ(s.notebookPage, 6);
}

TEST_F(MessagePage, ScrollBarOnlyWhenTheTextDoesNotFit)
{
    const int fit = FittingLines();
    ResetWizard();
    SetLines(fit);
    page->SetCaption("Welcome");
    Seen s = ShowAndLeave();
    EXPECT_FALSE(s.scroll) << fit << " lines fit";
    EXPECT_EQ(s.caption, "Welcome");
    ResetWizard();
    SetLines(fit + 1);
    s = ShowAndLeave();
    EXPECT_TRUE(s.scroll);
    EXPECT_TRUE(s.border);
}

TEST_F(MessagePage, ALongTextInALargeFontGetsItsScrollBar)
{
    // Lines that fit in the dialog's font run past the memo in a 20-pixel
    // font: the fit test measures with the font the memo shows.
    FittingLines();
    const int area = NimboPagesForm->nbPage->ClientHeight();
    const int fitInDialogFont = area / NimboPagesForm->Canvas().TextHeight("X");
    ResetWizard();
    TFont large;
    large.SetName("Arial");
    large.SetHeight(-20);
    TMeasureDC measure(&large);
    const int fitInLargeFont = area / measure.Canvas().TextHeight("X");
    ASSERT_LT(fitInLargeFont, fitInDialogFont);
    page->SetFont(&large);
    SetLines(fitInDialogFont);
    Seen s = ShowAndLeave();
    EXPECT_TRUE(s.scroll);
    EXPECT_TRUE(s.border);
    ResetWizard();
    SetLines(fitInLargeFont);
    EXPECT_FALSE(ShowAndLeave().scroll) << fitInLargeFont << " lines of 20 pixels fit";
}

TEST_F(MessagePage, ReenteringShowsTheSameTextWithoutDuplicates)
{
    auto* second = NewComponent<TNimboMessage>(form);
    page->SetNextPage(second);
    SetLines(3);
    int linesAgain = -1;
    TGuiScript g;
    g.WaitForPage([this] { return page; })
        .ClickNext()
        .WaitForPage([&] { return second; })
        .ClickPrev()
        .WaitForPage([this] { return page; })
        .Then([&] {
            linesAgain = NimboPagesForm->meMSGIntent->Lines()->Count();
            return true;
        })
        .ClickNext()
        .WaitForPage([&] { return second; })
        .ClickNext();
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_EQ(linesAgain, 3);
}

TEST_F(MessagePage, AssignedListsAndFontsAreCopies)
{
    TStringList lines{"a", "b"};
    page->SetLines(lines);
    lines.Add("c");
    EXPECT_EQ(page->Lines()->Count(), 2);
    TFont font;
    font.SetName("Courier New");
    page->SetFont(&font);
    font.SetName("Arial");
    EXPECT_EQ(page->Font()->Name(), "Courier New");
}

}  // namespace
