// The language page run for real in the wizard dialog: which languages it
// offers, and that the pages after it speak the chosen one.
#include <gtest/gtest.h>

#include "engine/profile.h"
#include "page_fixture.h"
#include "pages/choice.h"
#include "pages/language_page.h"
#include "pages/message_page.h"
#include "test_files.h"

namespace {

const String kFrench = "Fran\xe7"
                       "ais";

// A text of the language library, read from it directly.
String LibraryText(UINT id)
{
    HMODULE lib = LoadLibraryA(BuildPath(NIMBO_LANG_DLL).c_str());
    char buf[2048];
    const int n = lib ? LoadStringA(lib, id, buf, sizeof buf) : 0;
    if (lib) FreeLibrary(lib);
    return String(buf, static_cast<size_t>(n > 0 ? n : 0));
}

// The string id of message 0 of a language in the library.
UINT BlockOf(const String& language)
{
    for (UINT k = 0; k < 10; ++k)
        if (LibraryText(k * 1000) == language) return k * 1000;
    ADD_FAILURE() << language << " is not in the library";
    return 0;
}

class LanguagePage : public TPageFixture {
protected:
    // Each test makes its own controller, before which the library is placed.
    LanguagePage() : TPageFixture(TStartUp::ByTest) {}
    void TearDown() override
    {
        TPageFixture::TearDown();
        DeleteFileA((ProgramFolder() + "TNLANG32.DLL").c_str());
    }
    // The controller finds its languages when it is created.
    void Make(bool withLibrary)
    {
        if (withLibrary) {
            ASSERT_TRUE(
                CopyFileA(BuildPath(NIMBO_LANG_DLL).c_str(), (ProgramFolder() + "TNLANG32.DLL").c_str(), FALSE));
        }
        NewForm();
        info->Loaded();
        page = AddPage<TNimboLanguage>("suLanguage", kNextCancel);
        last = Add<TNimboMessage>("last");
        Chain({page, last});
        following = last;
    }
    std::vector<String> Offered() const { return NimboPagesForm->rdgLSLanguage->Items()->Lines(); }
    // Picks a language as a person does, then Next; notes the next page's buttons.
    void ChooseAndGoOn(TGuiScript& g, const String& language)
    {
        g.WaitForPage([this] { return page; }).Then([this, language] {
            offered = Offered();
            TRadioGroup* group = NimboPagesForm->rdgLSLanguage;
            const int i = group->Items()->IndexOf(language);
            EXPECT_GE(i, 0) << language << " is not offered";
            if (i >= 0) PostMessageA(group->Buttons(i)->Handle(), BM_CLICK, 0, 0);
            return true;
        });
        g.ClickNext().WaitForPage([this] { return following; }).Then([this] {
            next = NimboPagesForm->btnNext->Caption();
            cancel = NimboPagesForm->btnCancel->Caption();
            caption = NimboPagesForm->Caption();
            return true;
        });
        g.ClickNext();
    }

