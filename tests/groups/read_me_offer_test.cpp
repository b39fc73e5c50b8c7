// The shipped form's offer of the installed read-me file, on leaving the
// program groups page.
#include <gtest/gtest.h>

#include "engine/file_routines.h"
#include "engine/registry.h"
#include "gui_test_support.h"
#include "shipped_form.h"

namespace {

class ReadMeOffer : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = FreshTempFolder("nimbo readme");
        out = folder + "echo.out";
        SetEnvironmentVariableA("NIMBO_ECHO_OUT", out.c_str());
        SetEnvironmentVariableA("NIMBO_ECHO_SLEEP", "500");

        form = ReadShippedForm();
        ASSERT_TRUE(form->suDir && form->suProg && form->suGroups);
        form->suDir->SetTargetDir(folder);
        // The viewer is our echo program.
        form->suProg->SetProgDir("(none)");
        form->suProg->SetProgName(BuildPath(NIMBO_ECHO_EXE));
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("NIMBO_ECHO_OUT", nullptr);
        SetEnvironmentVariableA("NIMBO_ECHO_SLEEP", nullptr);
        form->Free();
        RemoveTree(folder);
        // Leaving the groups page registered the uninstall.
        DeleteRegistryKey(HKEY_LOCAL_MACHINE, String(kUnInstallKey) + "\\Corvane Linker");
    }
    String Offer(const String& answer)
    {
        String question;
        TGuiScript g;
        g.Answer("Confirm", answer, &question);
        form->suGroupsNextPage(form->suGroups);
        EXPECT_TRUE(g.Finished());
        return question;
    }
    String folder, out;
    TNimboForm* form = nullptr;
};

TEST_F(ReadMeOffer, WithoutTheFileNothingIsAsked)
{
    form->suGroupsNextPage(form->suGroups);
    EXPECT_FALSE(FileExists(out));
}

TEST_F(ReadMeOffer, NoStartsNothingYesShowsItAndWaits)
{
    WriteAll(folder + "ReadMe.txt", "read me");
    EXPECT_EQ(Offer("No"), "Would you like to read the README.TXT file?");
    EXPECT_FALSE(FileExists(out));

    Offer("Yes");
    TStringList lines;
    lines.SetText(ReadAll(out));
    ASSERT_EQ(lines.Count(), 4) << lines.Text();
    EXPECT_EQ(lines[0], "cmd=" + BuildPath(NIMBO_ECHO_EXE) + " \"" + folder + "README.TXT\"");
    EXPECT_EQ(lines[3], "end") << "the viewer had not ended";
}

}  // namespace
