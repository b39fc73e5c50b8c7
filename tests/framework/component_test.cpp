#include <gtest/gtest.h>

#include "base/exceptions.h"
#include "test_components.h"

namespace {

TComponent* NewNamed(TComponent* owner, const char* name)
{
    TComponent* c = NewComponent<TTestItem>(owner);
    c->SetName(name);
    return c;
}

TEST(Component, NamesAreIdentifiersUniqueWithinTheOwner)
{
    TTestFormPtr form = NewTestForm();
    TComponent* a = NewNamed(form.get(), "btnNext");
    EXPECT_EQ(form->FindComponent("BTNNEXT"), a);

    for (const char* bad : {"1abc", "a b", "a-b", "a.b", "\xE9t\xE9"})
        EXPECT_THROW(a->SetName(bad), EComponentError) << bad;
    EXPECT_EQ(a->Name(), "btnNext");

    TComponent* b = NewComponent<TTestItem>(form.get());
    EXPECT_THROW(b->SetName("BtnNext"), EComponentError);  // case-insensitive
    EXPECT_TRUE(b->Name().empty());
    b->SetName("_b2");
    a->SetName("BTNNEXT");                // renaming itself is no clash
    NewComponent<TTestItem>(form.get());  // unnamed components never clash
    NewComponent<TTestItem>(form.get());
    EXPECT_EQ(form->ComponentCount(), 4);
    EXPECT_EQ(form->FindComponent(""), nullptr);

    // The same name under another owner is fine; moving it into a clash is not.
    TTestFormPtr other = NewTestForm();
    TComponent* c = NewNamed(other.get(), "btnNext");
    EXPECT_THROW(form->InsertComponent(c), EComponentError);
    EXPECT_EQ(c->Owner(), other.get());
    EXPECT_EQ(form->ComponentCount(), 4);
}

TEST(Component, EveryComponentOfTheOwnerIsToldOfEachInsertion)
{
    // The owner passes the news to all it owns, the new one included, so
    // of any two components the earlier one always sees the later one.
    TTestFormPtr form = NewTestForm();
    auto* first = NewComponent<TTestItem>(form.get());
    auto* second = NewComponent<TTestItem>(form.get());
    auto* third = NewComponent<TTestItem>(form.get());
    EXPECT_EQ(first->insertedObjects, (std::vector<TComponent*>{first, second, third}));
    EXPECT_EQ(second->insertedObjects, (std::vector<TComponent*>{second, third}));
    EXPECT_EQ(third->insertedObjects, (std::vector<TComponent*>{third}));
}

TEST(Component, RemovalTellsEveryComponentSoLinksAreCleared)
{
    TTestFormPtr form = NewTestForm();
    auto* a = NewComponent<TTestItem>(form.get());
    auto* b = NewComponent<TTestItem>(form.get());
    auto* c = NewComponent<TTestItem>(form.get());
    a->SetNext(b);
    c->SetNext(b);
    b->Free();
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(c->next, nullptr);
    EXPECT_EQ(form->ComponentCount(), 2);
    EXPECT_EQ(form->Components(0), a);
    EXPECT_EQ(form->Components(1), c);
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners)
{
    TTestFormPtr f1 = NewTestForm();
    TTestFormPtr f2 = NewTestForm();
    auto* a = NewComponent<TTestItem>(f1.get());
    auto* b = NewComponent<TTestItem>(f2.get());
    a->SetBuddy(b);
    b->SetBuddy(a);
    f2.reset();  // destroys b: a must forget it
    EXPECT_EQ(a->buddy, nullptr);

    // And the other way round: the referenced one outlives its watcher,
    // which must have unregistered itself (ASan would see a stale pointer).
    f2 = NewTestForm();
    auto* c = NewComponent<TTestItem>(f2.get());
    a->SetBuddy(c);
    a->Free();
    c->Free();
}

TEST(Component, MovingAWatchedComponentToAnotherOwnerDropsTheLinkOnBothSides)
{
    TTestFormPtr f1 = NewTestForm();
    TTestFormPtr f2 = NewTestForm();
    auto* a = NewComponent<TTestItem>(f1.get());
    auto* b = NewComponent<TTestItem>(f1.get());
    a->SetNext(b);
    f2->InsertComponent(b);  // f1's removal news clears a's link to b
    EXPECT_EQ(a->next, nullptr);
    EXPECT_EQ(b->Owner(), f2.get());
    // Neither may still hold the other: freeing a, then b, must not touch a.
    a->Free();
    b->Free();
}

// Destruction order and the whole class being alive during removal.
class TLoggingItem : public TTestItem {
public:
    ~TLoggingItem() override { EventLog().push_back("destroy " + Name()); }
    void Notification(TComponent* c, TOperation op) override
    {
        TTestItem::Notification(c, op);
        if (op == TOperation::opRemove) EventLog().push_back(Name() + " sees removal of " + c->Name());
    }
};

TEST(Component, OwnerFreesOwnedComponentsLastFirstWithNotifications)
{
    EventLog().clear();
    {
        TTestFormPtr form = NewTestForm();
        NewComponent<TLoggingItem>(form.get())->SetName("A");
        NewComponent<TLoggingItem>(form.get())->SetName("B");
    }
    EXPECT_EQ(EventLog(), (std::vector<String>{"A sees removal of B", "B sees removal of B", "destroy B",
                                               "A sees removal of A", "destroy A"}));
}

class TKindItem : public TComponent {
public:
    virtual String Kind() const { return "base"; }
    void Create(TComponent* owner) override
    {
        TComponent::Create(owner);
        kindAtCreate = Kind();
    }
    String kindAtCreate;
};
class TDerivedKindItem : public TKindItem {
public:
    String Kind() const override { return "derived"; }
};

TEST(Component, CreateRunsWithTheFullClassInPlace)
{
    TTestFormPtr form = NewTestForm();
    auto* c = NewComponent<TDerivedKindItem>(form.get());
    EXPECT_EQ(c->kindAtCreate, "derived");
    EXPECT_EQ(c->Owner(), form.get());
    EXPECT_EQ(form->Components(0), c);
}

TEST(Component, FailingCreateLeavesNothingBehindInTheOwner)
{
    TTestFormPtr form = NewTestForm();
    auto* watcher = NewComponent<TTestItem>(form.get());
    NewComponent<TTestSingleton>(form.get());
    EXPECT_THROW(NewComponent<TTestSingleton>(form.get()), EComponentError);
    EXPECT_EQ(form->ComponentCount(), 2);
    // The watcher saw the refused one come and go; it holds no stale pointer.
    EXPECT_EQ(watcher->insertedObjects.size(), 3u);
}

}  // namespace
