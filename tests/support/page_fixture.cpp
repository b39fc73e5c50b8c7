#include "page_fixture.h"

void TPageFixture::SetUp()
{
    NewForm();
    if (startUp_ == TStartUp::AtSetUp) info->Loaded();
}

void TPageFixture::TearDown()
{
    FreeForm();
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
