// The copy page's file loop run for real in the wizard dialog, against
// CopyFileA of the same files in the same run: 200 MiB in 20 files and
// 5,000 files of 4 KiB. Each copy goes into a fresh target folder, and
// then over an earlier install of the same files (the page keeping its
// journal: new files written down, old ones set aside); the two
// run in interleaved rounds (bench/support/rounds.h). Prints the median
// times and the ratio page / CopyFileA for each payload, and where the
// page's time goes per file: the copy routine alone, and the dialog work
// the page does for each file (labels, bars, letting messages through)
// timed alone in the open dialog; the rest is the page's own bookkeeping.
// Then compressed setups, read from the program's folder as outside test
// mode: 5,000 files of 4 KiB in one solid archive, against one file of the
// same 20 MB compressed alone, and against the same 5,000 files each
// compressed alone.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "engine/nimbo_info.h"
#include "pages/register_suite.h"
#include "engine/wizard/pages_form.h"
#include "framework/properties.h"
#include "framework/win32/register.h"
#include "pages/file_copy.h"
#include "engine/file_routines.h"
#include "script/nimbo_data.h"
#include "framework/win32/progress_bar.h"
#include "base/setup_files.h"
#include "comp_file.h"
#include "rounds.h"
#include "solid_writer.h"

namespace {

// A form to own the controller and the page, as the host form does.
class TBenchHostForm : public TForm {
    NIMBO_CLASS()
};

}  // namespace

NIMBO_DEFINE_CLASS(TBenchHostForm, TForm, true, (void)0)

