// The install type and option pages run for real in the wizard dialog:
// what Next and Previous do to the selected files, the one choice of a
// radio page, clicks on the rows, the layout, and the script entry that
// follows the page's name.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "page_fixture.h"
#include "pages/choice.h"
#include "pages/message_page.h"

namespace {

class Choices : public TPageFixture {
protected:
    Choices() : TPageFixture(TStartUp::ByTest) {}
    void SetUp() override
    {
        TPageFixture::SetUp();
        script = info->Script();
        install = script->FindDir("Install");
        for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}) {
            TNimboFile* f = script->AddFile(name);
            install->AddFile(f);
            files[name] = f;
        }
        info->Loaded();  // every file of every directory selected
        info->UnselectFile(files["e.txt"], install);
        first = AddPage<TNimboMessage>("first", kNextCancel);
        last = AddPage<TNimboMessage>("last");
    }
    // The page under test, between `first` and `last`.
    template <class T> T* Page(const char* name)
    {
        T* p = Add<T>(name);
        Chain({first, p, last});
        page = p;
        return p;
    }
    TNimboChoiceItem* Item(const String& name, const String& title, std::initializer_list<const char*> add,
                           std::initializer_list<const char*> remove = {})
    {
        TNimboChoiceItem* item = script->AddChoiceItem(name);
        item->SetTitle(title);
        item->Description().Add("About " + name + ".");
        for (const char* f : add) item->Add()->AddFile(files[f], install, true);
        for (const char* f : remove) item->Remove()->AddFile(files[f], install, true);
        return item;
    }
    void Offer(TNimboChoiceItem* item) { page->ChoiceData()->AddItem(item); }
    std::set<String> Selected()
    {
        TStringList lines;
        info->SelectedFiles()->ListFiles(install, lines);
        std::set<String> names;
        for (int i = 0; i < lines.Count(); ++i) names.insert(lines[i]);
        return names;
    }
    TNimboPagesForm* F() const { return NimboPagesForm; }
    std::vector<int> Checked() const
    {
        std::vector<int> v;
        for (TCheckBox* b : page->ItemButtons()) v.push_back(b->Checked() ? 1 : 0);
        return v;
    }
    TGuiScript& Step(TGuiScript& g, std::function<void()> f)
    {
        return g.Then([f] {
            f();
            return true;
        });
    }
    // A click of the mouse on a control, as the window system delivers it.
    static void MouseClick(TWinControl* c)
    {
        PostMessageA(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        PostMessageA(c->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    }

    TNimboData* script = nullptr;
    TNimboDir* install = nullptr;
    std::map<String, TNimboFile*> files;
    TNimboMessage *first = nullptr, *last = nullptr;
    TNimboChoice* page = nullptr;
};

using Names = std::set<String>;

TEST_F(Choices, TheScriptEntryFollowsThePageName)
{
    auto* a = NewComponent<TNimboCheckBoxChoice>(form);
    a->SetName("suA");
    TNimboChoiceData* entry = script->FindChoiceData("suA");
    ASSERT_NE(entry, nullptr) << "made when the page joined, named with it";
    EXPECT_EQ(script->FindChoiceData(""), nullptr);
    a->SetName("suB");
    EXPECT_EQ(script->FindChoiceData("suB"), entry) << "re-keyed";
    EXPECT_EQ(script->FindChoiceData("suA"), nullptr);

    // A name whose entry exists already: that entry wins, the old one goes.
    TNimboChoiceData* kept = script->AddChoiceData("suKept");
    const int before = script->ChoiceData().Count();
    a->SetName("suKept");
    EXPECT_EQ(a->ChoiceData(), kept);
    EXPECT_EQ(script->FindChoiceData("suB"), nullptr);
    EXPECT_EQ(script->ChoiceData().Count(), before - 1);

    script->DeleteChoiceData(kept);
    info->RegisterPages();
    EXPECT_NE(script->FindChoiceData("suKept"), nullptr) << "RegisterPages finds or creates";
    a->Free();
    EXPECT_EQ(script->FindChoiceData("suKept"), nullptr) << "deleted with the page";
}

TEST_F(Choices, NextThenPreviousLeavesTheSelectedFilesExactlyAsBefore)
{
    Page<TNimboCheckBoxChoice>("suOptions");
    script->FindChoiceData("suOptions")->SetCommon(Item("Common", "", {}, {"d.txt"}));
    Offer(Item("One", "One", {"e.txt"}, {"b.txt"}));
    Offer(Item("Two", "Two", {"e.txt"}, {"c.txt"}));  // e.txt again: taken back once
    Offer(Item("Three", "Three", {}, {"e.txt"}));     // takes out what One put in
    Offer(Item("Four", "Four", {"b.txt"}));           // not ticked
    for (int i : {1, 2, 3}) page->SetSelected(i, true);
    const Names before = Selected();
    Names onLast, afterPrevious;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return page; }).ClickNext();
    g.WaitForPage([&] { return last; });
    Step(g, [&] { onLast = Selected(); }).ClickPrev().WaitForPage([&] { return page; }).ClickPrev();
    g.WaitForPage([&] { return first; });
    Step(g, [&] { afterPrevious = Selected(); }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(before, (Names{"a.txt", "b.txt", "c.txt", "d.txt"}));
    EXPECT_EQ(onLast, (Names{"a.txt"}));
    EXPECT_EQ(afterPrevious, before);
}

