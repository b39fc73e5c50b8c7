#include "page_fixture.h"

#include "engine/run_journal.h"

void TPageFixture::SetUp()
{
    NewForm();
    // A journal of a test that was ended from outside (a time-out) would
    // make this start ask about it and wait for an answer: undone first.
    if (JournalLeft(info->AppName())) {
        ADD_FAILURE() << "an earlier run left its journal";
        RecoverJournal(info->AppName());
    }
    if (startUp_ == TStartUp::AtSetUp) info->Loaded();
}

void TPageFixture::TearDown()
{
    const String application = info ? info->AppName() : String();
    FreeForm();
    // A run ends with its journal removed (committed or undone); one left
    // would make every later start in this prefix ask about it.
    if (!application.empty() && JournalLeft(application)) {
        ADD_FAILURE() << "the run left its journal";
        RecoverJournal(application);
    }
}

void TPageFixture::FreeForm()
{
    ResetWizard();
    if (form) form->Free();
    form = nullptr;
    info = nullptr;
}

void TPageFixture::NewForm()
{
    FreeForm();
    form = NewComponent<TTestHostForm>(Application);
    info = NewComponent<TNimboInfo>(form);
}

void TPageFixture::Chain(std::initializer_list<TNimboPage*> pages)
{
    TNimboPage* before = nullptr;
    for (TNimboPage* page : pages) {
        if (before) before->SetNextPage(page);
        before = page;
    }
}
