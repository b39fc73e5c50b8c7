// The command line as deployment tools write it: every switch taken alone,
// in either letter case and with '/' or '-'; what a switch does not take
// refused with the reason; all of it forwarded to a restarted copy; and the
// usage text broken only between whole switches and words.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include <algorithm>

#include "engine/run_switches.h"
#include "test_files.h"

namespace {

TEST(RunSwitches, EachSwitchIsTakenAloneAndWhatNoSwitchTakesIsRefused)
{
    // The arguments, and a piece of the reason when they are refused.
    const struct {
        std::vector<String> args;
        const char* refused;
    } cases[] = {
        {{"/SUPPRESSMSGBOXES"}, nullptr},
        {{"-norestart"}, nullptr},
        {{"/RestartExitCode=3010"}, nullptr},
        {{"/NOCANCEL"}, nullptr},
        {{"/NOICONS"}, nullptr},
        {{"/GROUP=Writer Tools"}, nullptr},
        {{"/TYPE=Compact"}, nullptr},
        {{"/OPTIONS=Samples,Help"}, nullptr},
        {{"/COMPONENTS="}, nullptr},
        {{"/TASKS="}, nullptr},
        {{"/LOG"}, nullptr},
        {{"-LOG=C:\\a.log"}, nullptr},
        {{"/BOGUS"}, "Unknown argument: /BOGUS"},
        {{"setup"}, "Unknown argument: setup"},
        {{"/NORESTART=1"}, "takes no value"},
        {{"/VERYSILENT=yes"}, "takes no value"},
        {{"/RESTARTEXITCODE=soon"}, "a number"},
        {{"/RESTARTEXITCODE=-1"}, "a number"},
        {{"/RESTARTEXITCODE=1234567890"}, "a number"},
        {{"/TYPE"}, "needs an install type's name"},
        {{"/TYPE="}, "needs an install type's name"},
        {{"/GROUP=a\nb"}, "control character"},
        {{"/OPTIONS=a", "/COMPONENTS=b"}, "given twice"},
        {{"/LOG", "/LOG=x"}, "given twice"},
        {{"/NOICONS", "-noicons"}, "given twice"},
        // Read to the end: the log named after a wrong switch gets its reason.
        {{"/BOGUS", "/NOCANCEL=1", "/LOG=C:\\a.log"}, "Unknown argument: /BOGUS"},
    };
    for (const auto& c : cases) {
        const TRunSwitches s = ParseRunSwitches(c.args);
        if (c.refused)
            EXPECT_NE(s.error.find(c.refused), String::npos) << c.args[0] << ": " << s.error;
        else
            EXPECT_EQ(s.error, "") << c.args[0];
    }
    const TRunSwitches late = ParseRunSwitches({"/BOGUS", "/LOG=C:\\a.log"});
    EXPECT_EQ(late.log, "C:\\a.log");
    EXPECT_EQ(ParseRunSwitches({"/RESTARTEXITCODE=3010"}).restartExitCode, 3010);
    EXPECT_EQ(SwitchNames(" Samples , Help,"), (std::vector<String>{"Samples", "Help", ""}));
    EXPECT_TRUE(SwitchNames("").empty());
}

TEST(RunSwitches, ARestartedCopyGetsEverySwitch)
{
    const std::vector<String> args{"/VERYSILENT",
                                   "/SUPPRESSMSGBOXES",
                                   "/NORESTART",
                                   "/RESTARTEXITCODE=3010",
                                   "/NOCANCEL",
                                   "/NOICONS",
                                   "/GROUP=My Tools",
                                   "/TYPE=Compact",
                                   "/OPTIONS=",
                                   "/TASKS=",
                                   "/LOG=C:\\my logs\\a b.log",
                                   "/ALLOWDOWNGRADE"};
    SetRunSwitches(ParseRunSwitches(args));
    const TRunSwitches back = ParseRunSwitches(SplitCommandLine(ForwardedSwitches()));
    EXPECT_EQ(back.error, "");
    EXPECT_TRUE(back.suppressMsgBoxes && back.noRestart && back.noCancel && back.noIcons && back.allowDowngrade);
    EXPECT_EQ(back.restartExitCode, 3010);
    EXPECT_EQ(back.group, "My Tools");
    EXPECT_EQ(back.type, "Compact");
    EXPECT_TRUE(back.optionsGiven && back.options.empty() && back.tasksGiven);
    EXPECT_EQ(back.log, "C:\\my logs\\a b.log");
    SetRunSwitches(TRunSwitches{});
}

TEST(RunSwitches, TheUsageBreaksOnlyBetweenWholeSwitchesAndWords)
{
    const String usage = RunSwitchesUsage(64);
    std::vector<String> lines;
    for (size_t b = 0, e; b <= usage.size(); b = e + 2) {
        e = usage.find("\r\n", b);
        if (e == String::npos) e = usage.size();
        lines.push_back(usage.substr(b, e - b));
    }
    for (const String& line : lines) {
        EXPECT_LE(line.size(), 64u) << line;
        // A bracketed piece of the synopsis is whole on its line.
        EXPECT_EQ(std::count(line.begin(), line.end(), '['), std::count(line.begin(), line.end(), ']')) << line;
        EXPECT_TRUE(line.empty() || (line.back() != '/' && line.back() != '|')) << line;
    }
    for (const char* name : {"/SUPPRESSMSGBOXES", "/NORESTART", "/RESTARTEXITCODE=", "/NOCANCEL", "/NOICONS",
                             "/GROUP=", "/TYPE=", "/OPTIONS=", "/COMPONENTS=", "/TASKS=", "/LANG=", "/DIR=", "/LOG",
                             "/ALLOWDOWNGRADE", "/ALLUSERS", "/CURRENTUSER", "/SILENT", "/VERYSILENT"})
        EXPECT_NE(usage.find(name), String::npos) << name;
    // Every exit code with its meaning, the last ones too.
    String words;
    for (char c : usage) {
        if (c == '\r') continue;
        if (c == '\n') c = ' ';
        if (!(c == ' ' && !words.empty() && words.back() == ' ')) words += c;
    }
    for (const char* code : {"7 a newer version is installed,", "8 the program to be updated is running,",
                             "9 Windows is older than this setup needs."})
        EXPECT_NE(words.find(code), String::npos) << code;
}

}  // namespace
