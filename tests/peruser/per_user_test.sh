#!/bin/bash
# Per-user installs of a setup built from an author's script, unattended:
#  - Scope = user installs into the user's program folder, registers below
#    HKEY_CURRENT_USER, makes its group in the user's Start menu and writes
#    nothing below HKEY_LOCAL_MACHINE or into the Windows folder; its
#    registered quiet uninstall takes all of it away again;
#  - /ALLUSERS and /CURRENTUSER where the author allows them, their refusal
#    where not, and "ask" without an answer installs per-user;
#  - a per-user script that names the Windows folders does not build;
#  - each scope makes its group in its own Start menu (a machine-wide run in
#    everybody's), and its uninstall removes that group, never the one of
#    the same name in the other Start menu;
#  - a setup whose database engine page installs is machine-wide: "ask"
#    asks nothing, /CURRENTUSER is refused, and the builder refuses a form
#    that says otherwise.
# Wine gives every process the same full rights (it has no limited token),
# so "without rights" is checked by what the run writes, not by a refusal.
#   per_user_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"
rm -rf "$work"
mkdir -p "$work"
drive_c="$WINEPREFIX/drive_c"
user_key='HKCU\Software\Microsoft\Windows\CurrentVersion\UnInstall'
machine_key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall'
app="Pocket Tool"

unix_of() { wine cmd /c "echo $1" 2>/dev/null </dev/null | tr -d '\r\n' | xargs -0 winepath -u 2>/dev/null; }
local_data="$(unix_of '%LOCALAPPDATA%')"
[ -d "$local_data" ] || { fail "no local application data folder: '$local_data'"; exit 1; }
programs="$(start_menu_programs user)"
common="$(start_menu_programs common)"
[ -d "$programs" ] && [ -d "$common" ] || { fail "no Start menu: '$programs', '$common'"; exit 1; }
own_dir="$local_data/Programs/$app"
cleanup() {
    for key in "$user_key\\$app" "$machine_key\\$app"; do wine reg delete "$key" /f >/dev/null 2>&1 </dev/null; done
    rm -rf "$own_dir" "$drive_c/$app" "$drive_c/Machine Tool" "$programs/$app" "$common/$app" "$local_data/Nimbo Setup"
    rm -rf "$drive_c/Engine Test"
    rm -f "$drive_c/windows/Nimbo Setup/"*.journal "$work/hklm.reg"
}
cleanup
trap cleanup EXIT

# The machine-wide part of the registry, and the Windows folder's files.
machine_state() {
    wine regedit /E "$(winpath "$work/hklm.reg")" 'HKEY_LOCAL_MACHINE\Software' >/dev/null 2>&1 </dev/null
    iconv -f UTF-16LE -t UTF-8 "$work/hklm.reg" 2>/dev/null | tr -d '\r'
    (cd "$drive_c/windows" && find . -type f -newer "$work/marker" -printf 'changed %p\n')
    (cd "$common" && find . -newer "$work/marker" -printf 'changed Start Menu %p\n')
}

in="$work/in"
mkdir -p "$in/help"
cp "$drive_c/windows/notepad.exe" "$in/tool.exe"
printf 'Read me.\r\n' >"$in/readme.txt"
printf 'help\r\n' >"$in/help/tool.hlp"
script() { printf '%s\n' '[Setup]' "Name = $app" "Destination = C:\\$app" "$@" '[Items]' "$app = tool.exe /fast" \
    >"$work/setup.nss"; }
build_with() {
    rm -rf "$work/out"
    script "$@"
    build_setup_folder "$work/setup.nss" "$in" "$work/out"
}
setup() { (cd "$work/out" && wine setup.exe "$@" >>"$work/setup.out" 2>&1 </dev/null); }

