// File and directory routines on the real platform: the byte copy with its
// progress, errors and safe replacement, directory chains, sizes, the
// environment, directory names and the shortening of a path on a canvas.
#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/exceptions.h"
#include "base/temp_names.h"
#include "page_fixture.h"
#include "test_files.h"
#include "engine/file_routines.h"
#include "script/nimbo_data.h"

namespace {

void WriteBytes(const String& name, const String& bytes)
{
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << name;
    DWORD put = 0;
    if (!bytes.empty()) WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    CloseHandle(h);
    ASSERT_EQ(put, bytes.size());
}

String ReadBytes(const String& name)
{
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return "<missing>";
    String r;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) r.append(buf, got);
    CloseHandle(h);
    return r;
}

// Compares contents without printing megabytes of bytes on a failure.
::testing::AssertionResult Holds(const String& name, const String& expected)
{
    const String got = ReadBytes(name);
    if (got == expected) return ::testing::AssertionSuccess();
    auto shown = [](const String& s) { return s.size() <= 40 ? "\"" + s + "\"" : IntToStr(s.size()) + " bytes"; };
    return ::testing::AssertionFailure() << name << " holds " << shown(got) << ", not the expected " << shown(expected);
}

String Pattern(size_t n)
{
    String s(n, '\0');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 7 + i / 251);
    return s;
}

FILETIME LastWrite(const String& name)
{
    FILETIME t{};
    HANDLE h = CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        GetFileTime(h, nullptr, nullptr, &t);
        CloseHandle(h);
    }
    return t;
}

void SetLastWrite(const String& name, WORD year)
{
    SYSTEMTIME st{};
    st.wYear = year;
    st.wMonth = 2;
    st.wDay = 3;
    st.wHour = 4;
    st.wMinute = 5;
    st.wSecond = 6;
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    SetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
}

bool SameTime(const FILETIME& a, const FILETIME& b)
{
    return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

// The message of the I/O error the call raises, or "" when it raises none.
template <class F> String IoError(F&& call)
{
    try {
        call();
    } catch (const EInOutError& e) {
        return e.Message();
    }
    return "";
}

using Calls = std::vector<std::pair<int, int>>;

// Each test works in a fresh folder of the prefix's temporary directory.
class FileRoutines : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        dir = AddBackslash(tmp) + "nimbo-files-" + IntToStr(GetCurrentProcessId()) + "\\";
        RemoveTree(dir);
        ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(tmpRoot().c_str());
        RemoveTree(dir);
    }
    static String tmpRoot()
    {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        return tmp;
    }
    Calls Copy(const String& source, const String& target)
    {
        Calls calls;
        CopyFileWithProgress(source, target, [&](int a, int b) { calls.emplace_back(a, b); });
        return calls;
    }
    String dir;
};

TEST_F(FileRoutines, CopyReportsEveryBlockOf2048AndTheFinalShortRead)
{
    const String src = dir + "src.dat", dst = dir + "dst.dat";
    WriteBytes(src, Pattern(4096));
    EXPECT_EQ(Copy(src, dst), (Calls{{0, 2048}, {0, 2048}, {0, 0}}));
    EXPECT_TRUE(Holds(dst, Pattern(4096)));

    // Over an older, longer target: nothing of it remains.
    WriteBytes(src, Pattern(5000));
    WriteBytes(dst, String(9000, 'x'));
    EXPECT_EQ(Copy(src, dst), (Calls{{0, 2048}, {0, 2048}, {0, 904}}));
    EXPECT_TRUE(Holds(dst, Pattern(5000)));
    EXPECT_EQ(Entries(dir), (std::vector<String>{"dst.dat", "src.dat"}));

    // No callback: the same copy without progress.
    EXPECT_NO_THROW(CopyFileWithProgress(src, dir + "quiet.dat", {}));
    EXPECT_TRUE(Holds(dir + "quiet.dat", Pattern(5000)));
}

TEST_F(FileRoutines, ALargeFileIsStillReportedPer2048Bytes)
{
    // Larger than one disk block of the copy, both on and off a multiple
    // of 2048: every 2048 bytes once, then the short end.
    for (const size_t size : {size_t{300} * 2048, size_t{300} * 2048 + 5}) {
        const String src = dir + "big.dat", dst = dir + "big-copy.dat";
        WriteBytes(src, Pattern(size));
        Calls expected(300, {0, 2048});
        expected.emplace_back(0, static_cast<int>(size % 2048));
        EXPECT_EQ(Copy(src, dst), expected);
        EXPECT_TRUE(Holds(dst, Pattern(size)));
        DeleteFileA(dst.c_str());
    }
}

