// Owning handles: each handle is closed once, by its last owner, whatever
// moves it went through; an empty owner closes nothing.
#include <gtest/gtest.h>

#include <map>
#include <utility>

#include "framework/win32/handles.h"

namespace {

std::map<HANDLE, int> gClosed;

bool CountClose(HANDLE h)
{
    ++gClosed[h];
    return true;
}

using TCounted = TOwnedHandle<CountClose>;

HANDLE Fake(uintptr_t n) { return reinterpret_cast<HANDLE>(n); }

TEST(OwnedHandle, EveryHandleIsClosedOnceByItsLastOwner)
{
    gClosed.clear();
    {
        TCounted a(Fake(1));
        TCounted b(std::move(a));
        EXPECT_FALSE(a.Valid());
        EXPECT_EQ(b.Get(), Fake(1));
        TCounted c(Fake(2));
        c = std::move(b);  // c's own handle goes now, b's moves in
        EXPECT_EQ(gClosed, (std::map<HANDLE, int>{{Fake(2), 1}}));
        TCounted& self = c;
        c = std::move(self);
        EXPECT_EQ(c.Get(), Fake(1));
        c.Reset(Fake(3));
        EXPECT_EQ(gClosed, (std::map<HANDLE, int>{{Fake(1), 1}, {Fake(2), 1}}));
        TCounted d(Fake(4));
        HANDLE kept = d.Release();  // given up: its new keeper closes it
        EXPECT_EQ(kept, Fake(4));
        EXPECT_TRUE(c.Close());
        EXPECT_TRUE(c.Close());  // closing an empty owner does nothing
    }
    EXPECT_EQ(gClosed, (std::map<HANDLE, int>{{Fake(1), 1}, {Fake(2), 1}, {Fake(3), 1}}));
}

TEST(OwnedHandle, BothFailureAnswersOfThePlatformAreEmpty)
{
    gClosed.clear();
    {
        TCounted none;
        TCounted null(nullptr);
        TCounted invalid(INVALID_HANDLE_VALUE);
        EXPECT_FALSE(none || null || invalid);
    }
    EXPECT_TRUE(gClosed.empty());
}

// Whether the process still has the handle open.
bool IsOpen(HANDLE h)
{
    DWORD flags = 0;
    return GetHandleInformation(h, &flags) != 0;
}

TEST(KernelHandle, ARealHandleStaysOpenThroughMovesAndIsClosedAtTheEnd)
{
    HANDLE raw = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(raw, nullptr);
    {
        TKernelHandle first(raw);
        TKernelHandle second;
        {
            TKernelHandle moved(std::move(first));
            second = std::move(moved);
        }
        EXPECT_TRUE(IsOpen(raw)) << "a moved-from owner closed the handle";
        EXPECT_EQ(second.Get(), raw);
    }
    EXPECT_FALSE(IsOpen(raw));
}

}  // namespace
