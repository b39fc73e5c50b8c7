// The suite's message dialog: buttons, captions, results and size.
#include <gtest/gtest.h>

#include <memory>

#include "gui_test_support.h"
#include "engine/message_dialog.h"

namespace {

struct DialogView {
    String caption;
    std::vector<String> buttons;  // B1, B2, ... captions
    String text;
    RECT rect{};
};

DialogView Inspect(HWND dlg)
{
    DialogView v;
    v.caption = robot::WindowCaption(dlg);
    for (int i = 1;; ++i) {
        HWND b = FindChildByName(dlg, "B" + IntToStr(i));
        if (!b) break;
        v.buttons.push_back(robot::WindowCaption(b));
    }
    v.text = robot::WindowCaption(FindChildByName(dlg, "Message"));
    GetWindowRect(dlg, &v.rect);
    return v;
}

// Shows a dialog; when it appears, records it and clicks button `press` (B<n>).
int ShowAndPress(TMsgDlgType kind, unsigned buttons, int press, DialogView& seen, const String& text = "Question?")
{
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirmation"};
    const String caption = captions[kind];
    TGuiScript g;
    g.Then([&] {
        HWND dlg = FindTopWindow(caption);
        if (!dlg) return false;
        seen = Inspect(dlg);
        PostMessageA(FindChildByName(dlg, "B" + IntToStr(press)), BM_CLICK, 0, 0);
        return true;
    });
    return ShowMessageDialog(nullptr, text, kind, buttons);
}

TEST(MessageDialog, ButtonsComeInTheFixedOrderAndGiveTheirResults)
{
    const unsigned abortRetryIgnore = 112;
    const unsigned yesNoAbortAll =
        NimboDialogButton(mbYes) | NimboDialogButton(mbNo) | NimboDialogButton(mbAbort) | NimboDialogButton(mbAll);
    const unsigned yesNo = NimboDialogButton(mbYes) | NimboDialogButton(mbNo);
    const unsigned okCancel = NimboDialogButton(mbOK) | NimboDialogButton(mbCancel);
    struct Case {
        TMsgDlgType kind;
        unsigned buttons;
        int press;  // B<n>
        int result;
        std::vector<String> shown;
        String caption;
    };
    const Case cases[] = {
        {mtError, abortRetryIgnore, 1, mrAbort, {"A&bort", "&Retry", "&Ignore"}, "Error"},
        {mtError, abortRetryIgnore, 3, mrIgnore, {"A&bort", "&Retry", "&Ignore"}, "Error"},
        {mtConfirmation, yesNoAbortAll, 4, mrAll, {"&Yes", "&No", "A&bort", "&All"}, "Confirmation"},
        {mtWarning, yesNo, 2, mrNo, {"&Yes", "&No"}, "Warning"},
        {mtInformation, okCancel, 2, mrCancel, {"&OK", "&Cancel"}, "Information"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption + " B" + IntToStr(c.press));
        DialogView v;
        EXPECT_EQ(ShowAndPress(c.kind, c.buttons, c.press, v), c.result);
        EXPECT_EQ(v.buttons, c.shown);
        EXPECT_EQ(v.caption, c.caption);
        EXPECT_EQ(v.text, "\r\nQuestion?\r\n");
    }
}

TEST(MessageDialog, NoButtonsMeansOneOkButton)
{
    DialogView v;
    EXPECT_EQ(ShowAndPress(mtInformation, 0, 1, v), mrOk);
    EXPECT_EQ(v.buttons, (std::vector<String>{"&OK"}));
}

TEST(MessageDialog, HelpDoesNotCloseTheDialog)
{
    int clicks = 0;
    TGuiScript g;
    g.Then([&] {
         HWND dlg = FindTopWindow("Information");
         if (!dlg) return false;
         PostMessageA(FindChildByName(dlg, "B2"), BM_CLICK, 0, 0);  // Help
         ++clicks;
         return true;
     })
        .Then([] {
            static DWORD t0 = GetTickCount();
            return GetTickCount() - t0 > 200;
        })
        .Then([&] {
            HWND dlg = FindTopWindow("Information");
            EXPECT_NE(dlg, nullptr) << "still open after Help";
            if (dlg) PostMessageA(FindChildByName(dlg, "B1"), BM_CLICK, 0, 0);
            return true;
        });
    EXPECT_EQ(ShowMessageDialog(nullptr, "Help?", mtInformation, NimboDialogButton(mbOK) | NimboDialogButton(mbHelp)),
              mrOk);
    EXPECT_EQ(clicks, 1);
}

TEST(MessageDialog, ALongMessageStaysWithinEightyPercentOfTheScreenAndIsCentred)
{
    String text;
    for (int i = 0; i < 200; ++i) text += String(300, 'W') + "\r\n";
    DialogView v;
    EXPECT_EQ(ShowAndPress(mtWarning, NimboDialogButton(mbOK), 1, v, text), mrOk);
    const int w = v.rect.right - v.rect.left, h = v.rect.bottom - v.rect.top;
    const int maxW = static_cast<int>(GetSystemMetrics(SM_CXFULLSCREEN) * 0.8 + 0.5);
    const int maxH = static_cast<int>(GetSystemMetrics(SM_CYFULLSCREEN) * 0.8 + 0.5);
    EXPECT_LE(w, 2 * GetSystemMetrics(SM_CXBORDER) + maxW + 62);
    EXPECT_LE(h, GetSystemMetrics(SM_CYCAPTION) + maxH + GetSystemMetrics(SM_CYBORDER) + 48);
    EXPECT_NEAR((v.rect.left + v.rect.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 2);
    EXPECT_NEAR((v.rect.top + v.rect.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 2);
}

TEST(MessageDialog, AShortMessageIsWideEnoughForItsButtonsWhichAreCentred)
{
    DialogView v;
    TGuiScript g;
    int b1 = 0, b2 = 0, barWidth = 0;
    g.Then([&] {
        HWND dlg = FindTopWindow("Warning");
        if (!dlg) return false;
        RECT r1, r2, bar;
        GetWindowRect(FindChildByName(dlg, "B1"), &r1);
        GetWindowRect(FindChildByName(dlg, "B2"), &r2);
        GetWindowRect(FindChildByName(dlg, "ButtonBar"), &bar);
        b1 = r1.left - bar.left;
        b2 = r2.left - bar.left;
        barWidth = bar.right - bar.left;
        GetWindowRect(dlg, &v.rect);
        PostMessageA(FindChildByName(dlg, "B1"), BM_CLICK, 0, 0);
        return true;
    });
    ShowMessageDialog(nullptr, "x", mtWarning, NimboDialogButton(mbYes) | NimboDialogButton(mbNo));
    // Two buttons: text width 2 * 98 - 8, plus the icon and margins.
    EXPECT_EQ(v.rect.right - v.rect.left, 2 * GetSystemMetrics(SM_CXBORDER) + 188 + 52 + 10);
    EXPECT_EQ(b1, (barWidth - 196) / 2);
    EXPECT_EQ(b2 - b1, 98);
}

// Shows a dialog and answers it with the keys, pressed one after another
// while the dialog is in front.
int ShowAndType(TMsgDlgType kind, unsigned buttons, std::vector<robot::KeyChord> keys)
{
    static const char* const captions[] = {"Warning", "Error", "Information", "Confirmation"};
    const String caption = captions[kind];
    TGuiScript g;
    for (const auto& k : keys) g.Key([caption] { return FindTopWindow(caption); }, k);
    // Keys that answer nothing would leave the dialog open: closed after a while, and reported.
    auto start = std::make_shared<DWORD>(0);
    g.Then([caption, start] {
        HWND dlg = FindTopWindow(caption);
        if (!*start) *start = GetTickCount();
        if (dlg && GetTickCount() - *start > 3000) {
            ADD_FAILURE() << "the keys left the dialog open";
            PostMessageA(dlg, WM_CLOSE, 0, 0);
        }
        return !dlg || GetTickCount() - *start > 3000;
    });
    const int result = ShowMessageDialog(nullptr, "Question?", kind, buttons);
    return result;
}

TEST(MessageDialog, TheUnderlinedLetterAnswersWithOrWithoutAlt)
{
    const unsigned yesNo = NimboDialogButton(mbYes) | NimboDialogButton(mbNo);
    const unsigned yesNoAbortAll = yesNo | NimboDialogButton(mbAbort) | NimboDialogButton(mbAll);
    const unsigned abortRetryIgnore = 112;
    const unsigned okCancel = NimboDialogButton(mbOK) | NimboDialogButton(mbCancel);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNo, {Chord('Y')}), mrYes);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNo, {Chord('N', false, true)}), mrNo);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNoAbortAll, {Chord('A')}), mrAll);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNoAbortAll, {Chord('B', false, true)}), mrAbort);
    EXPECT_EQ(ShowAndType(mtError, abortRetryIgnore, {Chord('R')}), mrRetry);
    EXPECT_EQ(ShowAndType(mtError, abortRetryIgnore, {Chord('I', false, true)}), mrIgnore);
    EXPECT_EQ(ShowAndType(mtInformation, okCancel, {Chord('C')}), mrCancel);
    // A letter that no answer carries does nothing.
    EXPECT_EQ(ShowAndType(mtError, abortRetryIgnore, {Chord('Y'), Chord('Q', false, true), Chord('B')}), mrAbort);
}

TEST(MessageDialog, EnterGivesTheFirstAnswerAndEscTheCancelOrNoAnswer)
{
    const unsigned yesNo = NimboDialogButton(mbYes) | NimboDialogButton(mbNo);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNo, {Chord(VK_RETURN)}), mrYes);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNo, {Chord(VK_ESCAPE)}), mrNo);
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNo | NimboDialogButton(mbCancel), {Chord(VK_ESCAPE)}), mrCancel);
    EXPECT_EQ(ShowAndType(mtInformation, NimboDialogButton(mbOK), {Chord(VK_ESCAPE)}), mrOk);
    // Tab moves the focus, and Enter presses the focused answer.
    EXPECT_EQ(ShowAndType(mtConfirmation, yesNo, {Chord(VK_TAB), Chord(VK_RETURN)}), mrNo);
    EXPECT_EQ(ShowAndType(mtError, 112, {Chord(VK_TAB, true), Chord(VK_RETURN)}), mrIgnore);
    // Abort, Retry, Ignore has no answer for Esc.
    EXPECT_EQ(ShowAndType(mtError, 112, {Chord(VK_ESCAPE), Chord('R')}), mrRetry);
}

}  // namespace