namespace {

constexpr int kRounds = 5;
// The breakdown is a guide, not a target: fewer runs.
constexpr int kBreakdownRuns = 3;
// Wine looks a name that does not exist yet up by reading the whole folder
// (its file systems are case-sensitive), so every new file costs time in
// proportion to its folder's size, for CopyFileA and the page alike. 5,000
// files in one folder would measure mostly that; 50 folders of 100 files
// measure the copy.
constexpr int kSmallFolders = 50;

// Files spread over folders (Dnn\) below one source folder; the target
// gets the same folders.
struct Payload {
    const char* label;
    String dir;                                 // source folder, with a trailing backslash
    std::vector<String> folders;                // "D00\", ...
    std::vector<std::pair<int, String>> files;  // folder index, name
    int32_t size;
};

using bench::Clock;

// printf-style text; the suite's Format knows only plain %s and %d.
template <class... A> String Printf(const char* fmt, A... args)
{
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return buf;
}

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

bool gFailed = false;

void Fail(const String& what)
{
    std::printf("FAILED: %s\n", what.c_str());
    gFailed = true;
}

void RemoveTree(const String& dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const String name = fd.cFileName;
            if (name == "." || name == "..") continue;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(dir + name + "\\");
            } else {
                SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((dir + name).c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// Files of varied content, so nothing is special about the data.
Payload MakePayload(const char* label, const String& dir, int folders, int count, int32_t size)
{
    Payload p{label, dir, {}, {}, size};
    CreateDirectoryA(dir.c_str(), nullptr);
    for (int d = 0; d < folders; ++d) {
        p.folders.push_back(Printf("D%02d\\", d));
        CreateDirectoryA((dir + p.folders.back()).c_str(), nullptr);
    }
    std::vector<char> block(1 << 20);
    uint32_t x = 0x9e3779b9u;
    for (char& c : block) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    for (int i = 0; i < count && !gFailed; ++i) {
        const int folder = i % folders;
        const String name = Printf("F%05d.DAT", i);
        const String path = dir + p.folders[static_cast<size_t>(folder)] + name;
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            Fail("cannot create " + path);
            break;
        }
        for (int32_t left = size; left > 0;) {
            const DWORD n = static_cast<DWORD>(std::min<int32_t>(left, static_cast<int32_t>(block.size())));
            DWORD put = 0;
            block[0] = static_cast<char>(i);  // every file differs
            WriteFile(h, block.data(), n, &put, nullptr);
            left -= static_cast<int32_t>(n);
        }
        CloseHandle(h);
        p.files.emplace_back(folder, name);
    }
    return p;
}

String SourceOf(const Payload& p, const std::pair<int, String>& f)
{
    return p.dir + p.folders[static_cast<size_t>(f.first)] + f.second;
}

String TargetOf(const Payload& p, const String& target, const std::pair<int, String>& f)
{
    return target + p.folders[static_cast<size_t>(f.first)] + f.second;
}

// Every file of the payload is in the target with its size.
void CheckTarget(const Payload& p, const String& target, const char* who)
{
    for (const auto& f : p.files) {
        WIN32_FILE_ATTRIBUTE_DATA d;
        const String path = TargetOf(p, target, f);
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ||
            d.nFileSizeLow != static_cast<DWORD>(p.size)) {
            Fail(Printf("%s: %s missing or of the wrong size", who, path.c_str()));
            return;
        }
    }
}

double CopyFileRun(const Payload& p, const String& target)
{
    const auto start = Clock::now();
    CreateDirectoryA(target.c_str(), nullptr);
    for (const String& folder : p.folders) CreateDirectoryA((target + folder).c_str(), nullptr);
    for (const auto& f : p.files)
        if (!CopyFileA(SourceOf(p, f).c_str(), TargetOf(p, target, f).c_str(), FALSE)) Fail("CopyFileA " + f.second);
    const double t = Seconds(start, Clock::now());
    CheckTarget(p, target, "CopyFileA");
    return t;
}

// The page on a script whose Install directory is the target, in test mode
// (each file comes from its recorded source folder). The time runs from
// the page's start (free space, directories, copy list) to its end, not
// the opening of the dialog around it.
// Per file, the dialog work of the copy page, each kind timed alone in the
// open dialog as the page does it for the payload's files.
struct DialogWork {
    double labels = 0, bars = 0, messages = 0, eachFileMessages = 0;
};

DialogWork TimeDialogWork(const Payload& p, const String& target)
{
    DialogWork w;
    TNimboPagesForm* f = NimboPagesForm;
    const double n = static_cast<double>(p.files.size());
    auto start = Clock::now();
    int left = static_cast<int>(p.files.size());
    for (const auto& file : p.files) {
        f->laFCFilesLeft->SetCaption(IntToStr(left--));
        f->laFCSource->SetCaption(RemoveBackslash(ShortenPath(SourceOf(p, file), f->laFCSource->Width(), f)));
        f->laFCTarget->SetCaption(RemoveBackslash(ShortenPath(TargetOf(p, target, file), f->laFCSource->Width(), f)));
    }
    w.labels = Seconds(start, Clock::now()) / n;
    start = Clock::now();
    f->pbrFCProgress->SetMaxValue(static_cast<int>(p.files.size()) * p.size);
    f->pbrFCProgress->SetProgress(0);
    for (size_t i = 0; i < p.files.size(); ++i) {
        f->pbrFCFile->SetProgress(0);
        f->pbrFCFile->SetMaxValue(p.size);
        f->pbrFCFile->SetProgress(p.size);
        f->pbrFCProgress->SetProgress(f->pbrFCProgress->Progress() + p.size);
    }
    w.bars = Seconds(start, Clock::now()) / n;
    // The page lets messages through at most every 25 ms; before, it did so
    // twice for every file.
    start = Clock::now();
    DWORD last = 0;
    for (size_t i = 0; i < p.files.size() * 2; ++i)
        if (GetTickCount() - last >= 25) {
            Application->ProcessMessages();
            last = GetTickCount();
        }
    w.messages = Seconds(start, Clock::now()) / n;
    start = Clock::now();
    for (size_t i = 0; i < p.files.size() * 2; ++i) Application->ProcessMessages();
    w.eachFileMessages = Seconds(start, Clock::now()) / n;
    return w;
}

// Fills the page's script; `install` is the Install directory.
using ScriptFill = std::function<void(TNimboData* script, TNimboDir* install)>;

// The page on a script whose Install directory is the target. The time
// runs from the page's start (free space, directories, copy list) to its
// end, not the opening of the dialog around it. `logged` gets how many
// files it handed to the install log.
double TimedPage(const String& target, bool test, const ScriptFill& fill, const std::function<void()>& whileOpen,
                 int& logged)
{
    auto* form = NewComponent<TBenchHostForm>(Application);
    auto* info = NewComponent<TNimboInfo>(form);
    info->SetTest(test);
    TNimboData* script = info->Script();
    TNimboDir* install = script->FindDir("Install");
    install->SetDir(target);
    fill(script, install);
    auto* page = NewComponent<TNimboFileCopy>(form);
    page->SetName("suCopy");
    // Over an earlier install every file is replaced without a question.
    page->SetOverWrite(swAlways);
    Clock::time_point start, stop;
    bool started = false, stopped = false;
    page->OnExecute = [&](TObject*) {
        started = true;
        start = Clock::now();
    };
    page->OnNextPage = [&](TObject*) {
        stopped = true;
        stop = Clock::now();
        if (whileOpen) whileOpen();
    };
    info->Loaded();
    const uint8_t result = page->Execute();
    if (result != psDone || !started || !stopped) Fail(Printf("page ended in state %d", result));
    logged = info->InstalledFiles().Count();
    FreeNimboPagesForm();
    KickOffPage = nullptr;
    PromptController = nullptr;
    CancelPrompt.clear();
    form->Free();
    return started && stopped ? Seconds(start, stop) : 0;
}

// In test mode: each file comes from its recorded source folder.
double PageRun(const Payload& p, const String& target, const std::function<void()>& whileOpen = {},
               bool replacing = false)
{
    const ScriptFill fill = [&p](TNimboData* script, TNimboDir* install) {
        TNimboDisk* disk = script->GetDisk(1);
        std::vector<TNimboDir*> dirs;
        for (const String& folder : p.folders) dirs.push_back(script->AddDir("Bench " + folder, folder, install));
        for (const auto& [folder, name] : p.files) {
            TNimboFile* f = script->AddFile(name);
            f->SetSource(p.dir + p.folders[static_cast<size_t>(folder)]);
            f->SetSize(p.size);
            dirs[static_cast<size_t>(folder)]->AddFile(f);
            disk->AddFile(f);
        }
    };
    int logged = 0;
    const double t = TimedPage(target, true, fill, whileOpen, logged);
    // Files that were there before are not the install's to remove.
    if (!replacing && logged != static_cast<int>(p.files.size())) Fail(Printf("page logged %d files", logged));
    CheckTarget(p, target, "page");
    return t;
}

// The copy routine alone, without the page around it.
double RoutineRun(const Payload& p, const String& target)
{
    int64_t seen = 0;
    const TCopyProgress count = [&seen](int, int bytes) { seen += bytes; };
    const auto start = Clock::now();
    CreateDirectoryA(target.c_str(), nullptr);
    for (const String& folder : p.folders) CreateDirectoryA((target + folder).c_str(), nullptr);
    for (const auto& f : p.files) CopyFileWithProgress(SourceOf(p, f), TargetOf(p, target, f), count);
    const double t = Seconds(start, Clock::now());
    CheckTarget(p, target, "CopyFileWithProgress");
    return t;
}

// Where the page's time goes per file, in microseconds.
void Breakdown(const Payload& p, const String& root, double page, double api)
{
    std::vector<double> copies, labels, bars, messages, eachFileMessages;
    for (int run = 0; run < kBreakdownRuns && !gFailed; ++run) {
        const String target = root + "routine\\";
        copies.push_back(RoutineRun(p, target));
        RemoveTree(target);
        const String pageTarget = root + "work\\";
        PageRun(p, pageTarget, [&] {
            const DialogWork w = TimeDialogWork(p, pageTarget);
            labels.push_back(w.labels);
            bars.push_back(w.bars);
            messages.push_back(w.messages);
            eachFileMessages.push_back(w.eachFileMessages);
        });
        RemoveTree(pageTarget);
    }
    const double copy = bench::Median(copies);
    const DialogWork work{bench::Median(labels), bench::Median(bars), bench::Median(messages),
                          bench::Median(eachFileMessages)};
    const double n = static_cast<double>(p.files.size()), us = 1e6;
    const double perFile = page / n * us, copyUs = copy / n * us;
    const double rest = perFile - copyUs - (work.labels + work.bars + work.messages) * us;
    std::printf("%-22s per file (us): page %.1f = copy %.1f + labels %.1f + bars %.1f + messages %.1f + rest %.1f;"
                " CopyFileA %.1f (messages after every file would be %.1f)\n",
                "", perFile, copyUs, work.labels * us, work.bars * us, work.messages * us, rest, api / n * us,
                work.eachFileMessages * us);
}

void Measure(const Payload& p, const String& root)
{
    const auto seconds = bench::Interleave(kRounds, {[&] {
                                                         const String target = root + "page\\";
                                                         const double t = gFailed ? 0 : PageRun(p, target);
                                                         RemoveTree(target);
                                                         return t;
                                                     },
                                                     [&] {
                                                         const String target = root + "api\\";
                                                         const double t = gFailed ? 0 : CopyFileRun(p, target);
                                                         RemoveTree(target);
                                                         return t;
                                                     }});
    const double page = bench::Median(seconds[0]), api = bench::Median(seconds[1]);
    std::printf("%-22s page %8.3f s   CopyFileA %8.3f s (medians)   ratio %s\n", p.label, page, api,
                bench::RatioText(bench::Ratios(seconds[0], seconds[1])).c_str());
    if (!gFailed) Breakdown(p, root, page, api);
}

// Over an earlier install of the same files (made untimed before each
// run): the page sets each old file aside for its journal, CopyFileA
// overwrites it.
void MeasureReplacing(const Payload& p, const String& root)
{
    const auto over = [&](const String& target, double (*run)(const Payload&, const String&)) {
        CopyFileRun(p, target);
        const double t = gFailed ? 0 : run(p, target);
        RemoveTree(target);
        return t;
    };
    const auto seconds =
        bench::Interleave(kRounds, {[&] {
                                        return over(root + "page\\", [](const Payload& q, const String& t) {
                                            return PageRun(q, t, {}, true);
                                        });
                                    },
                                    [&] { return over(root + "api\\", CopyFileRun); }});
    std::printf("%-22s page %8.3f s   CopyFileA %8.3f s (medians)   ratio %s\n", "  replacing them",
                bench::Median(seconds[0]), bench::Median(seconds[1]),
                bench::RatioText(bench::Ratios(seconds[0], seconds[1])).c_str());
}

// --- Compressed setups.

// A file of a compressed setup as the script lists it.
struct PackedFile {
    String name;
    int folder = 0;
    int32_t size = 0;
    bool compressed = false;
    int32_t packedSize = 0;
};

struct PackedSetup {
    const char* label;
    std::vector<PackedFile> files;
    bool solid = false;  // its files are the archive's members
};

// Where the archive waits while the other setups run: the page looks for
// it by name in the program's folder.
constexpr const char* kParkedArchive = "SOLID.PARKED";

String ExeDir()
{
    char buf[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return ExtractFilePath(String(buf, n));
}

// Text that packs as real files do, different in every file.
void WriteText(const String& path, int32_t size, int seed)
{
    String text;
    for (int line = 0; static_cast<int32_t>(text.size()) < size; ++line)
        text += Printf("%05d:%d item %d of the list, value %d\r\n", seed, line, (line * 7919 + seed) % 1000,
                       (line * 31 + seed * 17) % 4096);
    text.resize(static_cast<size_t>(size));
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    if (h == INVALID_HANDLE_VALUE || !WriteFile(h, text.data(), static_cast<DWORD>(size), &put, nullptr))
        Fail("cannot write " + path);
    CloseHandle(h);
}

// Compresses `plain` into the program's folder as `name`.
void PackInto(const String& plain, const String& name, PackedFile& f)
{
    const String packed = ExeDir() + name;
    if (CompressCompFile(plain.c_str(), packed.c_str(), 9) != kCompOk) Fail("cannot compress " + plain);
    WIN32_FILE_ATTRIBUTE_DATA d{};
    GetFileAttributesExA(packed.c_str(), GetFileExInfoStandard, &d);
    f.compressed = true;
    f.packedSize = static_cast<int32_t>(d.nFileSizeLow);
}

double PackedRun(const PackedSetup& s, const String& target)
{
    const String exe = ExeDir();
    if (s.solid) MoveFileA((exe + kParkedArchive).c_str(), (exe + kSolidArchiveName).c_str());
    const ScriptFill fill = [&s](TNimboData* script, TNimboDir* install) {
        std::vector<TNimboDir*> dirs;
        for (int d = 0; d < kSmallFolders; ++d)
            dirs.push_back(script->AddDir(Printf("Bench %d", d), Printf("D%02d\\", d), install));
        for (const PackedFile& pf : s.files) {
            TNimboFile* f = script->AddFile(pf.name);
            f->SetSize(pf.size);
            f->SetCompressed(pf.compressed);
            f->SetCompressedSize(pf.compressed ? pf.packedSize : pf.size);
            dirs[static_cast<size_t>(pf.folder)]->AddFile(f);
            script->GetDisk(1)->AddFile(f);
        }
    };
    int logged = 0;
    const double t = TimedPage(target, false, fill, {}, logged);
    if (s.solid) MoveFileA((exe + kSolidArchiveName).c_str(), (exe + kParkedArchive).c_str());
    if (logged != static_cast<int>(s.files.size())) Fail(Printf("%s: the page logged %d files", s.label, logged));
    for (const PackedFile& pf : s.files) {
        WIN32_FILE_ATTRIBUTE_DATA d{};
        const String path = target + Printf("D%02d\\", pf.folder) + pf.name;
        if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &d) ||
            d.nFileSizeLow != static_cast<DWORD>(pf.size)) {
            Fail(Printf("%s: %s missing or of the wrong size", s.label, path.c_str()));
            break;
        }
    }
    RemoveTree(target);
    return t;
}

