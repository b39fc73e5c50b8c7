// The file copy page run for real in the wizard dialog on real files:
// free space, directories, the overwrite policy, disks, errors and Cancel.
#include <gtest/gtest.h>

#include <fstream>

#include "copy_fixture.h"
#include "engine/file_routines.h"
#include "framework/win32/progress_bar.h"
#include "pages/message_page.h"
#include "test_files.h"

namespace {

int64_t gFree = 0;

class TRecordingNext : public TNimboMessage {
public:
    int shows = 0;
    void ShowPage() override
    {
        ++shows;
        TNimboMessage::ShowPage();
    }
};
int64_t FixedFreeSpace(const String&) { return gFree; }

void SetStamp(const String& path, int year)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = 6;
    st.wDay = 1;
    st.wHour = 12;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

using FileCopy = TCopyFixture;

TEST_F(FileCopy, CopiesEverySelectedFileAndRecordsWhatItMade)
{
    AddFile("a.txt", "alpha");
    AddFile("b.txt", String(5000, 'b'));
    install->SetDir(dst + "X\\Y\\");
    int fileMax = -1, totalMax = -1, totalProgress = -1;
    page->OnNextPage = [&](TObject*) {
        fileMax = NimboPagesForm->pbrFCFile->MaxValue();
        totalMax = NimboPagesForm->pbrFCProgress->MaxValue();
        totalProgress = NimboPagesForm->pbrFCProgress->Progress();
    };
    EXPECT_EQ(Run(), psDone);
    EXPECT_EQ(ReadAll(dst + "X\\Y\\a.txt"), "alpha");
    EXPECT_EQ(ReadAll(dst + "X\\Y\\b.txt"), String(5000, 'b'));
    EXPECT_EQ(info->CreatedDirs().Lines(), (std::vector<String>{dst, dst + "X\\", dst + "X\\Y\\"}));
    EXPECT_EQ(info->InstalledFiles().Lines(), (std::vector<String>{dst + "X\\Y\\a.txt", dst + "X\\Y\\b.txt"}));
    EXPECT_EQ(totalMax, 5005);
    EXPECT_EQ(totalProgress, 5005);
    EXPECT_EQ(fileMax, 5000);
}

TEST_F(FileCopy, FreeSpaceMustCoverEveryDrive)
{
    AddFile("a.txt", String(100, 'a'));
    SetFreeSpaceSource(FixedFreeSpace);
    gFree = 100;  // exactly enough
    EXPECT_EQ(Run(), psDone);
    EXPECT_EQ(ReadAll(dst + "a.txt").size(), 100u);
}

TEST_F(FileCopy, AHandlerForTooLittleSpaceReplacesTheMessageButTheCopyStops)
{
    AddFile("a.txt", String(100, 'a'));
    SetFreeSpaceSource(FixedFreeSpace);
    gFree = 99;
    char drive = 0;
    int64_t needed = 0, available = 0;
    page->OnDriveTooSmall = [&](TObject*, char d, int64_t n, int64_t a) {
        drive = d;
        needed = n;
        available = a;
    };
    TGuiScript g;
    g.WaitForPage([this] { return page; })
        .Then([&] {
            EXPECT_EQ(page->LastResult(), 4);
            EXPECT_FALSE(FileExists(dst + "a.txt"));
            return true;
        })
        .ClickCancel()
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(Run(), psCancelled);
    EXPECT_EQ(drive, dst[0]);
    EXPECT_EQ(needed, 100);
    EXPECT_EQ(available, 99);
}

TEST_F(FileCopy, TheProgramPlacedForTheUninstallNeedsSpaceToo)
{
    AddFile("a.txt", String(100, 'a'));
    script->SetLogFileDir(install);
    SetFreeSpaceSource(FixedFreeSpace);
    gFree = 100;  // the files fit, the uninstall program beside the log does not
    int64_t needed = 0;
    page->OnDriveTooSmall = [&](TObject*, char, int64_t n, int64_t) { needed = n; };
    TGuiScript g;
    g.WaitForPage([this] { return page; }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(Run(), psCancelled);
    int64_t program = 0;
    for (const TProgramFile& f : UnInstallProgramFiles(nullptr)) program += f.Size();
    EXPECT_GT(program, 0);
    EXPECT_EQ(needed, 100 + program);
    EXPECT_FALSE(FileExists(dst + "a.txt"));
}

TEST_F(FileCopy, ByteCountsBeyondTwoGigabytesAreComparedWhole)
{
    AddFile("a.txt", "x");
    SetFreeSpaceSource(FixedFreeSpace);
    gFree = int64_t(5) << 30;  // 5 GiB free reads as 5 GiB, not as a negative number
    EXPECT_EQ(Run(), psDone);
}

TEST_F(FileCopy, EmptyDirectoriesOnlyWhenAsked)
{
    TNimboDir* empty = script->AddDir("Empty", dst + "EMPTY\\", nullptr);
    TNimboFile* dropped = AddFile("dropped.txt", "d", empty);
    AddFile("a.txt", "a");
    info->Loaded();
    info->UnselectFile(dropped, empty);  // its directory stays selected, now without files
    page->Execute();
    EXPECT_EQ(GetFileAttributesA((dst + "EMPTY").c_str()), INVALID_FILE_ATTRIBUTES);
    ResetWizard();
    page->SetCreateEmptyDirs(true);
    page->SetOverWrite(swAlways);  // a.txt is there from the first run
    page->Execute();
    EXPECT_NE(GetFileAttributesA((dst + "EMPTY").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(FileExists(dst + "EMPTY\\dropped.txt"));
}

TEST_F(FileCopy, NeverAndOlderKeepTargetsAlwaysReplacesThem)
{
    AddFile("a.txt", "new");
    Existing("a.txt", "old");
    SetStamp(src + "a.txt", 2020);
    SetStamp(dst + "a.txt", 2020);
    page->SetOverWrite(swNever);
    Run();
    EXPECT_EQ(ReadAll(dst + "a.txt"), "old");
    EXPECT_EQ(info->InstalledFiles().Count(), 0) << "a file that was there is not the installation's";
    ResetWizard();
    page->SetOverWrite(swOlder);
    page->Execute();
    EXPECT_EQ(ReadAll(dst + "a.txt"), "old") << "an equal time stamp is not older";
    SetStamp(dst + "a.txt", 2019);
    ResetWizard();
    page->Execute();
    EXPECT_EQ(ReadAll(dst + "a.txt"), "new");
    WriteAll(dst + "a.txt", "old");
    ResetWizard();
    page->SetOverWrite(swAlways);
    page->Execute();
    EXPECT_EQ(ReadAll(dst + "a.txt"), "new");
    EXPECT_EQ(info->InstalledFiles().Count(), 0);
}

TEST_F(FileCopy, AllAnswersEveryLaterQuestion)
{
    AddFile("a.txt", "new a");
    AddFile("b.txt", "new b");
    AddFile("c.txt", "new c");
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) Existing(n, "old");
    String question;
    TGuiScript g;
    g.Answer("Confirmation", "No", &question)  // a.txt stays
        .Answer("Confirmation", "All");
    EXPECT_EQ(Run(), psDone);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(ReadAll(dst + "a.txt"), "old");
    EXPECT_EQ(ReadAll(dst + "b.txt"), "new b");
    EXPECT_EQ(ReadAll(dst + "c.txt"), "new c");
    EXPECT_EQ(page->OverWrite(), swAlways);
    EXPECT_NE(question.find("Overwrite file a.txt\r\n"), String::npos) << question;
    EXPECT_NE(question.find(" 3 bytes\r\nwith file a.txt\r\n"), String::npos) << question;
    EXPECT_NE(question.find(" 5 bytes"), String::npos) << question;
}

TEST_F(FileCopy, CancelAtTheDiskPromptCopiesNothingMore)
{
    info->SetTest(false);  // disks are asked for outside test mode
    AddFile("one.txt", "1", nullptr, 1);
    AddFile("two.txt", "2", nullptr, 2);
    int cancels = 0;
    page->OnCancel = [&](TObject*) { ++cancels; };
    String prompt;
    TGuiScript g;
    g.Answer("Information", "Cancel", &prompt);
    EXPECT_EQ(Run(), psCancelled);
    EXPECT_EQ(prompt, "\r\nPlease insert disk 2 labeled Disk 2.\r\n");
    EXPECT_EQ(ReadAll(dst + "one.txt"), "1");
    EXPECT_FALSE(FileExists(dst + "two.txt"));
    EXPECT_EQ(cancels, 1) << "the cancellation is reported once";
    EXPECT_TRUE(page->Aborted());
}

TEST_F(FileCopy, TestModeCopiesCompressedFilesAsTheyAre)
{
    TNimboFile* f = AddFile("packed.bin", "not really packed");
    f->SetCompressed(true);
    f->SetCompressedSize(17);
    EXPECT_EQ(Run(), psDone);
    EXPECT_EQ(ReadAll(dst + "packed.bin"), "not really packed");
}

TEST_F(FileCopy, AFailedExpansionIsACopyErrorAndIgnoreGoesOn)
{
    info->SetTest(false);
    TNimboFile* bad = AddFile("bad.bin", "garbage that is no compressed file");
    bad->SetCompressed(true);
    AddFile("good.txt", "fine");
    Existing("bad.bin", "the user's own file");
    page->SetOverWrite(swAlways);
    String error;
    TGuiScript g;
    g.Answer("Warning", "Ignore", &error);
    EXPECT_EQ(Run(), psDone);
    EXPECT_EQ(error, "\r\nFILE COPY ERROR: bad.bin located on disk 1.\r\nCompression error.\r\n");
    EXPECT_EQ(ReadAll(dst + "bad.bin"), "the user's own file") << "a failed expansion leaves the target as it was";
    EXPECT_EQ(ReadAll(dst + "good.txt"), "fine");
}

TEST_F(FileCopy, AnEmptyCopyListGoesStraightOn)
{
    auto* after = Add<TRecordingNext>();
    Chain({page, after});
    TGuiScript g;
    g.WaitForPage([&] { return after; }).ClickNext();
    EXPECT_EQ(Run(), psDone);
    EXPECT_EQ(after->shows, 1);
}

TEST_F(FileCopy, ACancelConfirmedDuringTheCopyStopsBeforeTheNextFile)
{
    // Enough to outlast the script's Cancel on a fast disk: 200 files were
    // copied before it landed.
    const int count = 1000;
    for (int i = 0; i < count; ++i) AddFile("f" + IntToStr(10000 + i) + ".dat", String(65536, 'x'));
    TGuiScript g(20000);
    g.WaitForPage([this] { return page; })
        .Then([&] { return FileExists(dst + "f10000.dat"); })  // the copy is under way
        .ClickCancel()
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(Run(), psCancelled);
    int present = 0;
    for (int i = 0; i < count; ++i) present += FileExists(dst + "f" + IntToStr(10000 + i) + ".dat") ? 1 : 0;
    EXPECT_GT(present, 0);
    EXPECT_LT(present, count) << "the copy went on after the Cancel";
    EXPECT_EQ(info->InstalledFiles().Count(), present) << "the log lists exactly what was installed";
}

}  // namespace