TEST_F(FileRoutines, AFailureHalfWayThroughANewTargetLeavesNoFile)
{
    const String src = dir + "src.dat", dst = dir + "new.dat";
    WriteBytes(src, Pattern(10000));
    int blocks = 0;
    auto failOnSecondBlock = [&](int, int) {
        if (++blocks == 2) throw EInOutError("Error during file copy.");
    };
    EXPECT_EQ(IoError([&] { CopyFileWithProgress(src, dst, failOnSecondBlock); }), "Error during file copy.");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"src.dat"}));
}

// The copy for a target not known to be there takes the name only where
// nothing has it, leaves nothing of itself when it cannot, and a failed try
// can simply be made again (the page's Retry).
TEST_F(FileRoutines, ACopyIntoANewFileTakesOnlyAFreeName)
{
    const String src = dir + "src.dat", dst = dir + "dst.dat";
    WriteBytes(src, Pattern(5000));
    SetLastWrite(src, 2002);
    Calls calls;
    auto copyNew = [&](const String& from, const String& to) {
        return CopyNewFileWithProgress(from, to, [&](int a, int b) { calls.emplace_back(a, b); });
    };
    WriteBytes(dst, "old");
    EXPECT_FALSE(copyNew(src, dst));
    EXPECT_TRUE(Holds(dst, "old"));
    EXPECT_EQ(IoError([&] { copyNew(src, dir + "no such folder\\x.dat"); }),
              "Error opening target file. (3: Path not found.)");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"dst.dat", "src.dat"}));
    DeleteFileA(dst.c_str());

    calls.clear();
    EXPECT_TRUE(copyNew(src, dst));
    EXPECT_EQ(calls, (Calls{{0, 2048}, {0, 2048}, {0, 904}}));
    EXPECT_TRUE(Holds(dst, Pattern(5000)));
    EXPECT_TRUE(SameTime(LastWrite(dst), LastWrite(src)));
    DeleteFileA(dst.c_str());

    // A source that does not open, and a copy that fails half way, leave
    // nothing; the next try makes the file.
    EXPECT_EQ(IoError([&] { copyNew(dir + "none.dat", dst); }), "Source file doesn't exist. (2: File not found.)");
    int blocks = 0;
    EXPECT_EQ(IoError([&] {
                  CopyNewFileWithProgress(src, dst, [&](int, int) {
                      if (++blocks == 2) throw EInOutError("Error during file copy.");
                  });
              }),
              "Error during file copy.");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"src.dat"}));
    EXPECT_TRUE(copyNew(src, dst));
    EXPECT_TRUE(Holds(dst, Pattern(5000)));
}

// A new file and a replacement are both written in the work folder while
// they are copied, and take the target's name only at the end: until then
// the name holds nothing, or the earlier file. The folder has the name the
// compression library looks for, and goes again.
TEST_F(FileRoutines, CopiesAreWrittenInTheWorkFolderAndTakeTheirNamesComplete)
{
    const String src = dir + "src.dat", dst = dir + "dst.dat";
    WriteBytes(src, Pattern(100 * 2048));
    const String name = SetupWorkFolderName(GetCurrentProcessId());
    std::vector<String> seen;
    auto look = [&](int, int) {
        if (seen.empty()) {
            seen = Entries(dir);
            seen.push_back(ReadBytes(dst));
            for (const String& e : Entries(dir + name + "\\")) seen.push_back(e);
        }
    };
    {
        TWorkFolders work;
        const String folder = work.In(dir);
        EXPECT_EQ(folder, dir + name + "\\");
        EXPECT_EQ(work.In(dir), folder) << "made once";
        EXPECT_EQ(work.In(dir + "missing\\"), "");

        EXPECT_TRUE(CopyNewFileWithProgress(src, dst, look, folder));
        ASSERT_EQ(seen.size(), 4u);
        EXPECT_EQ(seen[0], "src.dat");
        EXPECT_EQ(seen[1], name);
        EXPECT_EQ(seen[2], "<missing>");
        uint32_t writer = 0;
        EXPECT_TRUE(ParseSetupTempName(seen[3], writer) && writer == GetCurrentProcessId()) << seen[3];
        EXPECT_TRUE(Holds(dst, Pattern(100 * 2048)));

        WriteBytes(src, Pattern(30 * 2048));
        seen.clear();
        CopyFileWithProgress(src, dst, look, folder);
        ASSERT_EQ(seen.size(), 5u);
        EXPECT_EQ(seen[0], "dst.dat");
        EXPECT_EQ(seen[3].size(), 100u * 2048) << "the earlier file, whole";
        EXPECT_TRUE(ParseSetupTempName(seen[4], writer) && writer == GetCurrentProcessId()) << seen[4];
        EXPECT_TRUE(Holds(dst, Pattern(30 * 2048)));
        EXPECT_TRUE(Entries(folder).empty());
    }
    EXPECT_EQ(Entries(dir), (std::vector<String>{"dst.dat", "src.dat"}));
}

