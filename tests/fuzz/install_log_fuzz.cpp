// The install log reader, which the uninstall trusts, on bounded random
// mutations of a real log, through the real profile services (so under
// Wine): a damaged log reads into consistent lists or is not taken for a
// log, never a crash or another error. `make fuzz` runs it with
// NIMBO_FUZZ_SECONDS; corpus files named on the command line are the seeds.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/path_routines.h"
#include "gui_test_support.h"
#include "script/nimbo_data.h"

namespace {

std::vector<String> Seeds()
{
    std::vector<String> seeds;
    const char* list = std::getenv("NIMBO_FUZZ_CORPUS");
    String rest = list ? list : "";
    while (!rest.empty()) {
        const bool more = rest.find(';') != String::npos;
        const String path = SplitToken(rest, ";");
        if (!more) rest.clear();
        std::ifstream in(path.c_str(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        if (!s.str().empty()) seeds.push_back(s.str());
    }
    if (seeds.empty())
        seeds.push_back(
            "[Directories]\r\nInstall=C:\\App\\\r\n[Created Dirs]\r\nC:\\App\\\r\n[Files]\r\nC:\\App\\A.EXE\r\n"
            "[Program Groups]\r\n0=App:~:Run\r\n[BDE Files]\r\nBDE Type=2\r\n[Language]\r\nLanguage=English\r\n");
    return seeds;
}

String Mutate(String text, std::mt19937& rng)
{
    static const char* const pieces[] = {
        "[",     "]",        "=",        "\r\n",           ":~:",          "0x",          "\\", "..", "%s",
        "Files", "Language", "BDE Type", "Program Groups", "Created Dirs", "Directories", "\0"};
    const int edits = 1 + static_cast<int>(rng() % 6);
    for (int e = 0; e < edits; ++e) {
        const size_t at = text.empty() ? 0 : rng() % (text.size() + 1);
        switch (rng() % 4) {
        case 0:
            if (!text.empty()) text[at % text.size()] = static_cast<char>(rng());
            break;
        case 1:
            text.insert(at, pieces[rng() % (sizeof pieces / sizeof *pieces)]);
            break;
        case 2:
            text.erase(at, rng() % 16);
            break;
        default:
            text.insert(at, text.substr(rng() % (text.size() + 1), rng() % 64));
            break;
        }
    }
    return text;
}

// A log may name a language that is not there: the reader then says so in
// a message box, which this closes as a user would.
BOOL CALLBACK CloseIfVisible(HWND h, LPARAM)
{
    if (IsWindowVisible(h)) PostMessageA(h, WM_CLOSE, 0, 0);
    return TRUE;
}

void CALLBACK CloseMessageBoxes(HWND, UINT, UINT_PTR, DWORD)
{
    EnumThreadWindows(GetCurrentThreadId(), CloseIfVisible, 0);
}

TEST(InstallLogFuzz, DamagedLogsReadIntoConsistentListsOrNotAtAll)
{
    char tmp[MAX_PATH];
    GetTempPathA(MAX_PATH, tmp);
    const String file = String(tmp) + "nimbo-logfuzz-" + IntToStr(GetCurrentProcessId()) + ".log";
    const char* secondsText = std::getenv("NIMBO_FUZZ_SECONDS");
    const int seconds = secondsText ? std::atoi(secondsText) : 3;
    const char* seedText = std::getenv("NIMBO_FUZZ_SEED");
    std::mt19937 rng(seedText ? static_cast<unsigned>(std::strtoul(seedText, nullptr, 10)) : std::random_device{}());
    const std::vector<String> seeds = Seeds();
    auto* form = NewComponent<TTestHostForm>(Application);
    auto* info = NewComponent<TNimboInfo>(form);
    info->Loaded();
    const UINT_PTR closer = SetTimer(nullptr, 0, 50, CloseMessageBoxes);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int runs = 0, logs = 0;
    for (; std::chrono::steady_clock::now() < deadline && !HasFailure(); ++runs) {
        const String text = Mutate(seeds[rng() % seeds.size()], rng);
        {
            std::ofstream out(file.c_str(), std::ios::binary | std::ios::trunc);
            out.write(text.data(), static_cast<std::streamsize>(text.size()));
        }
        try {
            const bool isLog = TNimboInfo::IsInstallLog(file);
            const bool read = info->ReadLog(file, false);
            logs += isLog;
            EXPECT_TRUE(read) << "an existing file reads";
            EXPECT_EQ(info->GroupNames().Count(), info->GroupItems().Count()) << text;
            for (int i = 0; i < info->GroupNames().Count(); ++i) EXPECT_FALSE(info->GroupNames()[i].empty()) << text;
            for (int i = 0; i < info->InstalledFiles().Count(); ++i)
                EXPECT_FALSE(info->InstalledFiles()[i].empty()) << text;
            for (int i = 0; i < info->CreatedDirs().Count(); ++i) EXPECT_FALSE(info->CreatedDirs()[i].empty()) << text;
            if (!isLog) {
                EXPECT_EQ(info->InstalledFiles().Count() + info->CreatedDirs().Count() + info->GroupNames().Count(), 0)
                    << "entries from a file that is no log: " << text;
            }
        } catch (const std::exception& e) {
            ADD_FAILURE() << "the log reader raised " << e.what() << " on: " << text;
        }
    }
    KillTimer(nullptr, closer);
    DeleteFileA(file.c_str());
    ResetWizard();
    form->Free();
    std::printf("%d damaged logs read, %d taken for a log\n", runs, logs);
    EXPECT_GT(runs, 10);
}

}  // namespace