    TNimboLanguage* page = nullptr;
    TNimboMessage* last = nullptr;
    TNimboPage* following = nullptr;  // the page after the language page
    std::vector<String> offered;
    String next, cancel, caption;
};

TEST_F(LanguagePage, WithoutTheLibraryOnlyEnglishIsOffered)
{
    Make(false);
    EXPECT_EQ(page->DefaultLanguage(), "English") << "taken from the controller on joining";
    TGuiScript g;
    ChooseAndGoOn(g, "English");
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(offered, (std::vector<String>{"English"}));
    EXPECT_EQ(next, "&Next");
    EXPECT_EQ(info->Language(), "English");
}

TEST_F(LanguagePage, APageBeforeTheControllerTakesItsLanguageWhenTheFormIsLoaded)
{
    auto* other = NewComponent<TTestHostForm>(Application);
    auto* early = NewComponent<TNimboLanguage>(other);
    auto* controller = NewComponent<TNimboInfo>(other);
    EXPECT_EQ(early->DefaultLanguage(), "");
    early->Loaded();
    controller->Loaded();
    EXPECT_EQ(early->DefaultLanguage(), "English");
    other->Free();
}

TEST_F(LanguagePage, FrenchMakesThePagesAfterItSpeakFrenchAndTheLogSaysSo)
{
    Make(true);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const String dir = String(temp) + "nimbo_langpage\\";
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), nullptr);
    TNimboDir* install = info->Script()->FindDir("Install");
    install->SetDir(dir);
    info->Script()->SetLogFileDir(install);
    // An options page follows: its own texts come from the catalogue too.
    auto* options = Add<TNimboCheckBoxChoice>("suOptions");
    options->ChoiceData()->AddItem(info->Script()->AddChoiceItem("Help"));
    page->SetNextPage(options);
    following = options;
    TGuiScript g;
    ChooseAndGoOn(g, kFrench);
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(offered, (std::vector<String>{"English", kFrench})) << "Deutsch is not offered by default";
    EXPECT_EQ(info->Language(), kFrench);
    EXPECT_EQ(info->MessageBase(), static_cast<int>(BlockOf(kFrench)));
    EXPECT_EQ(next, LibraryText(BlockOf(kFrench) + 9));
    EXPECT_EQ(cancel, LibraryText(BlockOf(kFrench) + 11));
    EXPECT_EQ(caption, LibraryText(BlockOf(kFrench) + 72));
    EXPECT_NE(caption, "Setup Choice");
    EXPECT_NE(next, "&Next");
    info->WriteLog();
    EXPECT_EQ(ReadProfileString(dir + "INSTALL.LOG", "Language", "Language"), kFrench);
    RemoveTree(dir);
}

TEST_F(LanguagePage, GermanIsOfferedWhereTheAuthorAllowsIt)
{
    Make(true);
    page->SetShowLanguages(page->ShowLanguages() | (1u << laGerman));
    TGuiScript g;
    ChooseAndGoOn(g, "Deutsch");
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(offered, (std::vector<String>{"English", kFrench, "Deutsch"}));
    EXPECT_EQ(info->Language(), "Deutsch");
    EXPECT_EQ(next, LibraryText(BlockOf("Deutsch") + 9));
}

TEST_F(LanguagePage, ThePreselectionSpeaksAtOnceAndOnlyNextKeepsAChoice)
{
    Make(true);
    page->SetDefaultLanguage(kFrench);
    int shownIndex = -1;
    String shownNext, afterClick;
    TGuiScript g;
    g.WaitForPage([this] { return page; }).Then([&] {
        shownIndex = NimboPagesForm->rdgLSLanguage->ItemIndex();
        shownNext = NimboPagesForm->btnNext->Caption();
        PostMessageA(NimboPagesForm->rdgLSLanguage->Buttons(0)->Handle(), BM_CLICK, 0, 0);
        return true;
    });
    g.Then([&] {
        afterClick = info->Language();
        return true;
    });
    g.ClickNext().WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(shownIndex, 1);
    EXPECT_EQ(shownNext, LibraryText(BlockOf(kFrench) + 9)) << "the buttons follow the preselection";
    EXPECT_EQ(afterClick, kFrench) << "a click alone changes nothing";
    EXPECT_EQ(info->Language(), "English");
}

TEST_F(LanguagePage, NothingToOfferMovesOnWithTheDefaultLanguage)
{
    Make(true);
    page->SetDefaultLanguage(kFrench);
    page->SetShowLanguages(1u << laCompiled);  // neither English nor French
    TGuiScript g;
    g.WaitForPage([this] { return last; }).ClickNext();
    EXPECT_EQ(page->Execute(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(info->Language(), kFrench);
}

TEST_F(LanguagePage, AnUnavailableDefaultIsRefusedWithAMessage)
{
    Make(false);
    String text;
    TGuiScript g;
    g.Answer("Information", "OK", &text);
    page->SetDefaultLanguage(kFrench);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(text, "The language " + kFrench + " is not in the list of available languages.");
    EXPECT_EQ(page->DefaultLanguage(), "English");
}

}  // namespace
