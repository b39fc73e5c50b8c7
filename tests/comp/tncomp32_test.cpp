// TNComp32.DLL as the setup program uses it: loaded by path, entry points
// looked up by their plain names, progress sent to a real window.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>

#include "base/date_time.h"
#include "base/temp_names.h"
#include "comp_file.h"
#include "comp_test_util.h"

namespace {

using DeCompressFn = int32_t(__stdcall*)(const char*, const char*, HWND, UINT);
using IsCompressedFn = int32_t(__stdcall*)(const char*);
using TimeStampFn = double(__stdcall*)(const char*);
using CompressFn = int32_t(__stdcall*)(const char*, const char*);

constexpr UINT kProgressMessage = 1027;

// The build passes the library's Unix path; Wine shows the Unix root as Z:.
std::string LibraryPath()
{
    std::string path = std::string("Z:") + NIMBO_TNCOMP32_FILE;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Through void*: GetProcAddress's generic function type fits none of ours.
template <class F> F Entry(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

uint64_t g_progressSum = 0;
int g_progressCount = 0;
// The message numbered g_stopAt (from 1) is answered with "stop"; 0: none.
int g_stopAt = 0;
std::function<void()> g_onProgress;

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == kProgressMessage) {
        g_progressSum += static_cast<uint32_t>(lParam);
        ++g_progressCount;
        if (g_onProgress) g_onProgress();
        return g_progressCount == g_stopAt ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

FILETIME MakeFileTime(uint64_t value)
{
    FILETIME ft;
    ft.dwLowDateTime = static_cast<DWORD>(value);
    ft.dwHighDateTime = static_cast<DWORD>(value >> 32);
    return ft;
}

uint64_t LastWrite(const std::string& path)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    FILETIME ft{};
    GetFileTime(h, nullptr, nullptr, &ft);
    CloseHandle(h);
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

void SetLastWrite(const std::string& path, uint64_t value)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME ft = MakeFileTime(value);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

class TNComp32 : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = LoadLibraryA(LibraryPath().c_str());
        ASSERT_NE(module_, nullptr) << LibraryPath();
        deCompress_ = Entry<DeCompressFn>(module_, "TNDeCompress");
        isCompressed_ = Entry<IsCompressedFn>(module_, "TNIsCompressed");
        timeStamp_ = Entry<TimeStampFn>(module_, "TNCompressedFileTimeStamp");
        compress_ = Entry<CompressFn>(module_, "TNCompress");
        ASSERT_TRUE(deCompress_ && isCompressed_ && timeStamp_ && compress_);

        WNDCLASSA wc{};
        wc.lpfnWndProc = ProgressProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TNComp32TestProgress";
        RegisterClassA(&wc);
        window_ = CreateWindowA("TNComp32TestProgress", "", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
        ASSERT_NE(window_, nullptr);
        g_progressSum = 0;
        g_progressCount = 0;
        g_stopAt = 0;
        g_onProgress = nullptr;
    }

    void TearDown() override
    {
        if (window_) DestroyWindow(window_);
        if (module_) FreeLibrary(module_);
    }

    std::string Path(const char* name) const { return dir_.Path(name); }
    std::set<std::string> Names() const { return dir_.Names(); }

    HMODULE module_ = nullptr;
    HWND window_ = nullptr;
    DeCompressFn deCompress_ = nullptr;
    IsCompressedFn isCompressed_ = nullptr;
    TimeStampFn timeStamp_ = nullptr;
    CompressFn compress_ = nullptr;
    TempDir dir_{::testing::UnitTest::GetInstance()->current_test_info()->name()};
};

// 3 February 2001 04:05:06 UTC.
constexpr uint64_t kOriginalTime = (981173106ULL + 11644473600ULL) * 10000000ULL;

TEST_F(TNComp32, CompressThenExpandWithProgressToAWindow)
{
    // Three pieces: a report after each.
    Bytes data = MixedData(2600000, 17);
    WriteBytes(Path("original.dat"), data);
    SetLastWrite(Path("original.dat"), kOriginalTime);
    ASSERT_EQ(compress_(Path("original.dat").c_str(), Path("packed.da_").c_str()), 0);
    EXPECT_EQ(LastWrite(Path("packed.da_")), kOriginalTime);
    const Bytes packed = ReadBytes(Path("packed.da_"));

    EXPECT_EQ(isCompressed_(Path("packed.da_").c_str()), static_cast<int32_t>(data.size()));
    EXPECT_EQ(isCompressed_(Path("original.dat").c_str()), -1);
    EXPECT_EQ(isCompressed_(Path("missing").c_str()), -1);

    // The time stamp in local time, computed here independently of the library.
    FILETIME utc = MakeFileTime(kOriginalTime), local;
    SYSTEMTIME st;
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    ASSERT_TRUE(FileTimeToSystemTime(&local, &st));
    double want = EncodeDate(st.wYear, st.wMonth, st.wDay) + EncodeTime(st.wHour, st.wMinute, st.wSecond, 0);
    EXPECT_NEAR(timeStamp_(Path("packed.da_").c_str()), want, 1e-8);
    EXPECT_EQ(timeStamp_(Path("original.dat").c_str()), 0.0);
    EXPECT_EQ(timeStamp_(Path("missing").c_str()), 0.0);

    WriteBytes(Path("target.dat"), Bytes(100, 'o'));
    int32_t r = deCompress_(Path("packed.da_").c_str(), Path("target.dat").c_str(), window_, kProgressMessage);
    EXPECT_EQ(r, static_cast<int32_t>(data.size()));
    EXPECT_TRUE(ReadBytes(Path("target.dat")) == data);
    // The page sets the file bar's maximum to the compressed size.
    EXPECT_EQ(g_progressSum, packed.size());
    EXPECT_EQ(g_progressCount, 3);
    EXPECT_EQ(LastWrite(Path("target.dat")), kOriginalTime);

    // Without a window it expands just the same.
    ASSERT_TRUE(DeleteFileA(Path("target.dat").c_str()));
    EXPECT_EQ(deCompress_(Path("packed.da_").c_str(), Path("target.dat").c_str(), nullptr, kProgressMessage),
              static_cast<int32_t>(data.size()));
    EXPECT_TRUE(ReadBytes(Path("target.dat")) == data);
    EXPECT_EQ(Names(), (std::set<std::string>{"original.dat", "packed.da_", "target.dat"}));
}

TEST_F(TNComp32, FailuresKeepTheOldTargetAndLeaveNoTemporaryFile)
{
    Bytes packed = Pack(MixedData(200000, 3), kOriginalTime);
    const Bytes old(777, 'o');
    WriteBytes(Path("target.dat"), old);
    SetLastWrite(Path("target.dat"), kOriginalTime - 10000000ULL);
    auto expectUntouched = [&](int32_t result, int32_t want, const char* what) {
        EXPECT_EQ(result, want) << what;
        EXPECT_TRUE(ReadBytes(Path("target.dat")) == old) << what;
        EXPECT_EQ(LastWrite(Path("target.dat")), kOriginalTime - 10000000ULL) << what;
        EXPECT_EQ(Names(), (std::set<std::string>{"source.da_", "target.dat"})) << what;
    };

    Bytes bad = packed;
    bad[packed.size() * 3 / 4] ^= 0x10;
    WriteBytes(Path("source.da_"), bad);
    EXPECT_EQ(isCompressed_(Path("source.da_").c_str()), 200000);  // the header is sound
    expectUntouched(deCompress_(Path("source.da_").c_str(), Path("target.dat").c_str(), window_, kProgressMessage), -3,
                    "damaged stream");

    WriteBytes(Path("source.da_"), Bytes(packed.begin(), packed.end() - 100));
    EXPECT_EQ(isCompressed_(Path("source.da_").c_str()), -1);
    expectUntouched(deCompress_(Path("source.da_").c_str(), Path("target.dat").c_str(), window_, kProgressMessage), -3,
                    "truncated");

    expectUntouched(deCompress_(Path("missing.da_").c_str(), Path("target.dat").c_str(), window_, kProgressMessage), -1,
                    "missing source");

    WriteBytes(Path("source.da_"), packed);
    // A read-only target cannot be replaced: the page's copy error question.
    ASSERT_TRUE(SetFileAttributesA(Path("target.dat").c_str(), FILE_ATTRIBUTE_READONLY));
    expectUntouched(deCompress_(Path("source.da_").c_str(), Path("target.dat").c_str(), window_, kProgressMessage), -4,
                    "read-only target");
}

// The setup's first try for a new file: it expands only into a file that is
// not there, and otherwise touches nothing, not even a damaged source.
TEST_F(TNComp32, ExpandingIntoANewFileOnlyLeavesAnExistingOneAlone)
{
    auto deCompressNew = Entry<DeCompressFn>(module_, "TNDeCompressNew");
    ASSERT_NE(deCompressNew, nullptr);
    const Bytes data = MixedData(150000, 5);
    const Bytes packed = Pack(data, kOriginalTime);
    WriteBytes(Path("source.da_"), packed);
    EXPECT_EQ(deCompressNew(Path("source.da_").c_str(), Path("new.dat").c_str(), window_, kProgressMessage),
              static_cast<int32_t>(data.size()));
    EXPECT_TRUE(ReadBytes(Path("new.dat")) == data);
    EXPECT_EQ(LastWrite(Path("new.dat")), kOriginalTime);
    EXPECT_EQ(g_progressSum, packed.size());

    const Bytes old(321, 'u');
    WriteBytes(Path("user.dat"), old);
    for (const char* source : {"source.da_", "missing.da_"})
        EXPECT_EQ(deCompressNew(Path(source).c_str(), Path("user.dat").c_str(), window_, kProgressMessage), -6)
            << source;
    EXPECT_TRUE(ReadBytes(Path("user.dat")) == old);

    Bytes bad = packed;
    bad[bad.size() / 2] ^= 0x20;
    WriteBytes(Path("source.da_"), bad);
    EXPECT_EQ(deCompressNew(Path("source.da_").c_str(), Path("other.dat").c_str(), nullptr, 0), -3);
    EXPECT_EQ(deCompressNew(Path("missing.da_").c_str(), Path("other.dat").c_str(), nullptr, 0), -1);
    EXPECT_EQ(Names(), (std::set<std::string>{"new.dat", "source.da_", "user.dat"}));
}

// The window's answer stops an expansion at once, in both versions of the
// format, leaving an existing target as it was and a new one not there.
// Meanwhile the expansion is written in the setup's work folder when the
// folder is there, and takes the target's name only at the end.
TEST_F(TNComp32, AnAnswerToAProgressMessageStopsTheExpansion)
{
    auto deCompressNew = Entry<DeCompressFn>(module_, "TNDeCompressNew");
    ASSERT_NE(deCompressNew, nullptr);
    const Bytes data = MixedData(5 * (size_t{1} << kCompPieceShift), 9);
    WriteBytes(Path("v2.da_"), Pack(data, kOriginalTime));
    WriteBytes(Path("v1.da_"), PackVersion1(data, kOriginalTime));
    const Bytes old(555, 'u');
    WriteBytes(Path("user.dat"), old);
    const std::string work = SetupWorkFolderName(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(Path(work.c_str()).c_str(), nullptr));
    std::set<std::string> seen;
    g_onProgress = [&] {
        for (const std::string& name : dir_.Names(work)) seen.insert(name);
        if (Names() != std::set<std::string>{"user.dat", "v1.da_", "v2.da_", work}) seen.insert("<beside>");
    };
    for (const char* source : {"v2.da_", "v1.da_"}) {
        for (const char* target : {"user.dat", "new.dat"}) {
            SCOPED_TRACE(std::string(source) + " into " + target);
            g_progressCount = 0;
            g_stopAt = 2;
            seen.clear();
            EXPECT_EQ(deCompress_(Path(source).c_str(), Path(target).c_str(), window_, kProgressMessage), -7);
            EXPECT_EQ(g_progressCount, 2) << "no message after the stop";
            EXPECT_EQ(seen.size(), 1u) << "one temporary file, in the work folder";
            EXPECT_EQ(seen.count("<beside>"), 0u);
            EXPECT_TRUE(ReadBytes(Path("user.dat")) == old);
            EXPECT_TRUE(dir_.Names(work).empty());
        }
    }
    g_progressCount = 0;
    g_stopAt = 1;
    EXPECT_EQ(deCompressNew(Path("v2.da_").c_str(), Path("new.dat").c_str(), window_, kProgressMessage), -7);
    g_stopAt = 0;
    EXPECT_EQ(deCompressNew(Path("v1.da_").c_str(), Path("new.dat").c_str(), window_, kProgressMessage),
              static_cast<int32_t>(data.size()));
    EXPECT_TRUE(ReadBytes(Path("new.dat")) == data);
    EXPECT_EQ(LastWrite(Path("new.dat")), kOriginalTime);
    EXPECT_TRUE(dir_.Names(work).empty());
    ASSERT_TRUE(RemoveDirectoryA(Path(work.c_str()).c_str()));
    EXPECT_EQ(Names(), (std::set<std::string>{"new.dat", "user.dat", "v1.da_", "v2.da_"}));
}

// The tools write LZMA; the library, which carries only its decoder, expands
// it: a real program (this test) behind the branch filter, and pieces that
// come with a report each and stop at an answer like deflate's.
TEST_F(TNComp32, LzmaFilesWrittenByTheToolsExpand)
{
    char self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, self, MAX_PATH), 0u);
    const Bytes program = ReadBytes(self);
    WriteBytes(Path("program.exe"), program);
    ASSERT_EQ(CompressCompFile(Path("program.exe").c_str(), Path("program.ex_").c_str(), 9, kCompMethodLzma), kCompOk);
    TCompHeader h;
    ASSERT_EQ(ReadCompFileHeader(Path("program.ex_").c_str(), h), kCompOk);
    EXPECT_EQ(h.method, kCompMethodLzma);
    EXPECT_EQ(h.filters, kCompFilterX86);
    EXPECT_EQ(isCompressed_(Path("program.ex_").c_str()), static_cast<int32_t>(program.size()));
    EXPECT_EQ(deCompress_(Path("program.ex_").c_str(), Path("copy.exe").c_str(), window_, kProgressMessage),
              static_cast<int32_t>(program.size()));
    EXPECT_TRUE(ReadBytes(Path("copy.exe")) == program);
    EXPECT_EQ(g_progressSum, ReadBytes(Path("program.ex_")).size());

