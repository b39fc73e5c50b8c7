// The command line of the setup program, read once at start: the word
// UNINSTALL and the switches of an unattended run. An unattended run is the
// same page chain with every page taking its shown default and every
// question a fixed answer; it ends with an exit code that says how it went.
// Every value here comes from whoever started the program: nothing of it is
// trusted before its consumer has checked it.
#pragma once

#include <vector>

#include "base/nstring.h"
#include "engine/run_log.h"
#include "engine/run_scope.h"

enum class TRunMode { interactive, silent, verySilent };

struct TRunSwitches {
    bool unInstall = false;
    bool help = false;
    TRunMode mode = TRunMode::interactive;
    String dir;                               // /DIR=: replaces the directory page's destination
    String lang;                              // /LANG=: the language of the run
    String log;                               // /LOG=: a plain-text record of the run
    bool logDefault = false;                  // /LOG alone: that record in the temporary folder
    TScopeSwitch scope = TScopeSwitch::none;  // /ALLUSERS, /CURRENTUSER
    bool allowDowngrade = false;              // /ALLOWDOWNGRADE: an older version may replace a newer
    bool suppressMsgBoxes = false;            // /SUPPRESSMSGBOXES: every question its fixed answer
    bool noRestart = false;                   // /NORESTART
    int restartExitCode = 6;                  // /RESTARTEXITCODE=: the code of "restart to finish"
    bool noCancel = false;                    // /NOCANCEL: no Cancel button
    bool noIcons = false;                     // /NOICONS: no program group
    String group;                             // /GROUP=: the program group's name
    String type;                              // /TYPE=: the install type's name
    String options;                           // /OPTIONS= (/COMPONENTS=): option names, commas between
    bool optionsGiven = false;                // (an empty list chooses no option)
    String tasks;                             // /TASKS=: names of optional actions
    bool tasksGiven = false;
    String error;  // what was wrong with the command line, if anything (the first thing)
};

// Exit codes of the program.
enum TExitCode : int {
    exitDone = 0,
    exitBadCommandLine = 1,
    exitCancelled = 2,
    exitFailed = 3,
    exitAlreadyRunning = 4,
    exitDiskSpace = 5,
    exitRestartNeeded = 6,   // done, but files in use are replaced only at the next restart
    exitNewerInstalled = 7,  // a newer version of the product is installed; nothing changed
    exitProgramRunning = 8,  // the product's program is running (holds the setup's mutex); nothing changed
    exitWindowsTooOld = 9,   // Windows is older than the setup needs; nothing changed
};

// Parses the arguments after the program's own name. Switches start with
// '/' or '-' and ignore letter case.
TRunSwitches ParseRunSwitches(const std::vector<String>& args);
// The text `setup.exe /?` shows, in lines of at most `width` characters
// broken only between whole switches and words.
String RunSwitchesUsage(size_t width = 76);
// The names of a list switch's value (/OPTIONS=a,b), blanks around each
// dropped; none for an empty list.
std::vector<String> SwitchNames(const String& list);

// The switches of this run (the process's command line unless set).
const TRunSwitches& RunSwitches();
void SetRunSwitches(const TRunSwitches& switches);
bool Unattended();
// Whether questions get the fixed answers of an unattended run instead of
// a message box: unattended, or /SUPPRESSMSGBOXES.
bool FixedAnswers();

// The exit code so far; the first failure that names a code keeps it.
int RunExitCode();
void SetRunExitCode(int code);
void ResetRunExitCode();
// What the program ends with: the code so far, "restart to finish" as
// /RESTARTEXITCODE asks; the /LOG file gets it with its meaning, once.
int FinalExitCode();
// The meaning of an exit code, as the usage text gives it.
String ExitCodeMeaning(int code);

// Makes the /LOG file's name a full path (for /LOG alone, a new name in the
// temporary folder) and checks that it can be written; false when it
// cannot (the run must not start without its log). Then starts the run's
// section of the log.
bool PrepareRunLog();
// Puts the scope this run decided into its switches: a restarted copy
// takes it from there instead of deciding (or asking) again.
void SetForwardedScope(TScopeSwitch scope);
// The switches of this run as a restarted copy is to be given them.
String ForwardedSwitches();

// The fixed answer of an unattended run to a question with these buttons
// (bit n = TMsgDlgBtn n), as a modal result; 0 when the run is attended.
// The suite's own questions take the answer that goes on safely or ends
// the run (Abort, else Yes, else Cancel, else OK); the host form's
// questions (the read-me offer) are declined. The question and the answer
// go to the /LOG file.
int UnattendedAnswer(const String& text, unsigned buttons, bool hostQuestion);