TEST_F(Choices, AnOptionUntickedAfterComingBackIsTakenOut)
{
    Page<TNimboCheckBoxChoice>("suOptions");
    Offer(Item("One", "One", {"e.txt"}));
    Offer(Item("Two", "Two", {}, {"a.txt"}));
    page->SetSelected(1, true);
    Names first1, second;
    bool shownTicked = false;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return page; }).ClickNext();
    g.WaitForPage([&] { return last; });
    Step(g, [&] { first1 = Selected(); }).ClickPrev().WaitForPage([&] { return page; });
    Step(g, [&] { shownTicked = Checked() == std::vector<int>{1, 0}; });
    g.Click([&] { return page->ItemButtons()[0]; }).Click([&] { return page->ItemButtons()[1]; }).ClickNext();
    g.WaitForPage([&] { return last; });
    Step(g, [&] { second = Selected(); }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(first1, (Names{"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"}));
    EXPECT_TRUE(shownTicked) << "the choice survives leaving the page";
    EXPECT_EQ(second, (Names{"b.txt", "c.txt", "d.txt"})) << "what the page shows, nothing left over";
    EXPECT_FALSE(page->GetSelected(1));
    EXPECT_TRUE(page->GetSelected(2));
}

TEST_F(Choices, ARadioPageAlwaysShowsExactlyOneChoice)
{
    Page<TNimboRadioChoice>("suInstallType");
    Offer(Item("Full", "Full", {"e.txt"}));
    Offer(Item("Small", "Small", {}, {"d.txt"}));
    Offer(Item("Own", "Own", {}));
    std::vector<std::vector<int>> shown;
    std::vector<bool> firstChosen;
    String outOfBounds, belowOne;
    bool noneAfterError = false;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return page; });
    Step(g, [&] {
        shown.push_back(Checked());
        firstChosen.push_back(page->GetSelected(1));
        page->SetSelected(3, true);
        shown.push_back(Checked());
        page->SetSelected(2, false);
        shown.push_back(Checked());
        firstChosen.push_back(page->GetSelected(1));
    });
    g.Click([&] { return page->ItemButtons()[1]; });
    Step(g, [&] {
        shown.push_back(Checked());
        firstChosen.push_back(page->GetSelected(2));
        try {
            page->SetSelected(4, true);
        } catch (const ENimboError& e) {
            outOfBounds = e.what();
        }
        try {
            page->GetSelected(0);
        } catch (const ENimboError& e) {
            belowOne = e.what();
        }
        noneAfterError = !page->GetSelected(1) && !page->GetSelected(2) && !page->GetSelected(3);
    });
    // Nothing chosen: shown again, the first item is.
    g.ClickNext().WaitForPage([&] { return last; }).ClickPrev().WaitForPage([&] { return page; });
    Step(g,
         [&] {
             shown.push_back(Checked());
             firstChosen.push_back(page->GetSelected(1));
         })
        .ClickCancel()
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    using V = std::vector<int>;
    EXPECT_EQ(shown, (std::vector<V>{V{1, 0, 0}, V{0, 0, 1}, V{1, 0, 0}, V{0, 1, 0}, V{1, 0, 0}}));
    EXPECT_EQ(firstChosen, (std::vector<bool>{true, true, true, true}));
    EXPECT_EQ(outOfBounds, "Selection index out of bounds.");
    EXPECT_EQ(belowOne, "Selection index out of bounds.");
    EXPECT_TRUE(noneAfterError);
}

TEST_F(Choices, ClickingARowsTextChoosesIt)
{
    Page<TNimboCheckBoxChoice>("suOptions");
    Offer(Item("One", "One", {}));
    Offer(Item("Two", "Two", {}));
    page->SetSelected(1, true);
    std::vector<std::vector<int>> shown;
    std::vector<bool> selected;
    bool focused = false, titleTakesClicks = false;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return page; });
    Step(g, [&] {
        titleTakesClicks = SendMessageA(page->TitleLabels()[1]->Handle(), WM_NCHITTEST, 0, 0) == HTCLIENT;
        MouseClick(page->DescriptionMemos()[0]);
    });
    Step(g, [&] {
        shown.push_back(Checked());
        selected.push_back(page->GetSelected(1));
        MouseClick(page->TitleLabels()[1]);
    });
    Step(g,
         [&] {
             shown.push_back(Checked());
             selected.push_back(page->GetSelected(2));
             focused = page->ItemButtons()[1]->Focused();
         })
        .ClickCancel()
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(titleTakesClicks);
    using V = std::vector<int>;
    EXPECT_EQ(shown, (std::vector<V>{V{0, 0}, V{0, 1}}));
    EXPECT_EQ(selected, (std::vector<bool>{false, true}));
    EXPECT_TRUE(focused) << "the row's check box gets the focus";
}