    const size_t piece = CompPieceSize(kCompMethodLzma);
    const Bytes data = MixedData(2 * piece + 1000, 12);
    const Bytes packed = Pack(data, kOriginalTime, 1, kCompMethodLzma);
    WriteBytes(Path("data.da_"), packed);
    g_progressSum = 0;
    g_progressCount = 0;
    EXPECT_EQ(deCompress_(Path("data.da_").c_str(), Path("data.dat").c_str(), window_, kProgressMessage),
              static_cast<int32_t>(data.size()));
    EXPECT_TRUE(ReadBytes(Path("data.dat")) == data);
    EXPECT_EQ(LastWrite(Path("data.dat")), kOriginalTime);
    EXPECT_EQ(g_progressCount, 3);
    EXPECT_EQ(g_progressSum, packed.size());

    g_progressCount = 0;
    g_stopAt = 1;
    EXPECT_EQ(deCompress_(Path("data.da_").c_str(), Path("data.dat").c_str(), window_, kProgressMessage), -7);
    EXPECT_TRUE(ReadBytes(Path("data.dat")) == data);
    Bytes bad = packed;
    bad[bad.size() / 2] ^= 0x08;
    WriteBytes(Path("bad.da_"), bad);
    EXPECT_EQ(deCompress_(Path("bad.da_").c_str(), Path("bad.dat").c_str(), nullptr, 0), -3);

