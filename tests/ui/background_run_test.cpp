// The background's start of the run and its closing message. Each test
// ends the application, so CTest runs them one at a time (see CMakeLists).
#include <gtest/gtest.h>

#include "gui_test_support.h"
#include "pages/message_page.h"
#include "ui/background.h"

namespace {

// A page that needs no dialog: it ends at once with a fixed result.
class TQuickPage : public TNimboPage {
public:
    uint8_t result = psDone;
    int runs = 0;
    uint8_t Execute() override
    {
        ++runs;
        return result;
    }
};

struct Host {
    explicit Host(bool withController)
    {
        form = NewComponent<TTestHostForm>(Application);
        form->SetBounds(0, 0, 400, 300);
        bg = NewComponent<TNimboBackground>(form);
        bg->SetParent(form);
        bg->SetAlign(alClient);
        if (withController) {
            info = NewComponent<TNimboInfo>(form);
            info->Script()->SetAppName("Demo");
            info->Loaded();
        }
        bg->Loaded();
    }
    // Shows the form and runs the message loop until the application ends.
    void Run()
    {
        form->Show();
        const DWORD start = GetTickCount();
        while (!Application->Terminated() && GetTickCount() - start < 15000) Application->HandleMessage();
    }
    TTestHostForm* form = nullptr;
    TNimboBackground* bg = nullptr;
    TNimboInfo* info = nullptr;
};

TEST(BackgroundRun, CancelledSetupIsReportedAsFailedAndEndsTheProgram)
{
    Host h(true);
    auto* page = NewComponent<TNimboMessage>(h.form);
    page->SetCaption("Only");
    h.bg->SetAutoSetup(page);
    bool paintedFirst = false;
    String seen;
    TGuiScript g(15000);
    g.WaitForPage([&] { return page; });
    g.Then([&] {
        paintedFirst = h.bg->Painted();
        return true;
    });
    g.ClickCancel().Answer("Confirmation", "Yes");
    g.Answer("Information", "OK", &seen);
    h.Run();
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(paintedFirst);
    EXPECT_EQ(seen, "\r\nSetup failed.\r\n");
    EXPECT_TRUE(Application->Terminated());
}

TEST(BackgroundRun, WithoutControllerNoMessageButTheProgramStillEnds)
{
    Host h(false);
    auto* page = NewComponent<TQuickPage>(h.form);
    h.bg->SetAutoSetup(page);
    EXPECT_EQ(h.bg->NameLabel()->Caption(), "(none)");
    h.Run();
    EXPECT_EQ(page->runs, 1);
    EXPECT_EQ(FindTopWindow("Information"), nullptr);
    EXPECT_TRUE(Application->Terminated());
}

TEST(BackgroundRun, DisplayMessageFalseEndsWithoutTheClosingMessage)
{
    Host h(true);
    auto* page = NewComponent<TQuickPage>(h.form);
    h.bg->SetAutoSetup(page);
    h.bg->SetDisplayMessage(false);
    String seen;
    TGuiScript g(3000);
    g.Answer("Information", "OK", &seen);
    h.Run();
    EXPECT_EQ(page->runs, 1);
    EXPECT_EQ(seen, "");
    EXPECT_TRUE(Application->Terminated());
}

TEST(BackgroundRun, ADoneSetupIsReportedAsCompleted)
{
    Host h(true);
    auto* page = NewComponent<TQuickPage>(h.form);
    h.bg->SetAutoSetup(page);
    String seen;
    TGuiScript g;
    g.Answer("Information", "OK", &seen);
    h.Run();
    EXPECT_EQ(seen, "\r\nSetup completed successfully.\r\n");
}

// Going on past copy errors finishes the setup, but not successfully.
TEST(BackgroundRun, ADoneSetupWithFilesNotInstalledNamesThem)
{
    Host h(true);
    auto* page = NewComponent<TQuickPage>(h.form);
    h.bg->SetAutoSetup(page);
    for (const char* file : {"C:\\App\\a.dll", "C:\\App\\b.hlp", "C:\\App\\c.txt"}) h.info->AddNotInstalled(file);
    String seen;
    TGuiScript g;
    g.Answer("Warning", "OK", &seen);
    h.Run();
    EXPECT_EQ(seen, "\r\nSetup finished, but files were not installed: 3.\r\n\r\nC:\\App\\a.dll\r\nC:\\App\\b.hlp\r\n"
                    "C:\\App\\c.txt\r\n");
}

}  // namespace
