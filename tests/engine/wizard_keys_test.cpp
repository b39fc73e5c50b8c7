// The wizard dialog with the keyboard alone: real key presses through the
// platform's input injection, while the page chain runs for real.
#include <gtest/gtest.h>

#include "page_fixture.h"
#include "pages/message_page.h"

namespace {

class WizardKeys : public TPageFixture {
protected:
    void SetUp() override
    {
        TPageFixture::SetUp();
        for (int i = 0; i < 3; ++i) {
            auto* p = Add<TNimboMessage>("p" + IntToStr(i + 1));
            p->SetCaption("Page " + IntToStr(i + 1));
            p->SetLines(TStringList{"Text of page " + IntToStr(i + 1)});
            pages.push_back(p);
        }
        Chain({pages[0], pages[1], pages[2]});
    }
    static TWinControl* Next() { return NimboPagesForm ? NimboPagesForm->btnNext : nullptr; }
    static TWinControl* Cancel() { return NimboPagesForm ? NimboPagesForm->btnCancel : nullptr; }
    static TWinControl* Memo() { return NimboPagesForm ? NimboPagesForm->meMSGIntent : nullptr; }
    static HWND Confirmation() { return FindTopWindow("Confirmation"); }
    TGuiScript& OnPage(TGuiScript& g, int i)
    {
        return g.WaitForPage([this, i] { return pages[static_cast<size_t>(i)]; });
    }
    // Waits until the focus is on the control.
    static TGuiScript& Focus(TGuiScript& g, std::function<TWinControl*()> c)
    {
        return g.Then([c] { return c() && c()->HandleAllocated() && GetFocus() == c()->Handle(); });
    }
    static TGuiScript& Pause(TGuiScript& g, DWORD ms)
    {
        auto start = std::make_shared<DWORD>(0);
        return g.Then([start, ms] {
            if (!*start) *start = GetTickCount();
            return GetTickCount() - *start >= ms;
        });
    }
    std::vector<TNimboMessage*> pages;
};

TEST_F(WizardKeys, EnterPressesNextAndTheUnderlinedLetterPressesItsButton)
{
    TGuiScript g;
    OnPage(g, 0).Key(Next, Chord(VK_RETURN));
    OnPage(g, 1).Key(Next, Chord('P', false, true));
    OnPage(g, 0).Key(Next, Chord('N', false, true));
    OnPage(g, 1).Key(Next, Chord(VK_RETURN));
    OnPage(g, 2).Key(Next, Chord(VK_RETURN));
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
}

TEST_F(WizardKeys, EscAsksFirstAndTheQuestionIsAnsweredByKey)
{
    int asked = 0;
    TGuiScript g;
    OnPage(g, 0).Key(Next, Chord(VK_RETURN));
    OnPage(g, 1).Key(Next, Chord(VK_ESCAPE));
    g.Then([&] { return Confirmation() && ++asked; }).Key(Confirmation, Chord('N'));
    // No keeps the page; Esc on the question is No too.
    OnPage(g, 1).Key(Next, Chord(VK_ESCAPE));
    g.Then([&] { return Confirmation() && ++asked; }).Key(Confirmation, Chord(VK_ESCAPE));
    OnPage(g, 1).Key(Next, Chord(VK_ESCAPE));
    // Enter gives the first answer, Yes.
    g.Then([&] { return Confirmation() && ++asked; }).Key(Confirmation, Chord(VK_RETURN));
    EXPECT_EQ(pages[0]->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(asked, 3);
}

TEST_F(WizardKeys, TabFollowsTheTabOrderPastDisabledAndHiddenControls)
{
    // The first page: Previous is disabled, the other notebook pages hidden.
    TGuiScript g;
    OnPage(g, 0);
    Focus(g, Next).Key(Next, Chord(VK_TAB));
    Focus(g, Cancel).Key(Cancel, Chord(VK_TAB));
    Focus(g, Memo).Key(Memo, Chord(VK_TAB));
    Focus(g, Next).Key(Next, Chord(VK_TAB, true));
    Focus(g, Memo).Key(Memo, Chord(VK_TAB, true));
    Focus(g, Cancel).Key(Cancel, Chord(VK_TAB, true));
    Focus(g, Next).Key(Next, Chord(VK_TAB, true));
    // Enter on the memo, which takes no Enter itself, presses Next.
    Focus(g, Memo).Key(Memo, Chord(VK_RETURN));
    OnPage(g, 1);
    // Previous is enabled here and comes in the order.
    Focus(g, Next).Key(Next, Chord(VK_TAB, true));
    auto prev = [] { return static_cast<TWinControl*>(NimboPagesForm->btnPrev); };
    Focus(g, prev).Key(prev, Chord(VK_TAB));
    Focus(g, Next).Key(Next, Chord(VK_TAB));
    // Enter presses the focused button, not the default one.
    Focus(g, Cancel).Key(Cancel, Chord(VK_RETURN));
    g.Then([] { return Confirmation() != nullptr; }).Key(Confirmation, Chord('Y', false, true));
    EXPECT_EQ(pages[0]->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
}

TEST_F(WizardKeys, DisabledButtonsIgnoreTheirKeys)
{
    // The second page offers only Next: Previous and Cancel are disabled.
    pages[1]->SetButtons(NimboButton(btNext));
    bool askedOnFirst = false, askedOnSecond = false;
    int cancels = 0;
    for (auto* p : pages) p->OnCancel = [&](TObject*) { ++cancels; };
    TGuiScript g;
    OnPage(g, 0).Key(Next, Chord('P', false, true));
    Pause(g, 300).Then([&] {
        askedOnFirst = Confirmation() != nullptr;
        return true;
    });
    OnPage(g, 0).Key(Next, Chord(VK_RETURN));
    OnPage(g, 1).Key(Next, Chord(VK_ESCAPE));
    g.Key(Next, Chord('C', false, true)).Key(Next, Chord('P', false, true));
    Pause(g, 300).Then([&] {
        askedOnSecond = Confirmation() != nullptr;
        return NimboPagesForm->CurrentPage == pages[1];
    });
    g.Key(Next, Chord(VK_RETURN));
    OnPage(g, 2).Key(Next, Chord(VK_RETURN));
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_FALSE(askedOnFirst);
    EXPECT_FALSE(askedOnSecond);
    EXPECT_EQ(cancels, 0);
}

}  // namespace