// The same 20 MB three ways: 5,000 files solid, one file, 5,000 files each
// compressed alone. The plain files lie in `plain`.
std::vector<PackedSetup> MakePackedSetups(const String& plain, const String& solidTarget)
{
    PackedSetup solid{"5,000 x 4 KiB solid", {}, true}, perFile{"5,000 x 4 KiB per file", {}, false},
        one{"one file of 20 MB", {}, false};
    std::vector<TSolidMember> members;
    TNimboData order;  // the script the page sorts its copy list by
    order.FindDir("Install")->SetDir(solidTarget);
    for (int i = 0; i < 5000 && !gFailed; ++i) {
        PackedFile f{Printf("F%05d.DAT", i), i % kSmallFolders, 4096};
        const String path = plain + f.name;
        WriteText(path, f.size, i);
        solid.files.push_back(f);
        members.push_back(TSolidMember{path, f.name, 4096});
        order.FindDir("Install")->AddFile(order.AddFile(f.name));
        PackInto(path, f.name, f);
        perFile.files.push_back(f);
    }
    PackedFile big{"BIG.DAT", 0, 5000 * 4096};
    WriteText(plain + big.name, big.size, 99999);
    PackInto(plain + big.name, big.name, big);
    one.files.push_back(big);
    SortInCopyOrder(members, order);
    WriteSolidArchive(members, ExeDir() + kParkedArchive, kCompMethodLzma);
    return {solid, one, perFile};
}