// What a killed run left: its temporary files (read-only ones too) and its
// work folder with what it was writing, found by their names and their
// process that is gone. The rest of the folder is told, not touched.
TEST_F(FileRoutines, LeftoversOfADeadProcessGoAndTheRestIsListed)
{
    // The id of no process.
    const uint32_t dead = 0xFFFFFFF0u;
    ASSERT_EQ(OpenProcess(SYNCHRONIZE, FALSE, dead), nullptr);
    const String deadWork = SetupWorkFolderName(dead), ownWork = SetupWorkFolderName(GetCurrentProcessId());
    WriteBytes(dir + SetupTempName(dead, 5), "cut");
    ASSERT_TRUE(CreateDirectoryA((dir + deadWork).c_str(), nullptr));
    WriteBytes(dir + deadWork + "\\" + SetupTempName(dead, 6), "cut");
    // Copies of read-only files carry the attribute.
    SetFileAttributesA((dir + SetupTempName(dead, 5)).c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((dir + deadWork + "\\" + SetupTempName(dead, 6)).c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(CreateDirectoryA((dir + ownWork).c_str(), nullptr));
    WriteBytes(dir + "Kept File.txt", "user");
    // A folder of that name holding something else is not only ours.
    const String mixed = SetupTempName(dead, 7);
    ASSERT_TRUE(CreateDirectoryA((dir + mixed).c_str(), nullptr));
    WriteBytes(dir + mixed + "\\notes.txt", "user");

    std::vector<String> others;
    EXPECT_EQ(RemoveSetupLeftovers(dir, &others), 2);
    auto listed = [&](const String& n) { return std::find(others.begin(), others.end(), n) != others.end(); };
    for (const String& n : {String("Kept File.txt"), mixed, ownWork}) EXPECT_TRUE(listed(n)) << n;
    for (const String& n : {SetupTempName(dead, 5), deadWork}) EXPECT_FALSE(listed(n)) << n;
    std::vector<String> left = Entries(dir), kept{"Kept File.txt", mixed, ownWork};
    std::sort(left.begin(), left.end());
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(Entries(dir + mixed + "\\"), (std::vector<String>{"notes.txt"}));
}

TEST_F(FileRoutines, CopyOfAnEmptySourceGivesAnEmptyTargetWithTheSourceTime)
{
    const String src = dir + "empty.txt", dst = dir + "copy.txt";
    WriteBytes(src, "");
    SetLastWrite(src, 2001);
    EXPECT_EQ(Copy(src, dst), (Calls{{0, 0}}));
    EXPECT_EQ(FileSizeOf(dst), 0);
    EXPECT_TRUE(SameTime(LastWrite(dst), LastWrite(src)));

    // The time stamp travels with content too.
    WriteBytes(src, Pattern(3000));
    SetLastWrite(src, 1999);
    Copy(src, dst);
    EXPECT_TRUE(SameTime(LastWrite(dst), LastWrite(src)));
}

// A single-file setup's files: a part of the program file, with the time
// stamp its directory gives; a part beyond the file's end (a file cut since
// it was checked) fails and leaves no target.
TEST_F(FileRoutines, APartOfAFileIsCopiedWithItsOwnTimeStamp)
{
    const String src = dir + "setup.exe", dst = dir + "part.dat";
    const String bytes = Pattern(300000);
    WriteBytes(src, bytes);
    SetLastWrite(src, 1999);
    const String other = dir + "dated.txt";
    WriteBytes(other, "x");
    SetLastWrite(other, 2012);
    const FILETIME when = LastWrite(other);
    TFilePart part;
    part.offset = 12345;
    part.size = 200000;
    part.fileTime = (static_cast<uint64_t>(when.dwHighDateTime) << 32) | when.dwLowDateTime;
    int64_t reported = 0;
    CopyPartWithProgress(src, part, dst, [&](int, int n) { reported += n; });
    EXPECT_EQ(ReadBytes(dst), bytes.substr(12345, 200000));
    EXPECT_EQ(reported, 200000);
    EXPECT_TRUE(SameTime(LastWrite(dst), when));
    EXPECT_TRUE(CopyNewPartWithProgress(src, part, dir + "new.dat"));
    EXPECT_EQ(ReadBytes(dir + "new.dat"), bytes.substr(12345, 200000));

    part.offset = 250000;
    part.size = 50001;
    EXPECT_EQ(IoError([&] { CopyPartWithProgress(src, part, dir + "cut.dat"); }),
              "Error during file copy. (38: End of file.)");
    part.offset = ~uint64_t(0) - 5;
    EXPECT_NE(IoError([&] { CopyPartWithProgress(src, part, dir + "cut.dat"); }), "");
    EXPECT_EQ(FileSizeOf(dir + "cut.dat"), -1);
    EXPECT_EQ(Entries(dir), (std::vector<String>{"dated.txt", "new.dat", "part.dat", "setup.exe"}));
}

// Each failure says what failed, then why in the platform's words (as
// Wine words them).
TEST_F(FileRoutines, CopyOfAMissingOrUnreadableSourceCreatesNoTarget)
{
    const String dst = dir + "dst.dat";
    EXPECT_EQ(IoError([&] { Copy(dir + "none.dat", dst); }), "Source file doesn't exist. (2: File not found.)");
    CreateDirectoryA((dir + "sub").c_str(), nullptr);
    EXPECT_EQ(IoError([&] { Copy(dir + "sub", dst); }), "Source file doesn't exist. (5: Access denied.)");

    const String src = dir + "locked.dat";
    WriteBytes(src, "data");
    HANDLE lock = CreateFileA(src.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    EXPECT_EQ(IoError([&] { Copy(src, dst); }), "Error opening source file. (32: Sharing violation.)");
    CloseHandle(lock);
    EXPECT_EQ(Entries(dir), (std::vector<String>{"locked.dat", "sub"}));
}

TEST_F(FileRoutines, AnUnwritableTargetIsRefusedBeforeAnythingIsWritten)
{
    const String src = dir + "src.dat";
    WriteBytes(src, Pattern(3000));
    Calls calls;
    auto copy = [&](const String& target) {
        return IoError([&] { CopyFileWithProgress(src, target, [&](int a, int b) { calls.emplace_back(a, b); }); });
    };
    EXPECT_EQ(copy(dir + "nodir\\dst.dat"), "Error opening target file. (3: Path not found.)");

    const String ro = dir + "readonly.dat";
    WriteBytes(ro, "keep me");
    SetFileAttributesA(ro.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(copy(ro), "Error opening target file. (5: Access denied.)");
    EXPECT_TRUE(Holds(ro, "keep me"));

    const String busy = dir + "busy.dat";
    WriteBytes(busy, "in use");
    HANDLE h = CreateFileA(busy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(copy(busy), "Error opening target file. (32: Sharing violation.)");
    CloseHandle(h);
    EXPECT_TRUE(Holds(busy, "in use"));

    CreateDirectoryA((dir + "adir").c_str(), nullptr);
    EXPECT_EQ(copy(dir + "adir"), "Error opening target file. (5: Access denied.)");

    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(Entries(dir), (std::vector<String>{"adir", "busy.dat", "readonly.dat", "src.dat"}));
}

TEST_F(FileRoutines, AFailureHalfWayLeavesTheEarlierTargetAndNoTemporaryFile)
{
    const String src = dir + "src.dat", dst = dir + "dst.dat";
    WriteBytes(src, Pattern(10000));
    WriteBytes(dst, "the user's old file");
    SetLastWrite(dst, 1998);
    const FILETIME before = LastWrite(dst);
    int blocks = 0;
    auto failOnSecondBlock = [&](int, int) {
        if (++blocks == 2) throw EInOutError("Error during file copy.");
    };
    EXPECT_EQ(IoError([&] { CopyFileWithProgress(src, dst, failOnSecondBlock); }), "Error during file copy.");
    EXPECT_TRUE(Holds(dst, "the user's old file"));
    EXPECT_TRUE(SameTime(LastWrite(dst), before));
    EXPECT_EQ(Entries(dir), (std::vector<String>{"dst.dat", "src.dat"}));

    // Copying a file onto itself keeps it whole.
    EXPECT_EQ(IoError([&] { CopyFileWithProgress(src, src); }), "Error opening target file. (32: Sharing violation.)");
    EXPECT_TRUE(Holds(src, Pattern(10000)));
}

TEST_F(FileRoutines, ForceDirsCreatesTheChainAndRemoveDirChainTakesItDownToTheFirstFullDirectory)
{
    const String deep = dir + "A\\B\\C\\";
    EXPECT_EQ(ForceDirs(deep), 0u);
    EXPECT_EQ(GetFileAttributesA(deep.c_str()) & FILE_ATTRIBUTE_DIRECTORY,
              static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(ForceDirs(deep), 0u);  // already there: nothing to do

    // A file where a directory of the chain should be: the reason is the
    // platform's answer for that one, not for the directories below it.
    WriteBytes(dir + "blocker", "x");
    EXPECT_EQ(ForceDirs(dir + "blocker\\inside\\"), static_cast<unsigned long>(ERROR_ALREADY_EXISTS));
    DeleteFileA((dir + "blocker").c_str());

    // `dir` holds a file, so the chain ends there, after C, B and A.
    WriteBytes(dir + "keep.txt", "x");
    EXPECT_EQ(IoError([&] { RemoveDirChain(dir + "A\\B\\C"); }),
              "Unable to remove directory " + RemoveBackslash(dir) + ". (145: Directory is not empty.)");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"keep.txt"}));

    // A directory in the suite's form, with its backslash, names the same
    // chain: E and D go, and again the chain ends at the folder.
    ForceDirs(dir + "D\\E\\");
    EXPECT_NE(IoError([&] { RemoveDirChain(dir + "D\\E\\"); }), "");
    EXPECT_EQ(Entries(dir), (std::vector<String>{"keep.txt"}));
}

TEST_F(FileRoutines, FileSizeOfGivesBytesOrMinusOne)
{
    WriteBytes(dir + "f.dat", Pattern(5000));
    EXPECT_EQ(FileSizeOf(dir + "f.dat"), 5000);
    EXPECT_EQ(FileSizeOf(dir + "missing.dat"), -1);
    EXPECT_EQ(FileSizeOf(RemoveBackslash(dir)), -1);
}

// What the pages read of files and drives: a last-write time (of a file or
// a folder; left as it was when there is none), the current directory, and
// the free space of a drive that is there and of one that is not.
TEST_F(FileRoutines, LastWriteTimeCurrentDirectoryAndFreeSpace)
{
    WriteBytes(dir + "f.dat", "x");
    SetLastWrite(dir + "f.dat", 2001);
    uint64_t written = 0;
    ASSERT_TRUE(LastWriteTime(dir + "f.dat", written));
    const FILETIME expected = LastWrite(dir + "f.dat");
    EXPECT_EQ(written, (static_cast<uint64_t>(expected.dwHighDateTime) << 32) | expected.dwLowDateTime);
    EXPECT_TRUE(LastWriteTime(RemoveBackslash(dir), written));
    uint64_t untouched = 12345;
    EXPECT_FALSE(LastWriteTime(dir + "missing.dat", untouched));
    EXPECT_EQ(untouched, 12345u);

    ASSERT_TRUE(SetCurrentDirectoryA(dir.c_str()));
    EXPECT_TRUE(SameText(CurrentDirectory(), RemoveBackslash(dir))) << CurrentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA((dir.substr(0, 2) + "\\").c_str()));
    EXPECT_EQ(CurrentDirectory(), dir.substr(0, 2) + "\\");  // a root keeps its backslash

    EXPECT_GT(FreeDiskSpace(dir.substr(0, 3)), 0);
    const DWORD drives = GetLogicalDrives();
    char unused = 'Z';
    while (unused > 'C' && (drives & (1u << (unused - 'A')))) --unused;
    ASSERT_GT(unused, 'C') << "every drive letter is taken";
    EXPECT_EQ(FreeDiskSpace(String(1, unused) + ":\\"), -1);
}

TEST(EnvValue, GivesTheWholeValueOrEmpty)
{
    SetEnvironmentVariableA("NIMBO_TEST_VALUE", "C:\\TEMP");
    EXPECT_EQ(GetEnvValue("NIMBO_TEST_VALUE"), "C:\\TEMP");
    const String longValue(700, 'v');
    SetEnvironmentVariableA("NIMBO_TEST_VALUE", longValue.c_str());
    EXPECT_EQ(GetEnvValue("NIMBO_TEST_VALUE"), longValue);
    SetEnvironmentVariableA("NIMBO_TEST_VALUE", nullptr);
    EXPECT_EQ(GetEnvValue("NIMBO_TEST_VALUE"), "");
}

using WithController = TPageFixture;

TEST_F(WithController, ResolveDirMacroKnowsTheBuiltInNamesAndTheScriptDirectories)
{
    TNimboData* script = info->Script();
    char buf[MAX_PATH];
    GetWindowsDirectoryA(buf, MAX_PATH);
    const String windows = AddBackslash(buf);
    GetSystemDirectoryA(buf, MAX_PATH);
    const String system = AddBackslash(buf);
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    const String programDir = ExtractFilePath(buf);

    EXPECT_EQ(ResolveDirMacro("(none)", info, script), "");
    EXPECT_EQ(ResolveDirMacro("Windows", nullptr, script), "");
    EXPECT_EQ(ResolveDirMacro("Windows", info, script), windows);
    EXPECT_EQ(ResolveDirMacro("Windows System", info, script), system);
    ASSERT_FALSE(info->MultiDisk());
    EXPECT_EQ(ResolveDirMacro("Source Dir", info, script), programDir);

    TNimboDir* install = script->FindDir("Install");
    ASSERT_NE(install, nullptr);
    install->SetDir("D:\\Corvane");
    script->AddDir("Data", "DATA", install);
    EXPECT_EQ(ResolveDirMacro("Install", info, script), "D:\\Corvane\\");
    EXPECT_EQ(ResolveDirMacro("Data", info, script), "D:\\Corvane\\DATA\\");
    EXPECT_EQ(ResolveDirMacro("Data", info, nullptr), "");
    EXPECT_EQ(ResolveDirMacro("data", info, script), "");
    EXPECT_EQ(ResolveDirMacro("Nowhere", info, script), "");
}

TEST_F(WithController, ShortenPathMeasuresWithTheFormsFont)
{
    TCanvas& canvas = form->Canvas();
    const String path = "C:\\Program Files\\Corvane\\Data\\Archive\\2001\\order.txt";
    const String fitted = "C:\\Program Files\\...\\2001\\order.txt\\";
    EXPECT_EQ(ShortenPath(path, canvas.TextWidth(fitted), form), fitted);
    EXPECT_EQ(ShortenPath(path, canvas.TextWidth(path), form), path);
    EXPECT_EQ(ShortenPath(path, 1, form), "C:\\Program Files\\...\\order.txt\\");
}

// Run by disk_full_test.sh, which maps a drive letter (NIMBO_FULL_DRIVE) to
// a small tmpfs.
TEST(DiskFull, DISABLED_ReplacingATargetOnAFullDriveLeavesItAsItWas)
{
    const String drive = GetEnvValue("NIMBO_FULL_DRIVE");
    ASSERT_EQ(drive.size(), 2u) << "NIMBO_FULL_DRIVE names the small drive, e.g. T:";
    const String root = drive + "\\";
    ULARGE_INTEGER freeBytes, total;
    ASSERT_TRUE(GetDiskFreeSpaceExA(root.c_str(), &freeBytes, &total, nullptr));
    ASSERT_LT(total.QuadPart, 2u * 1024 * 1024) << "the drive is not the small one";

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const String src = AddBackslash(tmp) + "nimbo-big-" + IntToStr(GetCurrentProcessId()) + ".dat";
    WriteBytes(src, Pattern(3 * 1024 * 1024));
    const String dst = root + "TARGET.DAT";
    WriteBytes(dst, "0123456789");
    int written = 0;
    const String error = IoError([&] { CopyFileWithProgress(src, dst, [&](int, int n) { written += n; }); });
    DeleteFileA(src.c_str());
    EXPECT_EQ(error, "Error during file copy. (112: Disk full.)");
    EXPECT_GT(written, 0);
    EXPECT_TRUE(Holds(dst, "0123456789"));
    EXPECT_EQ(Entries(root), (std::vector<String>{"TARGET.DAT"}));
}

}  // namespace
