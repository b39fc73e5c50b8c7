// The shipped host form, compiled from its text source and read as the
// program reads it: components, chain, background and the setup script.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/nimbo_form.h"
#include "framework/form_text.h"
#include "gui_test_support.h"

namespace {

TEST(ShippedForm, ReadsBackWithTheChainTheBackgroundAndTheScript)
{
    std::ifstream in(NIMBO_SHIPPED_FORM, std::ios::binary);
    ASSERT_TRUE(in) << NIMBO_SHIPPED_FORM;
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<uint8_t> data = FormTextToBinary(text.str());
    auto* form = NewComponent<TNimboForm>(Application);
    form->ReadFormData(data.data(), data.size());

    EXPECT_EQ(form->Caption(), "Corvane Linker Setup Setup Program");
    ASSERT_TRUE(form->suInfo && form->suDir && form->suWelcome && form->suPreFileCopy && form->NimboBackground1);

    const TNimboData* s = form->suInfo->Script();
    EXPECT_EQ(s->AppName(), "Corvane Linker Setup");
    ASSERT_EQ(s->Files().Count(), 7);
    EXPECT_EQ(s->Files()[0]->Name(), "corvane.exe");
    EXPECT_EQ(s->Files()[0]->Size(), 299008);
    EXPECT_EQ(s->Files()[6]->Name(), "urls-submt.tmp");
    ASSERT_EQ(s->Disks().Count(), 1);
    EXPECT_EQ(s->Disks()[0]->Description(), "install");
    EXPECT_EQ(s->Disks()[0]->Size(), 1400000);
    EXPECT_EQ(s->Disks()[0]->Files().Count(), 7);
    ASSERT_EQ(s->Dirs().Count(), 3);
    const TNimboDir* install = s->FindDir("Install");
    ASSERT_TRUE(install);
    EXPECT_EQ(install->Dir(), "C:\\Corvane\\");
    EXPECT_EQ(install->Files().Count(), 7);
    const TNimboDir* system = s->FindDir("Windows System");
    ASSERT_TRUE(system);
    EXPECT_EQ(system->Parent(), s->FindDir("Windows"));
    EXPECT_EQ(s->ChoiceItems().Count(), 7);
    ASSERT_TRUE(s->FindChoiceData("suInstallType"));
    EXPECT_EQ(s->FindChoiceData("suInstallType")->Common(), s->FindChoiceItem("CUSTOM INSTALL"));
    ASSERT_EQ(s->WinGroups().Count(), 1);
    EXPECT_EQ(s->WinGroups()[0]->Title(), "Corvane Linker");
    EXPECT_EQ(s->WinGroups()[0]->Items().Count(), 3);
    EXPECT_EQ(s->LogFileDir(), install);
    EXPECT_EQ(s->LogFileName(), "INSTALL.LOG");

    TNimboDirChoice* dir = form->suDir;
    EXPECT_EQ(dir->Buttons(), NimboButton(btNext) | NimboButton(btCancel));
    EXPECT_EQ(dir->InstallDir(), "Install");
    EXPECT_EQ(dir->TargetDir(), "C:\\Corvane\\");
    EXPECT_TRUE(dir->AllowDirChange());
    EXPECT_FALSE(dir->DoInvisible());
    EXPECT_EQ(dir->PreserveTrailing(), 0);
    ASSERT_EQ(dir->Text()->Count(), 1);
    EXPECT_EQ((*dir->Text())[0], "Select a directory for Corvane.");
    EXPECT_EQ(form->suWelcome->NextPage(), dir);
    EXPECT_EQ(dir->NextPage(), form->suPreFileCopy);
    EXPECT_EQ(form->suPreFileCopy->Caption(), "About To Begin File Copy");
    EXPECT_EQ(form->suWelcome->Lines()->Count(), 18);
    // The copy hands over to the groups page, the end of the chain; the
    // page keeps the script's one group record under its name.
    ASSERT_TRUE(form->suCopy && form->suGroups && form->suProg);
    EXPECT_EQ(form->suPreFileCopy->NextPage(), form->suCopy);
    EXPECT_EQ(form->suCopy->NextPage(), form->suGroups);
    EXPECT_EQ(form->suGroups->NextPage(), nullptr);
    EXPECT_TRUE(form->suGroups->OnNextPage);
    EXPECT_TRUE(form->suGroups->MinimizeProgMan());
    EXPECT_EQ(form->suGroups->Groups(), s->WinGroups()[0]);
    EXPECT_EQ(s->WinGroups().Count(), 1);
    EXPECT_EQ(form->suProg->ProgDir(), "Windows");
    EXPECT_EQ(form->suProg->ProgName(), "NOTEPAD.EXE");
    EXPECT_TRUE(form->suProg->WaitForDone());
    EXPECT_EQ(form->suProg->WindowState(), wsNormal);
    // The uninstall runs its page alone; the registration handlers are set.
    ASSERT_TRUE(form->suUnInstall);
    EXPECT_EQ(form->NimboBackground1->AutoUnInstall(), form->suUnInstall);
    EXPECT_EQ(form->suUnInstall->LogDir(), "Install");
    EXPECT_EQ(form->suUnInstall->LogFileName(), "INSTALL.LOG");
    EXPECT_TRUE(form->suUnInstall->OnCleanup);
    EXPECT_EQ(form->suUnInstall->NextPage(), nullptr);
    EXPECT_EQ(form->suInfo->MultiDiskFiles()->Count(), 8) << "read as written, Runnel.exe included";
    EXPECT_FALSE(form->suInfo->Picture()->Empty());

    TNimboBackground* bg = form->NimboBackground1;
    EXPECT_EQ(bg->AutoSetup(), form->suWelcome);
    EXPECT_EQ(bg->Controller(), form->suInfo);
    EXPECT_EQ(bg->Gradations(), 100);
    EXPECT_EQ(bg->StartColor(), clBlue);
    EXPECT_EQ(bg->EndColor(), clBlack);
    EXPECT_EQ(bg->AppFont()->Height(), -27);
    EXPECT_EQ(bg->AppFont()->Style(), (1u << fsBold) | (1u << fsItalic));
    EXPECT_EQ(bg->NameLabel()->Caption(), "Corvane Linker Setup");
    EXPECT_EQ(bg->Align(), alClient);
    EXPECT_EQ(form->WindowState(), wsMaximized);
    form->Free();
}

}  // namespace
