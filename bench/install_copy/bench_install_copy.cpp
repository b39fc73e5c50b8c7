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
#include <windows.h>

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
#include "rounds.h"

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

double PageRun(const Payload& p, const String& target, const std::function<void()>& whileOpen = {},
               bool replacing = false)
{
    auto* form = NewComponent<TBenchHostForm>(Application);
    auto* info = NewComponent<TNimboInfo>(form);
    info->SetTest(true);
    TNimboData* script = info->Script();
    TNimboDir* install = script->FindDir("Install");
    install->SetDir(target);
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
    // Files that were there before are not the install's to remove.
    if (!replacing && info->InstalledFiles().Count() != static_cast<int>(p.files.size()))
        Fail(Printf("page logged %d files", info->InstalledFiles().Count()));
    FreeNimboPagesForm();
    KickOffPage = nullptr;
    PromptController = nullptr;
    CancelPrompt.clear();
    form->Free();
    CheckTarget(p, target, "page");
    return started && stopped ? Seconds(start, stop) : 0;
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

}  // namespace

int main()
{
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
    {
        const Payload large = MakePayload("200 MiB in 20 files", root + "large\\", 1, 20, 10 << 20);
        if (!gFailed) Measure(large, root);
        if (!gFailed) MeasureReplacing(large, root);
        RemoveTree(large.dir);
    }
    {
        const Payload small = MakePayload("5,000 x 4 KiB, 50 dirs", root + "small\\", kSmallFolders, 5000, 4096);
        if (!gFailed) Measure(small, root);
        if (!gFailed) MeasureReplacing(small, root);
        RemoveTree(small.dir);
    }
    RemoveTree(root);
    FinalizeApplication();
    return gFailed ? 1 : 0;
}
