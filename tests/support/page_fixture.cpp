#include "page_fixture.h"

#include "engine/run_journal.h"
#include "engine/run_switches.h"

void TPageFixture::SetUp()
{
    // An exit code set by an earlier test (a Cancel clicked) is that test's.
    ResetRunExitCode();
    NewForm();
    // A journal of a test that was ended from outside (a time-out) would
    // make this start ask about it and wait for an answer: undone first.
    if (JournalLeft(info->ProductId())) {
        ADD_FAILURE() << "an earlier run left its journal";
        RecoverJournal(info->ProductId());
    }
    if (startUp_ == TStartUp::AtSetUp) info->Loaded();
}

void TPageFixture::TearDown()
{
    const String application = info ? info->ProductId() : String();
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
