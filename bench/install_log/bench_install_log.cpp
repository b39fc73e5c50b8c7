// Scaling of the install log: the controller records 1,000 and then 10,000
// installed files (AddInstalledFile), writes its log (WriteLog) and a new
// controller reads it back (ReadLog), through the real profile services.
// Prints the time per 1,000 entries at each size, for writing and for
// reading, and the ratio of the larger run's figure to the smaller one's:
// near-linear code stays close to 1.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "engine/nimbo_info.h"
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

constexpr int kRuns = 3;
constexpr int kDirs = 50;

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

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
    double write = 1e9, read = 1e9;
};

// Paths as an installation makes them: files spread over folders.
String FilePath(const String& dir, int i)
{
    return dir + "SUB" + IntToStr(i % kDirs) + "\\FILE" + IntToStr(i) + ".DAT";
}

Times Measure(const String& dir, int files)
{
    Times best;
    const String log = dir + "INSTALL.LOG";
    for (int run = 0; run < kRuns && !gFailed; ++run) {
        DeleteFileA(log.c_str());  // a fresh log, not a merge with the last run's
        {
            Controller c(dir);
            const auto start = Clock::now();
            for (int d = 0; d < kDirs; ++d)
                c.info->AddCreatedDir(dir + "SUB" + IntToStr(d) + "\\");
            for (int i = 0; i < files; ++i)
                c.info->AddInstalledFile(FilePath(dir, i));
            c.info->WriteLog();
            best.write = std::min(best.write, Seconds(start, Clock::now()));
        }
        {
            Controller c(dir);
            const auto start = Clock::now();
            const bool read = c.info->ReadLog(log, false);
            best.read = std::min(best.read, Seconds(start, Clock::now()));
            if (!read || c.info->InstalledFiles().Count() != files || c.info->CreatedDirs().Count() != kDirs ||
                c.info->InstalledFiles().IndexOf(FilePath(dir, files - 1)) < 0)
                Fail("the log read back is not what was written (" + IntToStr(c.info->InstalledFiles().Count()) +
                     " files)");
        }
    }
    DeleteFileA(log.c_str());
    return best;
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

    const Times small = Measure(dir, 1000);
    const Times large = gFailed ? Times{} : Measure(dir, 10000);
    RemoveDirectoryA(dir.c_str());
    FinalizeApplication();
    if (gFailed) return 1;

    std::printf("best of %d; ms per 1,000 entries (ratio 10,000 / 1,000; near-linear is close to 1)\n", kRuns);
    const double w1 = small.write * 1000.0, w10 = large.write * 1000.0 / 10.0;
    const double r1 = small.read * 1000.0, r10 = large.read * 1000.0 / 10.0;
    std::printf("write  %8.2f ms at 1,000   %8.2f ms at 10,000   ratio %5.2f\n", w1, w10, w10 / w1);
    std::printf("read   %8.2f ms at 1,000   %8.2f ms at 10,000   ratio %5.2f\n", r1, r10, r10 / r1);
    return 0;
}
