// The page chain run for real in the wizard dialog: Next, Previous and a
// confirmed Cancel, the buttons each page offers, and the kick-off.
#include <gtest/gtest.h>

#include "page_fixture.h"
#include "pages/message_page.h"
#include "framework/win32/progress_bar.h"

namespace {

class TRecPage : public TNimboMessage {
public:
    int shows = 0;
    int actives = 0;
    bool blocks = false;
    void ShowPage() override
    {
        ++shows;
        TNimboMessage::ShowPage();
    }
    void PageActive() override { ++actives; }
    bool BlocksPrevious() const override { return blocks; }
};

class TPlainComponent : public TNimboComponent {};

class PageChain : public TPageFixture {
protected:
    std::vector<TRecPage*> Pages(int n, TNimboButtons buttons = kAllButtons)
    {
        std::vector<TRecPage*> pages;
        for (int i = 0; i < n; ++i) {
            auto* p = AddPage<TRecPage>("p" + IntToStr(i + 1), buttons);
            p->SetCaption("Page " + IntToStr(i + 1));
            if (!pages.empty()) Chain({pages.back(), p});
            pages.push_back(p);
        }
        return pages;
    }
};

TEST_F(PageChain, CancelOnTheFifthPageTravelsBackThroughEveryPage)
{
    auto pages = Pages(5);
    std::vector<String> cancelled;
    for (auto* p : pages) p->OnCancel = [&](TObject* s) { cancelled.push_back(static_cast<TComponent*>(s)->Name()); };
    TGuiScript g;
    for (int i = 0; i < 4; ++i) g.WaitForPage([&, i] { return pages[i]; }).ClickNext();
    g.WaitForPage([&] { return pages[4]; })
        .Then([] { return NimboPagesForm->Caption() == "Page 5"; })
        .ClickCancel()
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(pages[0]->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(cancelled, (std::vector<String>{"p5", "p4", "p3", "p2", "p1"}));
    EXPECT_TRUE(info->PageHistory().empty());
}

TEST_F(PageChain, PreviousShowsTheEarlierPageAgainAndNextRunsTheLaterOneAfresh)
{
    auto pages = Pages(3);
    int p2ShowsAfterPrevious = 0;
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; })
        .ClickNext()
        .WaitForPage([&] { return pages[1]; })
        .ClickNext()
        .WaitForPage([&] { return pages[2]; })
        .Then([] { return NimboPagesForm->btnPrev->Enabled(); })
        .ClickPrev()
        .WaitForPage([&] { return pages[1]; })
        .Then([&] {
            p2ShowsAfterPrevious = pages[1]->shows;
            return true;
        })
        .ClickNext()
        .WaitForPage([&] { return pages[2]; })
        .ClickNext();
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(p2ShowsAfterPrevious, 2);
    EXPECT_EQ(pages[2]->shows, 2);
    EXPECT_EQ(pages[2]->actives, 2);
    EXPECT_EQ(pages[0]->shows, 1);
}

TEST_F(PageChain, ButtonsFollowThePageAndItsPlaceInTheChain)
{
    auto pages = Pages(3);
    pages[1]->blocks = true;  // like a file copy page
    pages[2]->SetButtons(NimboButton(btFinish));
    bool firstPrev = true, secondPrev = false, afterBlockingPrev = true, finishEnabled = false;
    String finishCaption, nextCaption, prevCaption, cancelCaption;
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; })
        .Then([&] {
            firstPrev = NimboPagesForm->btnPrev->Enabled();
            nextCaption = NimboPagesForm->btnNext->Caption();
            prevCaption = NimboPagesForm->btnPrev->Caption();
            cancelCaption = NimboPagesForm->btnCancel->Caption();
            return true;
        })
        .ClickNext()
        .WaitForPage([&] { return pages[1]; })
        .Then([&] {
            secondPrev = NimboPagesForm->btnPrev->Enabled();
            return true;
        })
        .ClickNext()
        .WaitForPage([&] { return pages[2]; })
        .Then([&] {
            afterBlockingPrev = NimboPagesForm->btnPrev->Enabled();
            finishEnabled = NimboPagesForm->btnNext->Enabled();
            finishCaption = NimboPagesForm->btnNext->Caption();
            return true;
        })
        .ClickNext();
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_FALSE(firstPrev) << "the first page has no page to go back to";
    EXPECT_TRUE(secondPrev);
    EXPECT_FALSE(afterBlockingPrev) << "no way back past a page whose work is done";
    EXPECT_TRUE(finishEnabled);
    EXPECT_EQ(finishCaption, "&Finish");
    EXPECT_EQ(nextCaption, "&Next");
    EXPECT_EQ(prevCaption, "&Previous");
    EXPECT_EQ(cancelCaption, "&Cancel");
}

