// What goes wrong during a file copy, for real: the compression library
// beside the program expanding good and damaged files, read-only targets,
// a Cancel between two files with the install log written afterwards, and
// (run by disk_full_copy_test.sh) a drive too small and a drive that fills.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "base/temp_names.h"
#include "copy_fixture.h"
#include "engine/file_routines.h"
#include "engine/run_journal.h"
#include "engine/run_switches.h"
#include "framework/win32/progress_bar.h"
#include "test_files.h"

namespace {

bool IsReadOnly(const String& path)
{
    const DWORD a = GetFileAttributesA(path.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

// The page outside test mode: sources come from the program's folder, and
// the compression library lies there too, where the platform finds it.
class CopyFaults : public TCopyFixture {
protected:
    void SetUp() override
    {
        TCopyFixture::SetUp();
        ASSERT_TRUE(CopyFileA(BuildPath(NIMBO_COMP_DLL).c_str(), (exeDir + "TNComp32.DLL").c_str(), FALSE));
        info->SetTest(false);
    }
    // A compressed file of the script, from one of the build's payloads.
    TNimboFile* AddPacked(const String& name, const String& payload)
    {
        const String packed = ReadAll(Packed(payload));
        TNimboFile* f = AddFile(name, packed, nullptr, 1, static_cast<int32_t>(ReadAll(Packed("plain.txt")).size()));
        f->SetCompressed(true);
        f->SetCompressedSize(static_cast<int32_t>(packed.size()));
        return f;
    }
    static String Packed(const String& name) { return BuildPath(NIMBO_PACKED_DIR) + "\\" + name; }
    // A run that ends done, each question of `caption` answered in turn;
    // gives the questions' texts.
    std::vector<String> RunAnswering(const String& caption, const std::vector<String>& answers)
    {
        TGuiScript g;
        std::vector<String> asked;
        for (const String& a : answers) g.Answer(caption, a, asked);
        EXPECT_EQ(Run(), psDone);
        EXPECT_TRUE(g.Finished());
        return asked;
    }
};

TEST_F(CopyFaults, AGoodCompressedFileIsExpandedWithItsOwnTimeStamp)
{
    AddPacked("packed.txt", "good.tnc");
    Existing("packed.txt", "old");
    const String plain = ReadAll(Packed("plain.txt"));
    int total = -1, totalMax = -1, fileDone = -1, fileMax = -1;
    page->OnNextPage = [&](TObject*) {
        total = NimboPagesForm->pbrFCProgress->Progress();
        totalMax = NimboPagesForm->pbrFCProgress->MaxValue();
        fileDone = NimboPagesForm->pbrFCFile->Progress();
        fileMax = NimboPagesForm->pbrFCFile->MaxValue();
    };
    const std::vector<String> asked = RunAnswering("Confirmation", {"Yes"});
    EXPECT_EQ(ReadAll(dst + "packed.txt"), plain);
    // The stamp the file had before compression: 2003-04-05 06:07:08 UTC.
    SYSTEMTIME want{};
    want.wYear = 2003;
    want.wMonth = 4;
    want.wDay = 5;
    want.wHour = 6;
    want.wMinute = 7;
    want.wSecond = 8;
    FILETIME wantFt;
    SystemTimeToFileTime(&want, &wantFt);
    WIN32_FILE_ATTRIBUTE_DATA d{};
    ASSERT_TRUE(GetFileAttributesExA((dst + "packed.txt").c_str(), GetFileExInfoStandard, &d));
    EXPECT_EQ(CompareFileTime(&d.ftLastWriteTime, &wantFt), 0);
    // The question tells the size the file will have, not its packed size.
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find(" 3 bytes\r\nwith file packed.txt\r\n"), String::npos) << asked[0];
    EXPECT_NE(asked[0].find(" " + IntToStr(static_cast<int>(plain.size())) + " bytes"), String::npos) << asked[0];
    // Both bars end full: the file's counts packed bytes, the total's
    // expanded ones.
    EXPECT_EQ(fileMax, static_cast<int>(ReadAll(Packed("good.tnc")).size()));
    EXPECT_EQ(fileDone, fileMax);
    EXPECT_EQ(totalMax, static_cast<int>(plain.size()));
    EXPECT_EQ(total, totalMax);
}

TEST_F(CopyFaults, DamagedCompressedFilesAreCopyErrorsAndLeaveTheTargetsAsTheyWere)
{
    AddPacked("damaged.bin", "bad.tnc");
    AddPacked("short.bin", "short.tnc");
    AddFile("zplain.txt", "plain");
    Existing("damaged.bin", "the user's damaged.bin");
    Existing("short.bin", "the user's short.bin");
    page->SetOverWrite(swAlways);
    const std::vector<String> asked = RunAnswering("Warning", {"Retry", "Ignore", "Ignore"});
    const String why = " located on disk 1.\r\nCompression error.\r\n";
    EXPECT_EQ(asked,
              (std::vector<String>{"\r\nFILE COPY ERROR: damaged.bin" + why, "\r\nFILE COPY ERROR: damaged.bin" + why,
                                   "\r\nFILE COPY ERROR: short.bin" + why}));
    EXPECT_EQ(ReadAll(dst + "damaged.bin"), "the user's damaged.bin");
    EXPECT_EQ(ReadAll(dst + "short.bin"), "the user's short.bin");
    EXPECT_EQ(ReadAll(dst + "zplain.txt"), "plain") << "Ignore goes on with the next file";
    EXPECT_EQ(Entries(dst), (std::vector<String>{"damaged.bin", "short.bin", "zplain.txt"}));
    EXPECT_EQ(info->InstalledFiles().Lines(), (std::vector<String>{dst + "zplain.txt"}));
    EXPECT_EQ(info->NotInstalled(), 2);
}

// Without the library every compressed file says why it fails, plain files
// are still copied; a file the script puts on no disk (larger than its
// disk) is a copy error before anything is copied, not left out unsaid.
TEST_F(CopyFaults, AMissingLibraryAndAFileOnNoDiskAreCopyErrors)
{
    ASSERT_TRUE(DeleteFileA((exeDir + "TNComp32.DLL").c_str()));
    AddPacked("packed.txt", "good.tnc");
    AddFile("plain.txt", "plain");
    TNimboFile* big = script->AddFile("big.dat");
    big->SetSize(5000);
    big->SetCompressedSize(5000);
    install->AddFile(big);
    script->GetDisk(1)->SetSize(script->GetDisk(1)->Used() + 100);
    EXPECT_FALSE(script->GetDisk(1)->AddFile(big));
    Existing("packed.txt", "the user's packed.txt");
    page->SetOverWrite(swAlways);
    const std::vector<String> asked = RunAnswering("Warning", {"Ignore", "Ignore"});
    EXPECT_EQ(asked,
              (std::vector<String>{"\r\nFILE COPY ERROR: big.dat is on none of the setup disks.\r\n",
                                   "\r\nFILE COPY ERROR: packed.txt located on disk 1.\r\nCompression error.\r\n"}));
    EXPECT_EQ(ReadAll(dst + "packed.txt"), "the user's packed.txt");
    EXPECT_EQ(ReadAll(dst + "plain.txt"), "plain");
    EXPECT_EQ(info->NotInstalled(), 2);
}

// Abort at an overwrite question, then No to "Abort file copy?": the user
// has not agreed to replace the file, so the question comes back.
TEST_F(CopyFaults, AbortThenNoAtAnOverwriteQuestionAsksAgain)
{
    AddFile("a.txt", "new a");
    AddFile("b.txt", "new b");
    Existing("a.txt", "the user's newer a");
    Existing("b.txt", "old b");
    const std::vector<String> asked = RunAnswering("Confirmation", {"Abort", "No", "No", "Abort", "No", "Yes"});
    ASSERT_EQ(asked.size(), 6u);
    EXPECT_EQ(asked[1], "\r\nAbort file copy?\r\n");
    EXPECT_EQ(asked[2], asked[0]) << "the overwrite question again";
    EXPECT_EQ(asked[5], asked[3]);
    EXPECT_EQ(ReadAll(dst + "a.txt"), "the user's newer a");
    EXPECT_EQ(ReadAll(dst + "b.txt"), "new b");
    EXPECT_EQ(info->NotInstalled(), 0) << "No is the user's choice, not a failure";
}

// Files not installed although the user went on: a copy error ignored, a
// directory that could not be made (its files with it). The directories a
// failed path made part way are not left behind unlogged.
TEST_F(CopyFaults, FilesLeftOutAreCountedAndPartlyMadePathsAreUndone)
{
    AddFile("a.txt", "a");
    AddFile("gone.txt", "g");
    DeleteFileA((exeDir + "gone.txt").c_str());
    TNimboDir* bad = script->AddDir("Bad", dst + "new\\deep\\bad|name\\", nullptr);
    for (const char* n : {"x.txt", "y.txt"}) {
        TNimboFile* f = AddFile(n, n);
        install->RemoveFile(f);
        bad->AddFile(f);
    }
    const std::vector<String> asked = RunAnswering("Warning", {"No", "Ignore"});
    ASSERT_EQ(asked.size(), 2u);
    // Each says why, in the platform's words, after what failed.
    EXPECT_EQ(asked[0], "\r\nUnable to create directory " + dst +
                            "new\\deep\\bad|name\\. (123: Invalid name.) Abort file copy?\r\n");
    EXPECT_EQ(asked[1], "\r\nFILE COPY ERROR: gone.txt located on disk 1. (2: File not found.)\r\n");
    EXPECT_EQ(info->NotInstalled(), 3);
    EXPECT_EQ(ReadAll(dst + "a.txt"), "a");
    EXPECT_EQ(Entries(dst), (std::vector<String>{"a.txt"})) << "new\\ and new\\deep\\ are removed again";
    EXPECT_EQ(info->CreatedDirs().Lines(), (std::vector<String>{dst}));
}

TEST_F(CopyFaults, ReadOnlyTargetsAreCopyErrorsEvenWhenAlwaysOverwriting)
{
    AddPacked("packed.txt", "good.tnc");
    AddFile("plain.txt", "new plain");
    Existing("packed.txt", "kept packed", true);
    Existing("plain.txt", "kept plain", true);
    page->SetOverWrite(swAlways);
    const std::vector<String> asked = RunAnswering("Warning", {"Ignore", "Ignore"});
    EXPECT_EQ(asked,
              (std::vector<String>{"\r\nFILE COPY ERROR: packed.txt located on disk 1.\r\nCompression error.\r\n",
                                   "\r\nFILE COPY ERROR: plain.txt located on disk 1. (5: Access denied.)\r\n"}));
    EXPECT_EQ(ReadAll(dst + "packed.txt"), "kept packed");
    EXPECT_EQ(ReadAll(dst + "plain.txt"), "kept plain");
    EXPECT_TRUE(IsReadOnly(dst + "packed.txt"));
    EXPECT_TRUE(IsReadOnly(dst + "plain.txt"));
    EXPECT_EQ(Entries(dst), (std::vector<String>{"packed.txt", "plain.txt"}));
}

// The user answers an overwrite question and presses Cancel at once: the
// Cancel is confirmed during the file or right after it, and no later file
// is copied. The log written at the end of the run
// lists exactly the new files.
// Answers the first confirmation with Yes and clicks Cancel right after it,
// so the Cancel comes while the copy runs.
bool YesThenCancel()
{
    HWND dlg = FindTopWindow("Confirmation");
    HWND yes = dlg ? FindChildByCaption(dlg, "Yes") : nullptr;
    if (!yes) return false;
    PostMessageA(yes, BM_CLICK, 0, 0);
    PostMessageA(NimboPagesForm->btnCancel->Handle(), BM_CLICK, 0, 0);
    return true;
}

TEST_F(CopyFaults, ACancelBetweenFilesStopsTheCopyAndTheLogListsWhatWasInstalled)
{
    for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt"}) AddFile(n, String("new ") + n);
    Existing("b.txt", "old b");
    script->SetLogFileDir(install);
    script->SetLogFileName("INSTALL.LOG");
    TGuiScript g;
    g.Then(YesThenCancel)
        .Then([] {
            HWND dlg = FindTopWindow("Confirmation");
            return dlg && DialogMessage(dlg).find("Cancel Setup?") != String::npos;
        })
        .Answer("Confirmation", "Yes");
    EXPECT_EQ(Run(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(ReadAll(dst + "a.txt"), "new a.txt");
    // Whether the Cancel came within the file or right after it, the file
    // is whole: the old one or the new one.
    const String b = ReadAll(dst + "b.txt");
    EXPECT_TRUE(b == "old b" || b == "new b.txt") << b;
    // A replaced b.txt keeps the old one aside until the run has ended.
    info->EndOfRun();
    EXPECT_EQ(Entries(dst), (std::vector<String>{"a.txt", "b.txt", "INSTALL.LOG"}));
    char keys[4096] = "";
    const DWORD n = GetPrivateProfileSectionA("Files", keys, sizeof keys, (dst + "INSTALL.LOG").c_str());
    std::vector<String> logged;
    for (const char* p = keys; p < keys + n && *p; p += std::strlen(p) + 1) logged.push_back(p);
    // b.txt was there before: an uninstall must leave it.
    EXPECT_EQ(logged, (std::vector<String>{dst + "a.txt="})) << ReadAll(dst + "INSTALL.LOG");
}

// A form that rolls back a cancelled run: once the run ends, the files it
// wrote are gone, the one it replaced is back with its time, the user's
// own is untouched, nothing is left aside, and the user is told.
TEST_F(CopyFaults, ACancelledRunThatRollsBackLeavesTheFolderAsItWas)
{
    for (const char* n : {"a.txt", "b.txt", "c.txt", "d.txt"}) AddFile(n, String(1024 * 1024, *n));
    Existing("b.txt", "old b");
    Existing("mine.txt", "the user's own");
    uint64_t oldTime = 0;
    ASSERT_TRUE(LastWriteTime(dst + "b.txt", oldTime));
    info->SetRollBackOnCancel(true);
    TGuiScript g;
    g.Then(YesThenCancel).Answer("Confirmation", "Yes");
    String told;
    g.Answer("Information", "OK", &told);
    EXPECT_EQ(Run(), psCancelled);
    SetRunExitCode(exitCancelled);  // as the background does for a cancelled run
    info->EndOfRun();
    ResetRunExitCode();
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(Trimmed(told), "Setup was cancelled. Your computer was left as it was before.");
    EXPECT_EQ(Entries(dst), (std::vector<String>{"b.txt", "mine.txt"}));
    EXPECT_EQ(ReadAll(dst + "b.txt"), "old b");
    uint64_t time = 0;
    EXPECT_TRUE(LastWriteTime(dst + "b.txt", time) && time == oldTime);
    EXPECT_EQ(ReadAll(dst + "mine.txt"), "the user's own");
    EXPECT_FALSE(JournalLeft(info->AppName()));
}

// The time this thread has run, in milliseconds. A gap measured on the
// clock would also count the time a busy machine gave to other processes,
// which says nothing about how often the copy lets messages through.
DWORD ThreadRunMs()
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
    const auto ms = [](const FILETIME& f) {
        return ((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000;
    };
    return static_cast<DWORD>(ms(kernel) + ms(user));
}

// Samples the page from a timer of the test's thread, which fires only when
// the copy lets messages through: the longest gap within a file (in the
// thread's own running time), whether the expansion and the plain copy were
// seen under way; presses Cancel once the plain copy is.
DWORD gLast, gLongest;
int gMidExpansion, gMidCopy;
void CALLBACK WatchTheCopy(HWND, UINT, UINT_PTR, DWORD)
{
    TQuenProgressBar* bar = NimboPagesForm->pbrFCFile;
    if (bar->Progress() <= 0 || bar->Progress() >= bar->MaxValue()) {
        gLast = 0;
        return;
    }
    const DWORD now = ThreadRunMs();
    if (gLast) gLongest = std::max(gLongest, now - gLast);
    gLast = now;
    if (NimboPagesForm->laFCTarget->Caption().find("a-zeros") != String::npos) ++gMidExpansion;
    if (NimboPagesForm->laFCTarget->Caption().find("b-large") != String::npos && ++gMidCopy == 1)
        PostMessageA(NimboPagesForm->btnCancel->Handle(), BM_CLICK, 0, 0);
}

// A window whose every progress message takes a while.
LRESULT CALLBACK SlowProgress(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_USER + 3) Sleep(50);
    return DefWindowProcA(h, m, w, l);
}

// Messages go through while a single large file is copied or expanded; a
// 10 ms timer of the test's thread measures the longest gap of work. A Cancel
// confirmed during the plain file stops it there, and its partial target
// is gone.
TEST_F(CopyFaults, LargeFilesKeepTheWindowAliveAndCancelStopsWithinTheFile)
{
    const int64_t zeros = 64 * 1024 * 1024;
    TNimboFile* packed = AddPacked("a-zeros.bin", "zeros.tnc");
    packed->SetSize(static_cast<int32_t>(zeros));
    // Large enough that copying it takes a good many timer ticks.
    AddFile("b-large.dat", String(192 * 1024 * 1024, 'p'));
    AddFile("c-after.txt", "after");
    gLast = gLongest = 0;
    gMidExpansion = gMidCopy = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, WatchTheCopy);
    TGuiScript g(30000);
    bool copyUnderWay = false;
    g.Then([&] {
         if (!FindTopWindow("Confirmation")) return false;
         TQuenProgressBar* bar = NimboPagesForm->pbrFCFile;
         copyUnderWay = NimboPagesForm->laFCTarget->Caption().find("b-large") != String::npos && bar->Progress() > 0 &&
                        bar->Progress() < bar->MaxValue() &&
                        GetFileAttributesA((dst + "b-large.dat").c_str()) == INVALID_FILE_ATTRIBUTES;
         return true;
     }).Answer("Confirmation", "Yes");
    const uint8_t result = Run();
    KillTimer(nullptr, timer);
    EXPECT_EQ(result, psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_TRUE(copyUnderWay) << "the question came while b-large.dat was copied, not yet under its name";
    EXPECT_GT(gMidExpansion, 0) << "the window took input during the expansion";
    EXPECT_GT(gMidCopy, 0);
    EXPECT_LE(gLongest, 100u);
    EXPECT_EQ(FileSizeOf(dst + "a-zeros.bin"), zeros);
    EXPECT_EQ(Entries(dst), (std::vector<String>{"a-zeros.bin"})) << "the cut file and c-after.txt are not there";
}

// Posts a click on Cancel once the file bar is under way for the target
// named gCancelAt.
const char* gCancelAt = "";
bool gCancelPosted;
void CALLBACK CancelMidFile(HWND, UINT, UINT_PTR, DWORD)
{
    TQuenProgressBar* bar = NimboPagesForm->pbrFCFile;
    if (gCancelPosted || bar->Progress() <= 0 || bar->Progress() >= bar->MaxValue() ||
        NimboPagesForm->laFCTarget->Caption().find(gCancelAt) == String::npos)
        return;
    gCancelPosted = true;
    PostMessageA(NimboPagesForm->btnCancel->Handle(), BM_CLICK, 0, 0);
}

class CancelledExpansion : public CopyFaults {
protected:
    // Runs the page over a large compressed file and a small one after it,
    // confirms a Cancel in the middle of the first, and gives how far its
    // bar had come of how far it goes when the page cancelled.
    std::pair<int, int> RunCancelled()
    {
        AddPacked("a-zeros.bin", "zeros.tnc")->SetSize(64 * 1024 * 1024);
        AddFile("b-after.txt", "after");
        std::pair<int, int> bar{-1, -1};
        page->OnCancel = [&](TObject*) {
            bar = {NimboPagesForm->pbrFCFile->Progress(), NimboPagesForm->pbrFCFile->MaxValue()};
        };
        gCancelAt = "a-zeros";
        gCancelPosted = false;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, CancelMidFile);
        TGuiScript g(30000);
        g.Answer("Confirmation", "Yes");
        EXPECT_EQ(Run(), psCancelled);
        KillTimer(nullptr, timer);
        EXPECT_TRUE(g.Finished());
        EXPECT_TRUE(gCancelPosted);
        return bar;
    }
};

// A Cancel confirmed while a large file expands stops the expansion there:
// no cut file is left under its name, and nothing after it is copied.
TEST_F(CancelledExpansion, ANewFileIsNotLeftCut)
{
    const auto [done, size] = RunCancelled();
    EXPECT_GT(done, 0);
    EXPECT_LT(done, size) << "the expansion stopped within the file";
    EXPECT_EQ(Entries(dst), std::vector<String>{});
    EXPECT_EQ(info->InstalledFiles().Count(), 0);
}

// The same over a file of the user's, which stays as it was.
TEST_F(CancelledExpansion, AReplacedFileStaysAsItWas)
{
    Existing("a-zeros.bin", "the user's a-zeros.bin");
    page->SetOverWrite(swAlways);
    const auto [done, size] = RunCancelled();
    EXPECT_LT(done, size) << "the expansion stopped within the file";
    EXPECT_EQ(ReadAll(dst + "a-zeros.bin"), "the user's a-zeros.bin");
    EXPECT_EQ(Entries(dst), (std::vector<String>{"a-zeros.bin"}));
}

// The child of the test below, in a process of its own: replaces the
// target in NIMBO_KILL_TARGET slowly, the plain way or through the
// library's expansion, until it is killed.
TEST(KillChild, DISABLED_ReplaceSlowly)
{
    const String source = GetEnvValue("NIMBO_KILL_SOURCE"), target = GetEnvValue("NIMBO_KILL_TARGET");
    if (GetEnvValue("NIMBO_KILL_MODE") == "plain") {
        CopyFileWithProgress(source, target, [](int, int) { Sleep(1); });
        return;
    }
    WNDCLASSA wc{};
    wc.lpfnWndProc = SlowProgress;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "NimboSlowProgress";
    RegisterClassA(&wc);
    HWND window = CreateWindowA("NimboSlowProgress", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    HMODULE lib = LoadLibraryA(BuildPath(NIMBO_COMP_DLL).c_str());
    ASSERT_NE(lib, nullptr);
    auto expand = reinterpret_cast<int32_t(__stdcall*)(const char*, const char*, HWND, UINT)>(
        reinterpret_cast<void*>(GetProcAddress(lib, "TNDeCompress")));
    expand(source.c_str(), target.c_str(), window, WM_USER + 3);
}

// A setup killed while it replaces a file, plain or expanded, leaves a
// temporary file; the user's file stays whole, and the next run removes the
// leftover and nothing else.
TEST_F(CopyFaults, LeftoversOfAKilledCopyAreRemovedByTheNextRun)
{
    AddFile("plain.dat", String(8 * 1024 * 1024, 'n'));
    AddPacked("packed.txt", "zeros.tnc")->SetSize(64 * 1024 * 1024);
    Existing("plain.dat", "the user's plain.dat");
    Existing("packed.txt", "the user's packed.txt");
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    for (const char* mode : {"plain", "packed"}) {
        const String name = String(mode) == "plain" ? "plain.dat" : "packed.txt";
        SetEnvironmentVariableA("NIMBO_KILL_MODE", mode);
        SetEnvironmentVariableA("NIMBO_KILL_SOURCE", (exeDir + name).c_str());
        SetEnvironmentVariableA("NIMBO_KILL_TARGET", (dst + name).c_str());
        String command = String("\"") + exe + "\" --gtest_also_run_disabled_tests --gtest_filter=KillChild.*";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        // Killed once its temporary file has grown.
        const size_t before = Entries(dst).size();
        for (DWORD start = GetTickCount(); GetTickCount() - start < 20000 && Entries(dst).size() == before;) Sleep(5);
        Sleep(200);
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 5000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(Entries(dst).size(), before + 1) << mode << ": the killed copy left its temporary file";
    }
    EXPECT_EQ(ReadAll(dst + "plain.dat"), "the user's plain.dat");
    EXPECT_EQ(ReadAll(dst + "packed.txt"), "the user's packed.txt");
    // Files that only look alike are not the setup's: kept.
    const String own = SetupTempName(GetCurrentProcessId(), 1);
    for (const String& n : {String("~nimbo-notours.tmp"), String("nim1A2B.tmp"), own}) WriteAll(dst + n, "user");
    page->SetOverWrite(swNever);
    EXPECT_EQ(Run(), psDone);
    std::vector<String> left = Entries(dst), kept{"nim1A2B.tmp", "packed.txt", "plain.dat", own, "~nimbo-notours.tmp"};
    std::sort(left.begin(), left.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(ReadAll(dst + "plain.dat"), "the user's plain.dat");
}

// Once the copy is under way, each time the page lets messages through
// takes a while; set again after each, so letting messages through ends.
void CALLBACK TakeAWhile(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (NimboPagesForm && NimboPagesForm->pbrFCFile->Progress() > 0) Sleep(300);
    SetTimer(nullptr, 0, 10, TakeAWhile);
}

// The child of the test below, in a process of its own: installs the file
// NIMBO_KILL_NAME of NIMBO_KILL_SIZE bytes (compressed when
// NIMBO_KILL_PACKED is set) into NIMBO_KILL_DIR with the page, slowly (every
// time the page lets messages through takes a while), until it is killed.
TEST_F(CopyFaults, DISABLED_KillChildInstall)
{
    const String own = dst;
    dst = GetEnvValue("NIMBO_KILL_DIR");
    install->SetDir(dst);
    const String name = GetEnvValue("NIMBO_KILL_NAME");
    TNimboFile* f = Declare(name, std::atoi(GetEnvValue("NIMBO_KILL_SIZE").c_str()));
    if (!GetEnvValue("NIMBO_KILL_PACKED").empty()) {
        f->SetCompressed(true);
        f->SetCompressedSize(static_cast<int32_t>(FileSizeOf(exeDir + name)));
    }
    SetTimer(nullptr, 0, 10, TakeAWhile);
    Run();
    dst = own;
}

// Sizes as the folder tells them: a file being written is open to no one else.
int64_t BytesBelow(const String& dir)
{
    int64_t bytes = 0;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    do {
        const String n = fd.cFileName;
        if (n == "." || n == "..") continue;
        bytes += (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                     ? BytesBelow(dir + n + "\\")
                     : static_cast<int64_t>((static_cast<uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    return bytes;
}

// A setup killed while it installs a new file, expanded or plain, leaves no
// cut file under the file's name: the next run, even one that keeps every
// file that is there, installs the file whole and clears what the killed
// one left.
TEST_F(CopyFaults, ANewFileOfAKilledRunIsInstalledWholeByTheNextRun)
{
    const String plain(64 * 1024 * 1024, 'n');
    AddFile("plain.dat", plain);
    AddPacked("packed.bin", "zeros.tnc")->SetSize(64 * 1024 * 1024);
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    for (const char* name : {"plain.dat", "packed.bin"}) {
        SCOPED_TRACE(name);
        const String killDir = dst + "killed-" + name + "\\";
        SetEnvironmentVariableA("NIMBO_KILL_DIR", killDir.c_str());
        SetEnvironmentVariableA("NIMBO_KILL_NAME", name);
        SetEnvironmentVariableA("NIMBO_KILL_SIZE", String(name) == "plain.dat"
                                                       ? IntToStr(static_cast<int>(plain.size())).c_str()
                                                       : IntToStr(64 * 1024 * 1024).c_str());
        SetEnvironmentVariableA("NIMBO_KILL_PACKED", String(name) == "plain.dat" ? nullptr : "1");
        String command = String("\"") + exe +
                         "\" --gtest_also_run_disabled_tests --gtest_filter=CopyFaults.DISABLED_KillChildInstall";
        STARTUPINFOA si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
        // Killed as soon as the file's first bytes are written.
        bool started = false;
        for (DWORD begin = GetTickCount(); !started && GetTickCount() - begin < 60000;) {
            started = BytesBelow(killDir) > 0;
            if (!started) Sleep(1);
        }
        TerminateProcess(pi.hProcess, 9);
        WaitForSingleObject(pi.hProcess, 10000);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        ASSERT_TRUE(started) << "the killed run never began the file";
        EXPECT_EQ(GetFileAttributesA((killDir + name).c_str()), INVALID_FILE_ATTRIBUTES)
            << "nothing under the file's name yet";
        // The killed run left its journal, which the next start undoes.
        ASSERT_TRUE(JournalLeft(info->AppName()));
        const TJournalRecovery recovery = RecoverJournal(info->AppName());
        EXPECT_TRUE(recovery.found && !recovery.completed && recovery.left.empty());
        EXPECT_FALSE(JournalLeft(info->AppName()));
    }
    // The next run installs both into the folder the killed runs used.
    for (const char* name : {"plain.dat", "packed.bin"}) {
        TNimboDir* d = script->AddDir(String("Killed ") + name, dst + "killed-" + name + "\\", nullptr);
        TNimboFile* f = script->FindFile(name);
        install->RemoveFile(f);
        d->AddFile(f);
    }
    page->SetOverWrite(swNever);
    EXPECT_EQ(Run(), psDone);
    EXPECT_TRUE(ReadAll(dst + "killed-plain.dat\\plain.dat") == plain);
    EXPECT_EQ(FileSizeOf(dst + "killed-packed.bin\\packed.bin"), 64 * 1024 * 1024);
    EXPECT_EQ(Entries(dst + "killed-plain.dat\\"), (std::vector<String>{"plain.dat"}));
    EXPECT_EQ(Entries(dst + "killed-packed.bin\\"), (std::vector<String>{"packed.bin"}));
    EXPECT_EQ(info->InstalledFiles().Count(), 2);
}

// Run by disk_full_copy_test.sh, which maps the drive letter in
// NIMBO_FULL_DRIVE to a 1 MiB tmpfs.
class DiskFull : public CopyFaults {
protected:
    void SetUp() override
    {
        CopyFaults::SetUp();
        const String drive = GetEnvValue("NIMBO_FULL_DRIVE");
        ASSERT_EQ(drive.size(), 2u) << "NIMBO_FULL_DRIVE names the small drive, e.g. T:";
        dst = drive + "\\APP\\";
        RemoveTree(dst);
        install->SetDir(dst);
        ULARGE_INTEGER total{};
        ASSERT_TRUE(GetDiskFreeSpaceExA((drive + "\\").c_str(), &available, &total, nullptr));
        ASSERT_LT(total.QuadPart, 2u * 1024 * 1024) << "the drive is not the small one";
    }
    ULARGE_INTEGER available{};
};

TEST_F(DiskFull, DISABLED_APayloadLargerThanTheDriveIsRefusedBeforeAnythingIsMade)
{
    const int size = 1536 * 1024;
    AddFile("big.dat", String(size, 'b'));
    TGuiScript g;
    std::vector<String> warned;
    g.Answer("Warning", "OK", warned);
    g.WaitForPage([this] { return page; }).ClickCancel().Answer("Confirmation", "Yes");
    EXPECT_EQ(Run(), psCancelled);
    EXPECT_TRUE(g.Finished());
    EXPECT_EQ(page->LastResult(), 4);
    const int64_t free = static_cast<int64_t>(available.QuadPart);
    const String letter = dst.substr(0, 1);
    ASSERT_EQ(warned.size(), 1u);
    EXPECT_EQ(warned[0], "\r\nThere is not enough space on the " + letter + " drive.\r\nThere is " +
                             IntToStr(static_cast<int>(free)) + " bytes available.\r\n" + IntToStr(size) +
                             " bytes are required on this drive.\r\n" + IntToStr(static_cast<int>(size - free)) +
                             " more bytes are required.\r\n");
    EXPECT_EQ(GetFileAttributesA(RemoveBackslash(dst).c_str()), INVALID_FILE_ATTRIBUTES) << "nothing is made";
    EXPECT_EQ(info->CreatedDirs().Count(), 0);
}

TEST_F(DiskFull, DISABLED_ADriveThatFillsDuringTheCopyIsACopyErrorAndTheOldTargetStays)
{
    // The script claims a few bytes, so the free-space test passes.
    AddFile("big.dat", String(3 * 1024 * 1024, 'n'), nullptr, 1, 10);
    AddFile("small.txt", "small", nullptr, 1, 5);
    Existing("big.dat", "the earlier big.dat");
    page->SetOverWrite(swAlways);
    const std::vector<String> asked = RunAnswering("Warning", {"Ignore"});
    EXPECT_EQ(asked, (std::vector<String>{"\r\nFILE COPY ERROR: big.dat located on disk 1. (112: Disk full.)\r\n"}));
    EXPECT_EQ(ReadAll(dst + "big.dat"), "the earlier big.dat");
    EXPECT_EQ(ReadAll(dst + "small.txt"), "small") << "Ignore goes on with the next file";
    EXPECT_EQ(Entries(dst), (std::vector<String>{"big.dat", "small.txt"}));
    EXPECT_EQ(info->InstalledFiles().Lines(), (std::vector<String>{dst + "small.txt"}));
}

}  // namespace
