// Scaling of the install log: the controller records 1,000 and then 10,000
// installed files (AddInstalledFile), writes its log (WriteLog) and a new
// controller reads it back (ReadLog), through the real profile services.
// Prints the time per 1,000 entries at each size, for writing and for
// reading, and the ratio of the larger run's figure to the smaller one's:
// near-linear code stays close to 1. The two sizes run in interleaved
// rounds (bench/support/rounds.h).
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "engine/nimbo_info.h"
#include "rounds.h"
#include "pages/register_suite.h"
#include "framework/properties.h"
#include "framework/win32/register.h"
#include "script/nimbo_data.h"

namespace {

// A form to own the controller, as the host form does.
class TBenchHostForm : public TForm {
    NIMBO_CLASS()
};

}  // namespace

NIMBO_DEFINE_CLASS(TBenchHostForm, TForm, true, (void)0)

namespace {

constexpr int kRounds = 5;
constexpr int kDirs = 50;

bool gFailed = false;

void Fail(const String& what)
{
    std::printf("FAILED: %s\n", what.c_str());
    gFailed = true;
}

struct Controller {
    explicit Controller(const String& dir)
    {
        form = NewComponent<TBenchHostForm>(Application);
        info = NewComponent<TNimboInfo>(form);
        info->Loaded();
        TNimboDir* install = info->Script()->FindDir("Install");
        install->SetDir(dir);
        info->Script()->SetLogFileDir(install);
    }
    ~Controller() { form->Free(); }
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;
    TBenchHostForm* form;
    TNimboInfo* info;
};

struct Times {
    double write = 0, read = 0;
};

// Paths as an installation makes them: files spread over folders.
String FilePath(const String& dir, int i)
{
    return dir + "SUB" + IntToStr(i % kDirs) + "\\FILE" + IntToStr(i) + ".DAT";
}

// One run: a log of `files` entries written, then read back.
Times Run(const String& dir, int files)
{
    Times t;
    const String log = dir + "INSTALL.LOG";
    if (gFailed) return t;
    DeleteFileA(log.c_str());  // a fresh log, not a merge with the last run's
    {
        Controller c(dir);
        const auto start = bench::Clock::now();
        for (int d = 0; d < kDirs; ++d) c.info->AddCreatedDir(dir + "SUB" + IntToStr(d) + "\\");
        for (int i = 0; i < files; ++i) c.info->AddInstalledFile(FilePath(dir, i));
        c.info->WriteLog();
        t.write = bench::Seconds(start);
    }
    {
        Controller c(dir);
        const auto start = bench::Clock::now();
        const bool read = c.info->ReadLog(log, false);
        t.read = bench::Seconds(start);
        if (!read || c.info->InstalledFiles().Count() != files || c.info->CreatedDirs().Count() != kDirs ||
            c.info->InstalledFiles().IndexOf(FilePath(dir, files - 1)) < 0)
            Fail("the log read back is not what was written (" + IntToStr(c.info->InstalledFiles().Count()) +
                 " files)");
    }
    DeleteFileA(log.c_str());
    return t;
}

std::vector<double> Part(const std::vector<Times>& runs, double Times::*part)
{
    std::vector<double> v;
    for (const Times& t : runs) v.push_back(t.*part);
    return v;
}

}  // namespace

int main()
{
    InitializeApplication();
    RegisterSuiteClasses();
    RegisterComponentClass(TBenchHostForm::StaticClass());
    Application->OnException = [](const String& m) { Fail("unhandled exception: " + m); };

    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const String dir = String(tmp) + "nimbo-bench-log-" + IntToStr(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);

    const auto runs =
        bench::Interleave<Times>(kRounds, {[&] { return Run(dir, 1000); }, [&] { return Run(dir, 10000); }});
    RemoveDirectoryA(dir.c_str());
    FinalizeApplication();
    if (gFailed) return 1;

    std::printf("ms per 1,000 entries, medians (ratio 10,000 / 1,000 per round; near-linear is close to 1)\n");
    for (auto [label, part] : {std::pair{"write", &Times::write}, std::pair{"read ", &Times::read}}) {
        const std::vector<double> small = Part(runs[0], part), large = Part(runs[1], part);
        std::printf("%s  %8.2f ms at 1,000   %8.2f ms at 10,000   ratio %s\n", label, bench::Median(small) * 1000.0,
                    bench::Median(large) * 100.0, bench::RatioText(bench::Ratios(large, small, 0.1)).c_str());
    }
    return 0;
}