// CopyFileA of the plain files: what writing 5,000 files costs at least.
double PlainCopyRun(const PackedSetup& s, const String& plain, const String& target)
{
    const auto start = Clock::now();
    CreateDirectoryA(target.c_str(), nullptr);
    for (int d = 0; d < kSmallFolders; ++d) CreateDirectoryA((target + Printf("D%02d\\", d)).c_str(), nullptr);
    for (const PackedFile& f : s.files)
        if (!CopyFileA((plain + f.name).c_str(), (target + Printf("D%02d\\", f.folder) + f.name).c_str(), FALSE))
            Fail("CopyFileA " + f.name);
    const double t = Seconds(start, Clock::now());
    RemoveTree(target);
    return t;
}

void MeasurePacked(const String& root)
{
    const String exe = ExeDir();
    // The build gives the library's Unix path; Wine shows the Unix root as Z:.
    String library = String("Z:") + NIMBO_COMP_DLL;
    std::replace(library.begin(), library.end(), '/', '\\');
    if (!CopyFileA(library.c_str(), (exe + kCompLibraryName).c_str(), FALSE)) Fail("cannot place the library");
    const String plain = root + "plain\\", target = root + "target\\";
    CreateDirectoryA(plain.c_str(), nullptr);
    const std::vector<PackedSetup> setups = MakePackedSetups(plain, target);
    std::vector<std::function<double()>> sides;
    for (const PackedSetup& s : setups) sides.push_back([&s, &target] { return gFailed ? 0 : PackedRun(s, target); });
    sides.push_back([&] { return gFailed ? 0 : PlainCopyRun(setups[0], plain, target); });
    const auto seconds = bench::Interleave(kRounds, sides);
    std::printf("compressed setups (medians): %s %.3f s, %s %.3f s, %s %.3f s; CopyFileA of the plain files %.3f s\n",
                setups[0].label, bench::Median(seconds[0]), setups[1].label, bench::Median(seconds[1]), setups[2].label,
                bench::Median(seconds[2]), bench::Median(seconds[3]));
    std::printf("  solid / one file   ratio %s\n", bench::RatioText(bench::Ratios(seconds[0], seconds[1])).c_str());
    std::printf("  solid / per file   ratio %s\n", bench::RatioText(bench::Ratios(seconds[0], seconds[2])).c_str());
    std::printf("  solid / CopyFileA  ratio %s\n", bench::RatioText(bench::Ratios(seconds[0], seconds[3])).c_str());
    RemoveTree(plain);
    for (const PackedFile& f : setups[2].files) DeleteFileA((exe + f.name).c_str());
    for (const char* name : {"BIG.DAT", kParkedArchive, kCompLibraryName}) DeleteFileA((exe + name).c_str());
}

}  // namespace

