// The file copy page run for real in the wizard dialog on real files:
// free space, directories, the overwrite policy, disks, errors and Cancel.
#include <gtest/gtest.h>

#include <fstream>

#include "gui_test_support.h"
#include "test_files.h"
#include "pages/file_copy.h"
#include "engine/file_routines.h"
#include "engine/nimbo_info.h"
#include "pages/message_page.h"
#include "script/nimbo_data.h"
#include "framework/win32/progress_bar.h"

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

class FileCopy : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        root = String(tmp) + "nimbo-copy-" + IntToStr(GetCurrentProcessId()) + "\\";
        src = root + "src\\";
        dst = root + "dst\\";
        RemoveTree(root);  // left over from a run that was killed
        ForceDirs(src);
        form = NewComponent<TTestHostForm>(Application);
        info = NewComponent<TNimboInfo>(form);
        info->SetTest(true);  // files come from each file's own source folder
        script = info->Script();
        install = script->FindDir("Install");
        install->SetDir(dst);
        page = NewComponent<TNimboFileCopy>(form);
        page->SetName("suCopy");
    }
    void TearDown() override
    {
        ResetWizard();
        form->Free();
        SetFreeSpaceSource(nullptr);
        RemoveTree(root);
    }
    // A source file of the script on disk `disk`, installed into `dir`.
    TNimboFile* AddFile(const String& name, const String& content, TNimboDir* dir = nullptr, int disk = 1)
    {
        WriteAll(src + name, content);
        TNimboFile* f = script->AddFile(name);
        f->SetSource(src);
        f->SetSize(static_cast<int32_t>(content.size()));
        (dir ? dir : install)->AddFile(f);
        while (script->Disks().Count() < disk) script->AddDisk("Disk " + IntToStr(script->Disks().Count() + 1));
        script->GetDisk(disk)->AddFile(f);
        return f;
    }
    // Start-up as the program does it, then the page.
    uint8_t Run()
    {
        info->Loaded();
        return page->Execute();
    }
    String root, src, dst;
    TTestHostForm* form = nullptr;
    TNimboInfo* info = nullptr;
    TNimboData* script = nullptr;
    TNimboDir* install = nullptr;
    TNimboFileCopy* page = nullptr;
};

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
    for (const String& f : UnInstallProgramFiles()) program += FileSizeOf(f);
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
    ForceDirs(dst);
    WriteAll(dst + "a.txt", "old");
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
    ForceDirs(dst);
    for (const char* n : {"a.txt", "b.txt", "c.txt"}) WriteAll(dst + n, "old");
    String question;
    TGuiScript g;
    g.Then([&] {
         HWND dlg = FindTopWindow("Confirmation");
         if (!dlg) return false;
         question = WindowText(FindChildByName(dlg, "Message"));
         return true;
     })
        .Answer("Confirmation", "No")  // a.txt stays
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
    AddFile("one.txt", "1", nullptr, 1);
    AddFile("two.txt", "2", nullptr, 2);
    info->SetTest(false);  // disks are asked for outside test mode
    // Outside test mode the files come from the program's own folder.
    const String exeDir = AddBackslash(ExtractFileDir(ProgramPath()));
    WriteAll(exeDir + "one.txt", "1");
    WriteAll(exeDir + "two.txt", "2");
    int cancels = 0;
    page->OnCancel = [&](TObject*) { ++cancels; };
    String prompt;
    TGuiScript g;
    g.Then([&] {
         HWND dlg = FindTopWindow("Information");
         if (!dlg) return false;
         prompt = WindowText(FindChildByName(dlg, "Message"));
         return true;
     }).Answer("Information", "Cancel");
    EXPECT_EQ(Run(), psCancelled);
    DeleteFileA((exeDir + "one.txt").c_str());
    DeleteFileA((exeDir + "two.txt").c_str());
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
    TNimboFile* bad = AddFile("bad.bin", "garbage that is no compressed file");
    bad->SetCompressed(true);
    AddFile("good.txt", "fine");
    info->SetTest(false);
    const String exeDir = AddBackslash(ExtractFileDir(ProgramPath()));
    WriteAll(exeDir + "bad.bin", "garbage that is no compressed file");
    WriteAll(exeDir + "good.txt", "fine");
    ForceDirs(dst);
    WriteAll(dst + "bad.bin", "the user's own file");
    page->SetOverWrite(swAlways);
    String error;
    TGuiScript g;
    g.Then([&] {
         HWND dlg = FindTopWindow("Warning");
         if (!dlg) return false;
         error = WindowText(FindChildByName(dlg, "Message"));
         return true;
     }).Answer("Warning", "Ignore");
    EXPECT_EQ(Run(), psDone);
    DeleteFileA((exeDir + "bad.bin").c_str());
    DeleteFileA((exeDir + "good.txt").c_str());
    EXPECT_EQ(error, "\r\nFILE COPY ERROR: bad.bin located on disk 1.\r\nCompression error.\r\n");
    EXPECT_EQ(ReadAll(dst + "bad.bin"), "the user's own file") << "a failed expansion leaves the target as it was";
    EXPECT_EQ(ReadAll(dst + "good.txt"), "fine");
}

TEST_F(FileCopy, AnEmptyCopyListGoesStraightOn)
{
    auto* after = NewComponent<TRecordingNext>(form);
    page->SetNextPage(after);
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
