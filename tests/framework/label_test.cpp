// The label on a real window: a new caption is read back at once, marks
// only the label for repainting (once however often it changes before the
// paint) and reaches the window's stored text when the label paints.
#include <gtest/gtest.h>

#include "framework/win32/stdctrls.h"
#include "gui_test_support.h"

namespace {

String StoredText(HWND h)
{
    // What another process reads: the window's own copy, no message sent.
    wchar_t buf[64] = L"";
    const int n = InternalGetWindowText(h, buf, 64);
    String s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(buf[i]);
    return s;
}

TEST(Label, ANewCaptionIsReadAtOnceAndPaintedWithTheNextPaintCycle)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    form->SetBounds(0, 0, 300, 100);
    auto* label = NewComponent<TLabel>(form);
    label->SetAutoSize(false);
    label->SetBounds(10, 10, 200, 20);
    label->SetCaption("first");
    label->SetParent(form);
    form->Show();
    UpdateWindow(form->Handle());
    UpdateWindow(label->Handle());
    RECT r;
    ASSERT_FALSE(GetUpdateRect(label->Handle(), &r, FALSE));

    for (const char* text : {"second", "third", "fourth"}) label->SetCaption(text);
    EXPECT_EQ(label->Caption(), "fourth");
    char buf[64] = "";
    EXPECT_EQ(SendMessageA(label->Handle(), WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf)), 6);
    EXPECT_STREQ(buf, "fourth");
    EXPECT_EQ(SendMessageA(label->Handle(), WM_GETTEXTLENGTH, 0, 0), 6);
    EXPECT_EQ(SendMessageA(label->Handle(), WM_GETTEXT, 4, reinterpret_cast<LPARAM>(buf)), 3);
    EXPECT_STREQ(buf, "fou") << "a short buffer gets what fits and the terminator";
    EXPECT_TRUE(GetUpdateRect(label->Handle(), &r, FALSE));
    EXPECT_FALSE(GetUpdateRect(form->Handle(), &r, FALSE)) << "the form around it is not repainted";

    UpdateWindow(label->Handle());
    EXPECT_FALSE(GetUpdateRect(label->Handle(), &r, FALSE));
    EXPECT_EQ(StoredText(label->Handle()), "fourth");

    // After a paint the next change marks the label again; a text set from
    // outside is the label's caption.
    SendMessageA(label->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("fifth"));
    EXPECT_EQ(label->Caption(), "fifth");
    EXPECT_TRUE(GetUpdateRect(label->Handle(), &r, FALSE));
    form->Free();
}

TEST(Label, AnAutoSizedLabelTakesTheWidthOfItsNewCaption)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    auto* label = NewComponent<TLabel>(form);
    label->SetParent(form);
    form->Show();
    label->SetCaption("1");
    const int narrow = label->Width();
    label->SetCaption("10000");
    EXPECT_GT(label->Width(), narrow);
    label->SetCaption("1");
    EXPECT_EQ(label->Width(), narrow);
    form->Free();
}

}  // namespace