// With the argument "compressed", only the compressed setups.
int main(int argc, char** argv)
{
    const bool onlyCompressed = argc > 1 && String(argv[1]) == "compressed";
    InitializeApplication();
    RegisterSuiteClasses();
    RegisterComponentClass(TBenchHostForm::StaticClass());
    // An error must end the bench, not wait for someone to close a box.
    Application->OnException = [](const String& m) { Fail("unhandled exception: " + m); };

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const String root = String(tmp) + "nimbo-bench-copy-" + IntToStr(GetCurrentProcessId()) + "\\";
    RemoveTree(root);
    CreateDirectoryA(root.c_str(), nullptr);

    std::printf("ratio = page / CopyFileA (target: at most 1.5 on both; aim 1.15 on small files)\n");
    if (!onlyCompressed) {
        const Payload large = MakePayload("200 MiB in 20 files", root + "large\\", 1, 20, 10 << 20);
        if (!gFailed) Measure(large, root);
        if (!gFailed) MeasureReplacing(large, root);
        RemoveTree(large.dir);
    }
    if (!onlyCompressed) {
        const Payload small = MakePayload("5,000 x 4 KiB, 50 dirs", root + "small\\", kSmallFolders, 5000, 4096);
        if (!gFailed) Measure(small, root);
        if (!gFailed) MeasureReplacing(small, root);
        RemoveTree(small.dir);
    }
    if (!gFailed) MeasurePacked(root);
    RemoveTree(root);
    FinalizeApplication();
    return gFailed ? 1 : 0;
}
