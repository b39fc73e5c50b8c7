// Windows of controls made on demand: a control asked for its window before
// its form has one gets exactly one, inside the form's.
#include <gtest/gtest.h>

#include "framework/win32/extctrls.h"
#include "framework/win32/stdctrls.h"
#include "gui_test_support.h"

namespace {

std::vector<HWND> DirectChildren(HWND parent)
{
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    return children;
}

// A hidden program asks a control for its window first (to post itself a
// message): the form's window is made on the way, with the control's; the
// control must not make a second one, which would outlive the control.
TEST(Windows, AControlAskedForItsWindowBeforeItsFormGetsExactlyOne)
{
    auto* form = NewComponent<TTestHostForm>(Application);
    form->SetBounds(0, 0, 300, 100);
    auto* panel = NewComponent<TPanel>(form);
    panel->SetParent(form);
    auto* label = NewComponent<TLabel>(form);
    label->SetParent(panel);
    ASSERT_FALSE(form->HandleAllocated());

    const HWND h = panel->Handle();
    ASSERT_TRUE(IsWindow(h));
    EXPECT_EQ(GetParent(h), form->Handle());
    EXPECT_EQ(DirectChildren(form->Handle()), std::vector<HWND>{h});
    EXPECT_EQ(GetParent(label->Handle()), h);
    EXPECT_EQ(DirectChildren(h), std::vector<HWND>{label->Handle()});

    const HWND formWindow = form->Handle();
    form->Free();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(IsWindow(formWindow));
}

}  // namespace
