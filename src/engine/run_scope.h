// Whom an installation is for: everybody on the machine, or the user who
// runs the setup alone. It is decided once at start, and everything that
// depends on it asks here: the registry root of the uninstall registration,
// the Start menu folder of the groups, the default destination, the folder
// of the run's journal and hand-over file, and whether the run needs
// administrator rights.
#pragma once

#include <windows.h>

#include "base/nstring.h"
#include "framework/class_info.h"

// The author's choice (the controller's InstallScope): machine-wide,
// per-user, or the user's answer to a question at start.
enum TNimboScope { isMachine, isUser, isAsk };
const TEnumInfo& NimboScopeNames();

// The command line's choice (/ALLUSERS, /CURRENTUSER).
enum class TScopeSwitch { none, allUsers, currentUser };

enum class TRunScope { machine, user };

struct TScopeDecision {
    TRunScope scope = TRunScope::machine;
    bool ask = false;      // an attended "ask" without a switch: the user answers
    bool refused = false;  // a switch the author does not allow
};

// The scope of a run. A switch is taken where the author allows it or
// asks anyway; one that names the author's own fixed scope is no
// conflict. An uninstall takes the switch its registration carries, else
// the author's fixed scope (machine-wide for "ask": per-user installs
// register their switch). An unattended "ask" installs per-user: it needs
// no rights and writes nothing machine-wide. A setup that writes
// machine-wide whatever its scope (`machineOnly`: a database engine page
// that installs) is machine-wide: the author's "user" or "ask" gives way,
// nothing is asked, and /CURRENTUSER is refused.
TScopeDecision DecideScope(TNimboScope author, bool switchAllowed, TScopeSwitch given, bool unattended, bool unInstall,
                           bool machineOnly = false);

TRunScope RunScope();
void SetRunScope(TRunScope scope);
inline bool PerUserRun() { return RunScope() == TRunScope::user; }

// Where the uninstall registration goes: HKEY_CURRENT_USER for a per-user
// run, else HKEY_LOCAL_MACHINE.
HKEY RegistrationRoot();
// The user's own folder of local application data, with a trailing
// backslash; empty when the platform has none.
String UserDataFolder();
// The default destination of a per-user install: the user's program
// folder "%LOCALAPPDATA%\Programs\<application>\"; empty without one or
// for a name that cannot be a folder's.
String UserProgramsDestination(const String& application);
// The folder of this run's journal and hand-over file, with a trailing
// backslash: in the Windows folder for a machine-wide run, in the user's
// data folder for a per-user one (which may write nothing machine-wide).
String RunStateFolder();

// Whether this process has administrator rights: false for a limited
// token (a user's, or an administrator's before elevation); true where the
// platform cannot tell (it has no such thing as elevation).
bool RunsElevated();