TEST_F(PageChain, APageWithoutButtonsCannotBeLeftByTheUser)
{
    auto pages = Pages(1, 0);
    DWORD start = 0;
    bool allDisabled = false;
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; })
        .Then([&] {
            TNimboPagesForm* f = NimboPagesForm;
            allDisabled = !f->btnNext->Enabled() && !f->btnPrev->Enabled() && !f->btnCancel->Enabled() &&
                          !IsWindowEnabled(f->btnNext->Handle()) && !IsWindowEnabled(f->btnCancel->Handle());
            // Even a click forced onto the disabled buttons does nothing.
            PostMessageA(f->btnNext->Handle(), BM_CLICK, 0, 0);
            PostMessageA(f->btnCancel->Handle(), BM_CLICK, 0, 0);
            start = GetTickCount();
            return true;
        })
        .Then([&] { return GetTickCount() - start > 300; })
        .Then([&] {
            EXPECT_EQ(pages[0]->State(), psWaiting);
            EXPECT_EQ(FindTopWindow("Confirmation"), nullptr);
            pages[0]->SetState(psDone);  // the test ends it
            return true;
        });
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(allDisabled);
}

TEST_F(PageChain, AnsweringNoToCancelKeepsThePageWaiting)
{
    auto pages = Pages(2);
    bool stillWaiting = false;
    int modalResult = -1;
    int cancels = 0;
    String question;
    pages[1]->OnCancel = [&](TObject*) { ++cancels; };
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; })
        .ClickNext()
        .WaitForPage([&] { return pages[1]; })
        .ClickCancel()
        .Answer("Confirmation", "No", &question)
        .Then([] { return FindTopWindow("Confirmation") == nullptr; })
        .Then([&] {
            stillWaiting = pages[1]->State() == psWaiting;
            modalResult = NimboPagesForm->ModalResult();
            return true;
        })
        .ClickNext();
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_EQ(question, "\r\nCancel Setup?\r\n");
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(modalResult, mrNone);
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(CancelPrompt, "Cancel Setup?");
}

TEST_F(PageChain, TheKickOffRunsTheChainOnceEvenWhenTheDialogIsShownAgain)
{
    auto pages = Pages(1);
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; })
        .Then([] {
            NimboPagesForm->FormShow(NimboPagesForm);
            return true;
        })
        .Then([] {
            static DWORD t0 = GetTickCount();
            return GetTickCount() - t0 > 200;
        })
        .ClickNext();
    EXPECT_EQ(pages[0]->Execute(), psDone);
    EXPECT_EQ(pages[0]->shows, 1);
}

TEST_F(PageChain, AnErrorInsideAPageLeavesTheFirstExecuteAndTheDialogCloses)
{
    auto pages = Pages(2);
    pages[1]->OnExecute = [](TObject*) { throw ENimboError("page failed"); };
    String reported;
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; }).ClickNext();
    try {
        pages[0]->Execute();
    } catch (const ENimboError& e) {
        reported = e.Message();
    }
    EXPECT_EQ(reported, "page failed");
    EXPECT_FALSE(NimboPagesForm->Visible());
    EXPECT_TRUE(info->PageHistory().empty());
}

