// The set-up the page tests share: a host form that owns the controller and
// the pages, as the program has them once its form is read. Afterwards the
// wizard dialog is reset and the form freed with all it owns.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "gui_test_support.h"

class TPageFixture : public ::testing::Test {
protected:
    // When the controller's start-up (its Loaded) runs: at set-up, or when
    // the test calls it after filling the script, since start-up selects
    // what the script holds at that moment.
    enum class TStartUp { AtSetUp, ByTest };
    explicit TPageFixture(TStartUp startUp = TStartUp::AtSetUp) : startUp_(startUp) {}

    void SetUp() override;
    void TearDown() override;
    // A new form and controller in place of the ones there were, not yet
    // started.
    void NewForm();
    // A component of the form; a page under that name, with those buttons.
    template <class T> T* Add(const String& name = "")
    {
        T* c = NewComponent<T>(form);
        if (!name.empty()) c->SetName(name);
        return c;
    }
    template <class T> T* AddPage(const String& name, TNimboButtons buttons = kAllButtons)
    {
        T* page = Add<T>(name);
        page->SetButtons(buttons);
        return page;
    }
    // Links the pages in this order through their NextPage.
    static void Chain(std::initializer_list<TNimboPage*> pages);

    static constexpr TNimboButtons kAllButtons = NimboButton(btPrev) | NimboButton(btNext) | NimboButton(btCancel);
    static constexpr TNimboButtons kNextCancel = NimboButton(btNext) | NimboButton(btCancel);

    TTestHostForm* form = nullptr;
    TNimboInfo* info = nullptr;

private:
    void FreeForm();
    TStartUp startUp_;
};
