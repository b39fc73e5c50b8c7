// Whom a run installs for: the author's choice, the command line's switch
// and the unattended default decide it once; the registry root, the user's
// program folder and the folder of the run's own files follow it.
#include <gtest/gtest.h>

#include <windows.h>

#include <shellapi.h>

#include "engine/file_routines.h"
#include "engine/files_in_use.h"
#include "engine/run_scope.h"
#include "engine/run_switches.h"
#include "test_files.h"

namespace {

class RunScope : public ::testing::Test {
protected:
    void TearDown() override
    {
        SetRunScope(TRunScope::machine);
        SetRunSwitches(TRunSwitches{});
    }
};

struct TScopeCase {
    TNimboScope author;
    bool allowed;
    TScopeSwitch given;
    bool unattended, unInstall;
    TRunScope scope;
    bool ask, refused;
};

void ExpectDecisions(const std::vector<TScopeCase>& cases, bool machineOnly)
{
    for (const TScopeCase& c : cases) {
        const TScopeDecision d = DecideScope(c.author, c.allowed, c.given, c.unattended, c.unInstall, machineOnly);
        const String what = Format("author %d allowed %d switch %d unattended %d uninstall %d", c.author, c.allowed,
                                   static_cast<int>(c.given), c.unattended, c.unInstall);
        EXPECT_EQ(d.scope, c.scope) << what;
        EXPECT_EQ(d.ask, c.ask) << what;
        EXPECT_EQ(d.refused, c.refused) << what;
    }
}

}  // namespace

TEST_F(RunScope, TheSwitchWinsWhereAllowedAndIsRefusedWhereNot)
{
    using S = TScopeSwitch;
    constexpr TRunScope machine = TRunScope::machine, user = TRunScope::user;
    ExpectDecisions(
        {
            {isMachine, true, S::none, false, false, machine, false, false},
            {isUser, true, S::none, true, false, user, false, false},
            {isMachine, true, S::currentUser, false, false, user, false, false},
            {isUser, true, S::allUsers, true, false, machine, false, false},
            // Not allowed: refused, unless it names the author's own scope.
            {isMachine, false, S::currentUser, true, false, user, false, true},
            {isUser, false, S::allUsers, false, false, machine, false, true},
            {isUser, false, S::currentUser, true, false, user, false, false},
            // "ask": the switch answers beforehand, allowed or not; without
            // one an attended run asks and an unattended one goes per-user.
            {isAsk, false, S::allUsers, false, false, machine, false, false},
            {isAsk, true, S::none, false, false, machine, true, false},
            {isAsk, true, S::none, true, false, user, false, false},
            // The uninstall takes what its registration says, and never asks.
            {isMachine, false, S::currentUser, true, true, user, false, false},
            {isAsk, true, S::none, false, true, machine, false, false},
            {isUser, false, S::none, false, true, user, false, false},
        },
        false);
}

// A setup with a page that writes machine-wide in any scope (the database
// engine's): machine-wide whatever the author chose, never asking, and
// /CURRENTUSER refused however the author set the switch; the uninstall
// still follows its registration.
TEST_F(RunScope, AMachineOnlySetupIsMachineWideAndRefusesCurrentUser)
{
    using S = TScopeSwitch;
    constexpr TRunScope machine = TRunScope::machine, user = TRunScope::user;
    ExpectDecisions(
        {
            {isUser, true, S::none, true, false, machine, false, false},
            {isAsk, true, S::none, false, false, machine, false, false},
            {isAsk, true, S::none, true, false, machine, false, false},
            {isMachine, true, S::currentUser, true, false, user, false, true},
            {isAsk, true, S::currentUser, false, false, user, false, true},
            {isUser, true, S::currentUser, true, false, user, false, true},
            {isUser, false, S::allUsers, true, false, machine, false, false},
            {isUser, true, S::currentUser, true, true, user, false, false},
            {isAsk, true, S::none, false, true, machine, false, false},
        },
        true);
}

TEST_F(RunScope, SwitchesAreTakenOnceAndForwardedSoTheCopyReadsThemBack)
{
    EXPECT_EQ(ParseRunSwitches({"/allusers"}).scope, TScopeSwitch::allUsers);
    const TRunSwitches user = ParseRunSwitches({"UNINSTALL", "/CurrentUser", "/VERYSILENT"});
    EXPECT_TRUE(user.unInstall);
    EXPECT_EQ(user.scope, TScopeSwitch::currentUser);
    EXPECT_TRUE(user.error.empty());
    for (const std::vector<String>& twice :
         {std::vector<String>{"/ALLUSERS", "/CURRENTUSER"}, std::vector<String>{"/CURRENTUSER", "/CURRENTUSER"}})
        EXPECT_FALSE(ParseRunSwitches(twice).error.empty()) << twice[0] << " " << twice[1];

    // A restarted copy (the one with rights, the uninstall's) gets the
    // decided scope and every value exactly, a blank or a trailing
    // backslash included.
    TRunSwitches s = ParseRunSwitches({"/SILENT", "/DIR=C:\\Program Files\\My App\\", "/LOG=C:\\logs\\run.log"});
    SetRunSwitches(s);
    SetForwardedScope(TScopeSwitch::allUsers);
    const TRunSwitches back = ParseRunSwitches(SplitCommandLine(ForwardedSwitches()));
    EXPECT_TRUE(back.error.empty()) << back.error;
    EXPECT_EQ(back.mode, TRunMode::silent);
    EXPECT_EQ(back.scope, TScopeSwitch::allUsers);
    EXPECT_EQ(back.dir, "C:\\Program Files\\My App\\");
    EXPECT_EQ(back.log, "C:\\logs\\run.log");
}

TEST_F(RunScope, WhatDependsOnTheScopeFollowsIt)
{
    SetRunScope(TRunScope::machine);
    EXPECT_EQ(RegistrationRoot(), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(RunStateFolder(), AddBackslash(WindowsDir()) + "Nimbo Setup\\");
    // Wine's user is an administrator.
    EXPECT_TRUE(MayReplaceAtRestart());

    SetRunScope(TRunScope::user);
    const String data = UserDataFolder();
    ASSERT_FALSE(data.empty());
    EXPECT_TRUE(DirectoryExists(data));
    EXPECT_EQ(RegistrationRoot(), HKEY_CURRENT_USER);
    EXPECT_EQ(RunStateFolder(), data + "Nimbo Setup\\");
    // The list of files replaced at the restart is the machine's.
    EXPECT_FALSE(MayReplaceAtRestart());
    EXPECT_EQ(UserProgramsDestination("Sample Writer"), data + "Programs\\Sample Writer\\");
    // The application's name becomes one folder, or none at all.
    for (const char* name : {"..", "a\\b", "..\\..\\Windows", "CON", "x:y", ""})
        EXPECT_EQ(UserProgramsDestination(name), "") << name;
}
