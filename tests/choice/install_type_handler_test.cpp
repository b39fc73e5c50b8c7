// The host form's install type handler: the third install type runs the
// options page inside the install type's Next, before the page after it.
#include <gtest/gtest.h>

#include "app/nimbo_form.h"
#include "gui_test_support.h"

namespace {

class InstallTypeHandler : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = NewComponent<TNimboForm>(Application);
        auto* info = NewComponent<TNimboInfo>(form);
        info->SetName("suInfo");
        info->Loaded();
        types = NewComponent<TNimboRadioChoice>(form);
        types->SetName("suInstallType");
        types->SetButtons(NimboButton(btNext) | NimboButton(btCancel));
        options = NewComponent<TNimboCheckBoxChoice>(form);
        options->SetName("suOptions");
        after = NewComponent<TNimboMessage>(form);
        after->SetName("suDir");
        types->SetNextPage(after);
        form->Loaded();
        types->OnNextPage = [this](TObject* sender) { form->suInstallTypeNextPage(sender); };
        for (const char* name : {"Complete", "Minimal", "Custom"}) {
            TNimboChoiceItem* item = info->Script()->AddChoiceItem(name);
            item->SetTitle(name);
            info->Script()->FindChoiceData("suInstallType")->AddItem(item);
        }
    }
    void TearDown() override
    {
        ResetWizard();
        form->Free();
    }
    // The pages shown after the install type page when `type` is chosen.
    std::vector<TNimboPage*> PagesAfter(int type)
    {
        std::vector<TNimboPage*> seen;
        auto note = [&seen](TObject* s) { seen.push_back(static_cast<TNimboPage*>(s)); };
        options->OnExecute = note;
        after->OnExecute = note;
        TGuiScript g;
        g.WaitForPage([this] { return types; });
        g.Then([this, type] {
            types->SetSelected(type, true);
            return true;
        });
        g.ClickNext().Then([this] { return NimboPagesForm->CurrentPage != types; });
        g.Then([this] {
            if (NimboPagesForm->CurrentPage == options) PostMessageA(NimboPagesForm->btnNext->Handle(), BM_CLICK, 0, 0);
            return NimboPagesForm->CurrentPage == after && after->State() == psWaiting;
        });
        g.ClickNext();
        EXPECT_EQ(types->Execute(), psDone);
        EXPECT_TRUE(g.Finished());
        ResetWizard();
        return seen;
    }

    TNimboForm* form = nullptr;
    TNimboRadioChoice* types = nullptr;
    TNimboCheckBoxChoice* options = nullptr;
    TNimboMessage* after = nullptr;
};

TEST_F(InstallTypeHandler, OnlyTheThirdTypeShowsTheOptions)
{
    EXPECT_EQ(form->suInstallType, types);
    EXPECT_EQ(form->suOptions, options);
    EXPECT_EQ(PagesAfter(1), (std::vector<TNimboPage*>{after}));
    EXPECT_EQ(PagesAfter(3), (std::vector<TNimboPage*>{options, after}));
}

TEST_F(InstallTypeHandler, FewerThanThreeTypesFailOnNext)
{
    // As the shipped script has it: a single install type.
    TNimboChoiceData* data = form->suInfo->Script()->FindChoiceData("suInstallType");
    form->suInfo->Script()->DeleteChoiceData(data);
    form->suInfo->Script()->AddChoiceData("suInstallType")->AddItem(form->suInfo->Script()->FindChoiceItem("Complete"));
    // The error ends the chain and leaves the page that opened the dialog.
    String error;
    TGuiScript g;
    g.WaitForPage([this] { return types; }).ClickNext();
    try {
        types->Execute();
    } catch (const Exception& e) {
        error = e.Message();
    }
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(error, "Selection index out of bounds.");
}

}  // namespace