TEST_F(Choices, ClickingTheTextOfAnInstallTypeChoosesIt)
{
    Page<TNimboRadioChoice>("suInstallType");
    Offer(Item("Full", "Full", {}));
    Offer(Item("Small", "Small", {}));
    std::vector<std::vector<int>> shown;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return page; });
    Step(g, [&] { MouseClick(page->DescriptionMemos()[1]); });
    Step(g, [&] {
        shown.push_back(Checked());
        MouseClick(page->TitleLabels()[1]);  // chosen already: stays chosen
    });
    Step(g, [&] { shown.push_back(Checked()); }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(first->Execute(), psCancelled);
    EXPECT_TRUE(g.Finished());
    using V = std::vector<int>;
    EXPECT_EQ(shown, (std::vector<V>{V{0, 1}, V{0, 1}}));
    EXPECT_TRUE(page->GetSelected(2));
}

TEST_F(Choices, RowsShareTheNotebookHeight)
{
    Page<TNimboCheckBoxChoice>("suOptions");
    Offer(Item("One", "One", {}));
    Offer(Item("Two", "", {}));  // no title: the description moves up
    Offer(Item("Three", "Three", {}));
    struct Row {
        int buttonLeft, buttonTop, buttonWidth, titleLeft, titleTop, titleHeight, textTop, textHeight;
        bool bold, readOnly, tabStop;
    };
    std::vector<Row> rows;
    int notebookHeight = 0, pageIndex = -1;
    String caption;
    bool coverShown = true, freedOnLast = false;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return page; });
    Step(g,
         [&] {
             notebookHeight = F()->nbPage->Height();
             pageIndex = F()->nbPage->PageIndex();
             caption = F()->Caption();
             coverShown = F()->paObscure->Visible();
             for (size_t a = 0; a < 3; ++a) {
                 TCheckBox* b = page->ItemButtons()[a];
                 TLabel* l = page->TitleLabels()[a];
                 TMemo* m = page->DescriptionMemos()[a];
                 rows.push_back({b->Left(), b->Top(), b->Width(), l->Left(), l->Top(), l->Height(), m->Top(),
                                 m->Height(), (l->Font()->Style() & (1u << fsBold)) != 0, m->ReadOnly(),
                                 (GetWindowLongA(m->Handle(), GWL_STYLE) & WS_TABSTOP) != 0});
             }
         })
        .ClickNext()
        .WaitForPage([&] { return last; });
    Step(g, [&] { freedOnLast = page->TitleLabels().empty() && page->ItemButtons().empty(); }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(notebookHeight, 259);
    EXPECT_EQ(pageIndex, 3);
    EXPECT_EQ(caption, "Setup Choice");
    EXPECT_FALSE(coverShown) << "the cover is back behind the notebook";
    EXPECT_TRUE(freedOnLast);
    ASSERT_EQ(rows.size(), 3u);
    for (int a = 0; a < 3; ++a) {
        const Row& r = rows[static_cast<size_t>(a)];
        EXPECT_EQ(r.buttonLeft, 0);
        EXPECT_EQ(r.buttonTop, a * 86) << "259 div 3";
        EXPECT_EQ(r.buttonWidth, 15);
        EXPECT_EQ(r.titleLeft, 20);
        EXPECT_EQ(r.titleTop, a * 86);
        EXPECT_EQ(r.textTop, a * 86 + r.titleHeight);
        EXPECT_EQ(r.textHeight, 86 - r.titleHeight + 2);
        EXPECT_TRUE(r.bold);
        EXPECT_TRUE(r.readOnly);
        EXPECT_FALSE(r.tabStop);
    }
    EXPECT_GT(rows[0].titleHeight, 0);
    EXPECT_EQ(rows[1].titleHeight, 0);
}

TEST_F(Choices, APageWithoutItemsMovesOnAndStillAppliesCommon)
{
    Page<TNimboCheckBoxChoice>("suOptions");
    script->FindChoiceData("suOptions")->SetCommon(Item("Common", "", {"e.txt"}, {"b.txt"}));
    int lastShown = 0;
    last->OnExecute = [&](TObject*) { ++lastShown; };
    Names onLast;
    TGuiScript g;
    g.WaitForPage([&] { return first; }).ClickNext().WaitForPage([&] { return last; }).ClickPrev();
    // The empty page moves on again at once: back on the same page.
    g.Then([&] { return lastShown == 2 && F()->CurrentPage == last && last->State() == psWaiting; });
    Step(g, [&] { onLast = Selected(); }).ClickNext();
    EXPECT_EQ(first->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(lastShown, 2);
    EXPECT_EQ(onLast, (Names{"a.txt", "c.txt", "d.txt", "e.txt"}));
}

}  // namespace