    // The library's own compressor still writes deflate, which every
    // earlier library reads.
    ASSERT_EQ(compress_(Path("program.exe").c_str(), Path("deflated.ex_").c_str()), 0);
    ASSERT_EQ(ReadCompFileHeader(Path("deflated.ex_").c_str(), h), kCompOk);
    EXPECT_EQ(h.version, kCompVersionDeflate);
    EXPECT_EQ(Names(), (std::set<std::string>{"bad.da_", "copy.exe", "data.da_", "data.dat", "deflated.ex_",
                                              "program.ex_", "program.exe"}));
}

TEST_F(TNComp32, SizesFromTwoGibOnReadAsTheLargest32BitSize)
{
    // A header that promises 3 GiB; only the header is looked at.
    Bytes body(100, 0);
    TCompHeader h;
    h.expandedSize = 3ULL << 30;
    h.streamSize = body.size();
    Bytes file(kCompMaxHeaderSize);
    file.resize(EncodeCompHeader(h, file.data()));
    file.insert(file.end(), body.begin(), body.end());
    WriteBytes(Path("huge.da_"), file);
    EXPECT_EQ(isCompressed_(Path("huge.da_").c_str()), 0x7fffffff);
}

// The stream entries as the file copy uses them on a solid archive: the
// packed part between other bytes, read in order, closed part way.
TEST_F(TNComp32, AStreamReadsThePartsExpandedBytesInOrderAndClosesPartWay)
{
    struct Part {
        uint64_t offset, size;
    };
    using OpenFn = int32_t(__stdcall*)(const char*, const Part*, void**);
    using ReadFn = int32_t(__stdcall*)(void*, void*, int32_t);
    using CloseFn = void(__stdcall*)(void*);
    const auto open = Entry<OpenFn>(module_, "TNOpenStream");
    const auto read = Entry<ReadFn>(module_, "TNReadStream");
    const auto close = Entry<CloseFn>(module_, "TNCloseStream");
    ASSERT_TRUE(open && read && close);
    const Bytes data = MixedData(3 * 1024 * 1024 + 7, 23);
    const Bytes packed = Pack(data);
    Bytes whole(5000, 'h');
    whole.insert(whole.end(), packed.begin(), packed.end());
    WriteBytes(Path("setup.sld"), whole);
    const Part part{5000, packed.size()};
    void* stream = nullptr;
    ASSERT_EQ(open(Path("setup.sld").c_str(), &part, &stream), 0);
    Bytes back, buffer(100000);
    for (int32_t n; (n = read(stream, buffer.data(), static_cast<int32_t>(buffer.size()))) > 0;)
        back.insert(back.end(), buffer.begin(), buffer.begin() + n);
    EXPECT_TRUE(back == data);
    close(stream);
    ASSERT_EQ(open(Path("setup.sld").c_str(), &part, &stream), 0);
    EXPECT_EQ(read(stream, buffer.data(), 10), 10);
    close(stream);
    const Part cut{5000, packed.size() - 1};
    stream = &buffer;
    EXPECT_EQ(open(Path("setup.sld").c_str(), &cut, &stream), -3);
    EXPECT_EQ(stream, nullptr);
    EXPECT_EQ(Names(), (std::set<std::string>{"setup.sld"}));
}

}  // namespace
