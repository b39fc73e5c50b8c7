// Keyboard operation of the framework's forms: real key presses through the
// platform's input injection, on a form built for the test.
#include <gtest/gtest.h>

#include <memory>

#include "framework/win32/dialog_keys.h"
#include "framework/win32/extctrls.h"
#include "gui_test_support.h"

namespace {

class DialogKeys : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = NewComponent<TTestHostForm>(Application);
        form->SetBounds(100, 100, 400, 300);
        form->SetBorderStyle(bsDialog);
        form->SetCaption("Keys");
        group = NewComponent<TRadioGroup>(form);
        group->SetParent(form);
        group->SetBounds(10, 10, 200, 120);
        group->Items()->Assign(TStringList{"One", "Two", "Three"});
        group->SetItemIndex(1);
        group->OnChange = [this](TObject*) { changes.push_back(group->ItemIndex()); };
        hidden = Button("&Hidden", 140);
        hidden->Hide();
        locked = Button("&Locked", 170);
        locked->SetEnabled(false);
        ok = Button("&OK", 200);
        ok->SetDefault(true);
        cancel = Button("&Cancel", 230);
        cancel->SetCancel(true);
        edit = NewComponent<TEdit>(form);
        edit->SetParent(form);
        edit->SetBounds(220, 10, 150, 23);
        edit->SetText("typed before");
        edit->SetTabOrder(0);
    }
    void TearDown() override { form->Free(); }
    TButton* Button(const String& caption, int top)
    {
        auto* b = NewComponent<TButton>(form);
        b->SetParent(form);
        b->SetCaption(caption);
        b->SetBounds(220, top, 90, 25);
        b->OnClick = [this, caption](TObject*) {
            pressed.push_back(caption);
            form->SetModalResult(mrOk);
        };
        return b;
    }
    TGuiScript& Focus(TGuiScript& g, TWinControl* c)
    {
        return g.Then([c] { return c->HandleAllocated() && GetFocus() == c->Handle(); });
    }
    TTestHostForm* form = nullptr;
    TRadioGroup* group = nullptr;
    TButton *hidden = nullptr, *locked = nullptr, *ok = nullptr, *cancel = nullptr;
    TEdit* edit = nullptr;
    std::vector<int> changes;
    std::vector<String> pressed;
};

TEST_F(DialogKeys, TabFollowsTheTabOrderAndARadioGroupIsOneStop)
{
    form->SetActiveControl(ok);
    DWORD selStart = 1, selEnd = 0;
    TGuiScript g;
    // TabOrder 0 put the edit field first; the hidden and the disabled
    // button are passed over; the group is entered at its checked button.
    Focus(g, ok).Key([this] { return ok; }, Chord(VK_TAB));
    Focus(g, cancel).Key([this] { return cancel; }, Chord(VK_TAB));
    Focus(g, edit).Then([&] {
        SendMessageA(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
        return true;
    });
    g.Key([this] { return edit; }, Chord(VK_TAB));
    Focus(g, group->Buttons(1)).Key([this] { return group->Buttons(1); }, Chord(VK_TAB));
    Focus(g, ok).Key([this] { return ok; }, Chord(VK_TAB, true));
    Focus(g, group->Buttons(1)).Key([this] { return group->Buttons(1); }, Chord(VK_RETURN));
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, 12u) << "Tab selects the text of an edit field";
    EXPECT_EQ(pressed, (std::vector<String>{"&OK"})) << "Enter off a button presses the default one";
}

TEST_F(DialogKeys, ArrowsMoveAndCheckWithinTheRadioGroup)
{
    form->SetActiveControl(group->Buttons(1));
    TGuiScript g;
    auto radio = [this](int i) { return [this, i] { return static_cast<TWinControl*>(group->Buttons(i)); }; };
    Focus(g, group->Buttons(1)).Key(radio(1), Chord(VK_DOWN));
    Focus(g, group->Buttons(2)).Key(radio(2), Chord(VK_RIGHT));
    Focus(g, group->Buttons(0)).Key(radio(0), Chord(VK_UP));
    Focus(g, group->Buttons(2)).Key(radio(2), Chord(VK_ESCAPE));
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(changes, (std::vector<int>{2, 0, 2}));
    EXPECT_EQ(group->ItemIndex(), 2);
    EXPECT_EQ(pressed, (std::vector<String>{"&Cancel"}));
}

TEST_F(DialogKeys, LettersPressOnlyWhatAPersonCanReach)
{
    form->SetActiveControl(ok);
    TGuiScript g;
    // The disabled and the hidden button ignore their letters; a plain
    // letter typed into the edit field is text, not an accelerator.
    g.Key([this] { return ok; }, Chord('L', false, true)).Key([this] { return ok; }, Chord('H', false, true));
    g.Key([this] { return ok; }, Chord(VK_TAB)).Key([this] { return cancel; }, Chord(VK_TAB));
    Focus(g, edit).Key([this] { return edit; }, Chord('C'));
    g.Then([this] { return edit->Text() == "c"; }).Key([this] { return edit; }, Chord('C', false, true));
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(pressed, (std::vector<String>{"&Cancel"}));
    locked->SetEnabled(true);
    form->SetActiveControl(ok);
    TGuiScript again;
    again.Key([this] { return ok; }, Chord('L'));
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(pressed.back(), "&Locked");
}

TEST(StandardMessageBox, AnswersEnterEscAndLetters)
{
    // The platform's own message box: the framework passes keys on.
    auto answer = [](unsigned buttons, std::vector<robot::KeyChord> keys) {
        TGuiScript g;
        for (const auto& k : keys) g.Key([] { return FindTopWindow("Confirm"); }, k);
        return MessageDlg("Go on?", mtConfirmation, buttons);
    };
    const unsigned yesNo = (1u << mbYes) | (1u << mbNo);
    EXPECT_EQ(answer(yesNo, {Chord(VK_RETURN)}), IDYES);
    EXPECT_EQ(answer(yesNo, {Chord('N', false, true)}), IDNO);
    EXPECT_EQ(answer(yesNo | (1u << mbCancel), {Chord(VK_ESCAPE)}), IDCANCEL);
    EXPECT_EQ(answer((1u << mbOK) | (1u << mbCancel), {Chord(VK_TAB), Chord(VK_RETURN)}), IDCANCEL);
}

}  // namespace