# --- Scope = user: the user's folder, HKEY_CURRENT_USER, the user's Start menu.
build_with 'Scope = user'
# Everybody's group of the same name, someone else's.
mkdir -p "$common/$app"
touch "$work/marker"
sleep 1
machine_state >"$work/machine.before"
setup /VERYSILENT "/LOG=$(winpath "$work/user.log")"
rc=$?
[ $rc -eq 0 ] && pass "the per-user install ends with 0" || { fail "the per-user install ended with $rc"; cat "$work/user.log"; }
[ -f "$own_dir/tool.exe" ] && [ -f "$own_dir/help/tool.hlp" ] && [ -f "$own_dir/INSTALL.LOG" ] &&
    pass "the files are in the user's program folder" || { fail "nothing in $own_dir:"; ls -R "$local_data/Programs"; }
[ ! -e "$drive_c/$app" ] && pass "the author's machine-wide destination is left alone" || fail "C:\\$app was made"
command="$(reg_value "$user_key\\$app" UnInstallString)"
[[ "$command" == *"\\Programs\\$app\\setup.exe\" UNINSTALL /CURRENTUSER" ]] &&
    pass "registered below HKEY_CURRENT_USER with its scope" || fail "the user's registration: '$command'"
[ -f "$programs/$app/$app.lnk" ] && pass "the group is in the user's Start menu" ||
    fail "no $programs/$app/$app.lnk"
[ -z "$(ls -A "$common/$app")" ] && pass "everybody's group of that name is left alone" ||
    fail "in everybody's group: $(ls "$common/$app")"
machine_state >"$work/machine.after"
diff "$work/machine.before" "$work/machine.after" >"$work/machine.diff" &&
    pass "nothing machine-wide changed: HKEY_LOCAL_MACHINE, the Windows folder and everybody's Start menu as they were" ||
    { fail "the install changed the machine:"; head -20 "$work/machine.diff"; }

# --- Its registered quiet uninstall, without asking for rights.
quiet="$(reg_value "$user_key\\$app" QuietUninstallString)"
[[ "$quiet" == *" UNINSTALL /CURRENTUSER /VERYSILENT" ]] || fail "quiet uninstall command: '$quiet'"
(cd "$work" && wine "$own_dir/setup.exe" UNINSTALL /CURRENTUSER /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 0 ] && pass "the per-user uninstall ends with 0" || fail "the per-user uninstall ended with $rc"
wait_for "$own_dir" 20 gone && pass "the user's program folder is gone" || { fail "left:"; ls -R "$own_dir"; }
[ -z "$(reg_value "$user_key\\$app" DisplayName)" ] && pass "the user's registration is gone" ||
    fail "the user's registration stays"
[ ! -e "$programs/$app" ] && pass "the Start menu group is gone" || fail "the Start menu group stays"
[ -d "$common/$app" ] && pass "everybody's group of that name stays" || fail "the uninstall removed everybody's group"
machine_state >"$work/machine.after"
diff "$work/machine.before" "$work/machine.after" >"$work/machine.diff" &&
    pass "nor did the uninstall change anything machine-wide" ||
    { fail "the uninstall changed the machine:"; head -20 "$work/machine.diff"; }
rmdir "$common/$app"
[ -z "$(ls -A "$local_data/Nimbo Setup" 2>/dev/null | grep -iv '^tnimbo.ini$')" ] &&
    pass "no journal of the per-user runs is left" || fail "left in the user's setup folder: $(ls "$local_data/Nimbo Setup")"

# --- Switches: where the author allows them, and their refusal.
# The user's own group of the same name, empty.
mkdir -p "$programs/$app"
setup /VERYSILENT /ALLUSERS "/LOG=$(winpath "$work/all.log")"
rc=$?
[ $rc -eq 0 ] && [ -f "$drive_c/$app/tool.exe" ] && [ -n "$(reg_value "$machine_key\\$app" DisplayName)" ] &&
    [ -z "$(reg_value "$user_key\\$app" DisplayName)" ] && pass "/ALLUSERS makes a per-user setup machine-wide" ||
    { fail "/ALLUSERS (exit $rc)"; cat "$work/all.log"; }