TEST_F(PageChain, ProgressMessagesFeedBothBarsOfTheCopyPage)
{
    auto pages = Pages(1);
    int file = -1, total = -1;
    TGuiScript g;
    g.WaitForPage([&] { return pages[0]; })
        .Then([&] {
            SendMessageA(NimboPagesForm->Handle(), WM_NIMBO_PROGRESS, 0, 7);
            SendMessageA(NimboPagesForm->Handle(), WM_NIMBO_PROGRESS, 0, 5);
            file = NimboPagesForm->pbrFCFile->Progress();
            total = NimboPagesForm->pbrFCProgress->Progress();
            return true;
        })
        .ClickNext();
    pages[0]->Execute();
    EXPECT_EQ(file, 12);
    EXPECT_EQ(total, 12);
}

// ---- Components, owners and the controller link, without windows.

TEST_F(PageChain, ComponentsLinkToTheControllerWhicheverIsCreatedFirst)
{
    auto* other = NewComponent<TTestHostForm>(Application);
    auto* early = NewComponent<TNimboMessage>(other);
    EXPECT_EQ(early->Controller(), nullptr);
    auto* ctl = NewComponent<TNimboInfo>(other);
    auto* late = NewComponent<TNimboMessage>(other);
    EXPECT_EQ(early->Controller(), ctl);
    EXPECT_EQ(late->Controller(), ctl);
    EXPECT_EQ(early->Script(), ctl->Script());
    EXPECT_EQ(late->Script(), ctl->Script());
    // Components of another form never link to this form's controller.
    EXPECT_EQ(info->Script() == early->Script(), false);
    ctl->Free();
    EXPECT_EQ(early->Controller(), nullptr);
    EXPECT_EQ(late->Script(), nullptr);
    other->Free();
}

TEST_F(PageChain, OwnerAndControllerRulesRaiseTheirTexts)
{
    auto* plain = NewComponent<TComponent>(form);
    try {
        NewComponent<TNimboMessage>(plain);
        FAIL();
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "Only a TForm can own a TNimbo component.");
    }
    EXPECT_EQ(plain->ComponentCount(), 0);
    try {
        NewComponent<TNimboInfo>(form);
        FAIL();
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "Only allowed one TNimboInfo per application.");
    }
    auto* lonelyForm = NewComponent<TTestHostForm>(Application);
    auto* lonely = NewComponent<TPlainComponent>(lonelyForm);
    lonely->SetName("suLonely");
    try {
        lonely->Execute();
        FAIL();
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "suLonely cannot find the TNimboInfo component.");
    }
    try {
        lonely->SetController(plain);
        FAIL();
    } catch (const ENimboError& e) {
        EXPECT_EQ(e.Message(), "SetupInfo can only accept components of type TNimboInfo.");
    }
    lonely->SetController(info);
    EXPECT_EQ(lonely->Controller(), info);
    lonelyForm->Free();
}

TEST_F(PageChain, RemovingTheNextPageClearsTheLink)
{
    auto pages = Pages(2);
    pages[1]->Free();
    EXPECT_EQ(pages[0]->NextPage(), nullptr);
}

TEST_F(PageChain, MessagesComeFromTheStringTable)
{
    EXPECT_EQ(info->GetMessageText(9), "&Next");
    EXPECT_EQ(info->GetMessageText(7), "Unable to load language DLL.  Reverting to the default language.");
    EXPECT_EQ(info->GetMessageText(93), "Unable to launch the uninstall program.");
    EXPECT_EQ(info->GetMessageText(95), "FILE COPY ERROR: %s is on none of the setup disks.");
    EXPECT_EQ(info->GetMessageText(98), "Network paths are not allowed. Please choose a directory on a local drive.");
    EXPECT_EQ(info->GetMessageText(101), "%s is the root folder of a drive. Please choose a directory on the drive.");
    EXPECT_EQ(info->GetMessageText(104),
              "%s cannot be a program group name. A group name may not contain \\ / : * ? \" < > [ ] |, consist of "
              "dots and spaces only, or be a device name such as CON or NUL.");
    EXPECT_EQ(info->GetMessageText(105), "Setup was cancelled. Your computer was left as it was before.");
    EXPECT_EQ(info->GetMessageText(999), "*** String not found ***");
    EXPECT_EQ(info->GetMessageText(65536 + 9), "&Next") << "the number is taken as 16 bits";
}

}  // namespace