[ -f "$common/$app/$app.lnk" ] && pass "its group is in everybody's Start menu" || fail "no $common/$app/$app.lnk"
[ -z "$(ls -A "$programs/$app")" ] && pass "the user's own group of that name is left alone" ||
    fail "in the user's group: $(ls "$programs/$app")"
quiet="$(reg_value "$machine_key\\$app" QuietUninstallString)"
[[ "$quiet" == *"\\$app\\setup.exe\" UNINSTALL /ALLUSERS /VERYSILENT" ]] || fail "quiet uninstall command: '$quiet'"
(cd "$work" && wine "$drive_c/$app/setup.exe" UNINSTALL /ALLUSERS /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
wait_for "$drive_c/$app" 20 gone && [ -z "$(reg_value "$machine_key\\$app" DisplayName)" ] &&
    pass "and its uninstall removes the machine-wide install" || fail "the machine-wide install stays"
[ ! -e "$common/$app" ] && pass "everybody's group is gone" || fail "everybody's group stays: $(ls "$common/$app")"
[ -d "$programs/$app" ] && pass "the user's own group of the same name stays" || fail "the user's own group was removed"
rmdir "$programs/$app"

build_with 'Scope = user' 'ScopeSwitch = no'
setup /VERYSILENT /ALLUSERS "/LOG=$(winpath "$work/refused.log")"
rc=$?
[ $rc -eq 1 ] && [ ! -e "$drive_c/$app" ] && [ ! -e "$own_dir" ] &&
    grep -q "does not let you choose whom it installs for" "$work/refused.log" &&
    pass "a switch the author does not allow ends with 1, nothing installed" ||
    { fail "a refused switch ended with $rc"; cat "$work/refused.log"; }
setup /VERYSILENT /CURRENTUSER
rc=$?
[ $rc -eq 0 ] && [ -f "$own_dir/tool.exe" ] && pass "the switch that names the author's own scope is no conflict" ||
    fail "/CURRENTUSER on a per-user setup ended with $rc"
(cd "$work" && wine "$own_dir/setup.exe" UNINSTALL /CURRENTUSER /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
wait_for "$own_dir" 20 gone || fail "the second per-user install stays"
setup /VERYSILENT /ALLUSERS /CURRENTUSER
rc=$?
[ $rc -eq 1 ] && pass "both switches end with 1" || fail "both switches ended with $rc"

build_with 'Scope = ask'
setup /VERYSILENT
rc=$?
[ $rc -eq 0 ] && [ -f "$own_dir/tool.exe" ] && [ -n "$(reg_value "$user_key\\$app" DisplayName)" ] &&
    pass "an unattended run of an \"ask\" setup installs per-user" || fail "\"ask\" unattended (exit $rc)"
(cd "$work" && wine "$own_dir/setup.exe" UNINSTALL /CURRENTUSER /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
wait_for "$own_dir" 20 gone || fail "the \"ask\" install stays"

# --- Attended, "ask" asks first: No installs per-user, Cancel ends the run.
export NIMBO_STATE_FILE="$work/state.txt"
rm -f "$work/state.txt"
setup &
run=$!
robot 'set timeout 30' 'within any' 'answer "Confirmation" "&No"' 'wait window NimboPagesForm' >/dev/null ||
    fail "the question and the wizard after it"
grep -q "^Dir=Install|.*\\Programs\\$app\\|" "$work/state.txt" &&
    pass "answered No, the destination is the user's program folder" || { fail "the state:"; cat "$work/state.txt"; }
robot 'within NimboPagesForm' 'click btnCancel' 'within any' 'answer "Confirmation" "&Yes"' \
    'answer "Information" "&OK"' >/dev/null || fail "cancelling the attended setup"
wait $run
rc=$?
[ $rc -eq 2 ] && pass "the cancelled attended run ends with 2" || fail "the cancelled attended run ended with $rc"
rm -f "$work/state.txt"
setup &
run=$!
robot 'set timeout 30' 'within any' 'answer "Confirmation" "Cancel"' >/dev/null || fail "cancelling the question"
wait $run
rc=$?
[ $rc -eq 2 ] && [ ! -e "$work/state.txt" ] && [ ! -e "$own_dir" ] && [ ! -e "$drive_c/$app" ] &&
    pass "Cancel on the question ends the run with 2 before anything" || fail "Cancel on the question: exit $rc"
unset NIMBO_STATE_FILE

# --- A per-user script that names the Windows folders does not build.
printf '%s\n' '[Setup]' "Name = $app" 'Destination = C:\P' 'Scope = user' '[Files]' 'tool.exe -> Fonts' \
    'readme.txt, help\** -> Install' '[Directories]' 'Fonts = Windows\Fonts' >"$work/windows.nss"
rm -rf "$work/never"
wine "$build/nimbobuild.exe" "$(winpath "$work/windows.nss")" "$(winpath "$in")" "$(winpath "$work/never")" \
    >"$work/never.out" 2>&1 </dev/null
rc=$?
[ $rc -ne 0 ] && [ ! -e "$work/never" ] &&
    grep -q "windows.nss:9:9: a per-user setup (Scope = user) writes nothing to the Windows folders" "$work/never.out" &&
    pass "a per-user script naming the Windows folder fails to build, saying where" ||
    { fail "the build of a per-user script into Windows (exit $rc):"; cat "$work/never.out"; }

# --- A setup whose database engine page installs writes machine-wide in
# any scope: its "ask" asks nothing and installs for everybody, and
# /CURRENTUSER is refused as a switch the author does not allow is.
engine="$work/engine"
mkdir -p "$engine"
cp "$build/tests/peruser/setup_engine.exe" "$engine/setup.exe"
printf 'a\r\n' >"$engine/a.txt"
(cd "$engine" && wine setup.exe /VERYSILENT /CURRENTUSER "/LOG=$(winpath "$work/engine-refused.log")" \
    >>"$work/setup.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 1 ] && grep -q "does not let you choose whom it installs for" "$work/engine-refused.log" &&
    pass "/CURRENTUSER on a setup with an installing engine page ends with 1" ||
    { fail "/CURRENTUSER with an engine page ended with $rc"; cat "$work/engine-refused.log"; }
export NIMBO_STATE_FILE="$work/engine-state.txt"
rm -f "$work/engine-state.txt"
(cd "$engine" && wine setup.exe "/LOG=$(winpath "$work/engine.log")" >>"$work/setup.out" 2>&1 </dev/null) &
run=$!
# Asked, the question would come before the state.
if wait_for "$work/engine-state.txt" 30; then
    grep -qF 'Dir=Install|C:\Engine Test\|' "$work/engine-state.txt" && grep -q "Installing for all users" "$work/engine.log" &&
        pass "its \"ask\" asks nothing and installs for all users" ||
        { fail "the engine setup's scope:"; cat "$work/engine-state.txt" "$work/engine.log"; }
    robot 'close NimboForm' 'wait gone NimboForm' >/dev/null || fail "closing the engine setup"
else
    fail "the engine setup never reported its start (asked whom to install for?)"
    robot 'set timeout 5' 'within any' 'answer "Confirmation" "Cancel"' >/dev/null
fi
wait $run
unset NIMBO_STATE_FILE
rm -rf "$work/never"
wine "$build/nimbobuild.exe" "$(winpath "$root/tests/peruser/engine_form.nfm")" "$(winpath "$in")" \
    "$(winpath "$work/never")" >"$work/never.out" 2>&1 </dev/null
rc=$?
[ $rc -ne 0 ] && [ ! -e "$work/never" ] &&
    grep -q "engine_form.nfm: a per-user setup (InstallScope = isAsk) cannot install the database engine: suBDE" \
        "$work/never.out" && pass "the builder refuses a per-user form with an installing engine page" ||
    { fail "the build of a per-user form with an engine page (exit $rc):"; cat "$work/never.out"; }

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
