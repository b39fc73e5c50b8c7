#!/bin/bash
# A script's licence page, desktop icons, program run at the end, mutex and
# oldest Windows, in the tree's prefix:
#  - attended (the robot, the licence by keyboard): Next waits until the
#    licence is accepted; the desktop box and the program's box unticked
#    leave no icon and start nothing;
#  - unattended: the licence is accepted (and the /LOG says so), the icon
#    made, the user's own icon of another name kept, the program not
#    started; /NOICONS leaves out the group and the icons;
#  - a program holding the mutex ends the run with 8 (attended after the
#    user's Cancel; Retry looks again), an older Windows with 9, nothing
#    changed either time;
#  - the uninstall removes the icon and nothing of the user's.
#   script_pages_test.sh <win32 build dir> <mutex_holder.exe> <nimbo_echo.exe> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
holder_exe="$2"
echo_exe="$3"
source "$root/tests/support/test_lib.sh" wine "$1" "$4"
app="$WINEPREFIX/drive_c/Pages Test"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Pages Test'
programs="$(start_menu_programs common)"
desktop="$WINEPREFIX/drive_c/users/Public/Desktop"
user_programs="$(start_menu_programs user)"
holder=""
cleanup() {
    rm -f "$work/held"
    [ -n "$holder" ] && wait $holder
    rm -rf "$app" "$programs/Pages Test" "$user_programs/Pages Test" "$desktop/Hello.lnk" "$desktop/Mine.lnk"
    wine reg delete "$key" /f >/dev/null 2>&1 </dev/null
}
trap cleanup EXIT
cleanup
rm -rf "$work"
mkdir -p "$work/payload" "$desktop"
cp "$echo_exe" "$work/payload/hello.exe"
printf 'Terms of the test.\r\nRead them all.\r\n' >"$work/payload/license.txt"
script() {
    cat <<EOS
[Setup]
Name = Pages Test
Destination = C:\\Pages Test
License = license.txt
Mutex = NimboPagesTestRunning
MinWindows = $1
[Files]
hello.exe
[Items]
Hello = hello.exe
[Desktop]
Hello = hello.exe /desk
Mine = hello.exe
[Run]
Program = hello.exe /launched
EOS
}
script 5.1 >"$work/setup.nss"
build_setup_folder "$work/setup.nss" "$work/payload" "$work/setup"
script 99.0 >"$work/new.nss"
build_setup_folder "$work/new.nss" "$work/payload" "$work/new"
[ ! -e "$work/setup/license.txt" ] && pass "the licence is shipped in the setup, not as a file" ||
    fail "the setup folder holds license.txt"
export NIMBO_ECHO_OUT="$(winpath "$work/echo.txt")"
uninstall() { (cd "$work" && wine 'C:\Pages Test\setup.exe' UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null); }
unattended() {
    rm -f "$work/run.log"
    (cd "$work/${dir:-setup}" && wine setup.exe /VERYSILENT "/LOG=$(winpath "$work/run.log")" "$@" \
        >"$work/setup.out" 2>&1 </dev/null)
}

# --- Attended: the licence by keyboard, both boxes unticked.
(cd "$work/setup" && wine setup.exe >"$work/setup.out" 2>&1 </dev/null; echo $? >"$work/setup.rc") &
run=$!
robot 'set timeout 30' 'within NimboPagesForm' 'wait text NimboPagesForm equals "Welcome"' 'click btnNext' \
    'wait text NimboPagesForm equals "License Agreement"' 'assert text meLICText contains "Terms of the test."' \
    'assert checked rbLICDecline' 'assert disabled btnNext' 'assert layout NimboPagesForm' 'key Alt+A' 'assert checked rbLICAccept' \
    'assert enabled btnNext' 'key Alt+D' 'assert disabled btnNext' 'key Alt+A' 'key Alt+N' \
    'wait visible btnCDLBrowse' 'click btnNext' 'within any' 'answer "Confirmation" "&Yes"' 'within NimboPagesForm' \
    'wait text cbMSGCheck contains "ktop icon"' 'assert checked cbMSGCheck' 'click cbMSGCheck' \
    'click btnNext' 'wait text cbCWGGroups equals "Pages Test" timeout=120' 'click btnNext' \
    'wait text NimboPagesForm equals "Setup Completed"' 'assert text cbMSGCheck contains "aunch Pages Test"' \
    'assert checked cbMSGCheck' 'assert disabled btnCancel' 'assert layout NimboPagesForm' 'click cbMSGCheck' 'click btnNext' 'within any' \
    'answer "Information" "&OK"' && pass "attended: Next waits for the accepted licence; both boxes untick" ||
    { fail "the attended pages"; wineserver -k; }
wait $run
[ "$(cat "$work/setup.rc")" = 0 ] && [ -f "$app/hello.exe" ] && pass "attended: installed" ||
    fail "attended: exit $(cat "$work/setup.rc")"
[ ! -e "$desktop/Hello.lnk" ] && [ ! -e "$desktop/Mine.lnk" ] && pass "attended: the unticked box makes no icon" ||
    fail "attended: icons made: $(ls "$desktop")"
sleep 1
[ ! -e "$work/echo.txt" ] && pass "attended: the unticked program does not start" || fail "attended: the program ran"
uninstall
wait_for "$app" 30 gone || fail "attended: the uninstall left $(ls "$app")"

# --- Unattended: icons made, the user's own kept, the program not started.
printf "the user's own" >"$desktop/Mine.lnk"
unattended
rc=$?
[ $rc -eq 0 ] && [ -f "$desktop/Hello.lnk" ] && tr -d '\0' <"$desktop/Hello.lnk" | grep -q '/desk' &&
    pass "unattended: the icon starts the program with its arguments" || fail "unattended (exit $rc): $(ls "$desktop")"
[ "$(cat "$desktop/Mine.lnk")" = "the user's own" ] && grep -q 'Desktop icon kept: .*Mine.lnk' "$work/run.log" &&
    pass "unattended: the user's icon of that name is kept, and the log says so" || fail "the user's Mine.lnk"
grep -q "License agreement accepted on the administrator's behalf" "$work/run.log" &&
    pass "unattended: the log says the licence was accepted for the administrator" || fail "no licence line in the log"
grep -qi '^0=C:\\users\\Public\\Desktop\\Hello.lnk' "$app/INSTALL.LOG" && ! grep -qi 'Mine.lnk' "$app/INSTALL.LOG" &&
    pass "the install log lists the icon it made, not the user's" || fail "INSTALL.LOG: $(cat "$app/INSTALL.LOG")"
sleep 1
[ ! -e "$work/echo.txt" ] && pass "unattended: the program is not started" || fail "unattended: the program ran"
uninstall
wait_for "$app" 30 gone && [ ! -e "$desktop/Hello.lnk" ] && [ "$(cat "$desktop/Mine.lnk")" = "the user's own" ] &&
    [ ! -e "$programs/Pages Test" ] && pass "the uninstall removes the icon and the group, the user's icon stays" ||
    fail "after the uninstall: $(ls "$desktop") $(ls "$app" 2>&1)"

# --- /NOICONS: neither group nor icons.
unattended /NOICONS
[ $? -eq 0 ] && [ -f "$app/hello.exe" ] && [ ! -e "$desktop/Hello.lnk" ] && [ ! -e "$programs/Pages Test" ] &&
    pass "/NOICONS: no group and no icon" || fail "/NOICONS: $(ls "$desktop" "$programs")"
uninstall
wait_for "$app" 30 gone || fail "/NOICONS: the uninstall left $(ls "$app")"

# --- The product's program is running: 8, nothing changed.
wine "$(winpath "$holder_exe")" NimboPagesTestRunning "$(winpath "$work/held")" >/dev/null 2>&1 </dev/null &
holder=$!
wait_for "$work/held" 30 || fail "the holder did not take the mutex"
unattended
rc=$?
[ $rc -eq 8 ] && [ ! -e "$app" ] && [ ! -e "$desktop/Hello.lnk" ] && no_journal &&
    grep -q 'Exit code 8: the program to be updated is running' "$work/run.log" &&
    pass "a held mutex ends the run with 8, nothing changed" || fail "held mutex: exit $rc, $(tail -3 "$work/run.log")"
# Attended, the user is asked to close it; Retry looks again.
(cd "$work/setup" && wine setup.exe >"$work/setup.out" 2>&1 </dev/null; echo $? >"$work/setup.rc") &
run=$!
robot 'set timeout 30' 'wait dialog "Warning" text contains "Pages Test is running"' 'answer "Warning" "&Retry"' \
    'wait dialog "Warning" text contains "Pages Test is running"' 'answer "Warning" "&Cancel"' ||
    { fail "the attended question"; wineserver -k; }
wait $run
[ "$(cat "$work/setup.rc")" = 8 ] && [ ! -e "$app" ] &&
    pass "attended: Retry asks again while it runs, Cancel ends with 8" || fail "attended mutex: $(cat "$work/setup.rc")"
rm -f "$work/held"
wait $holder
holder=""

# --- Windows older than MinWindows: 9, nothing changed.
dir=new unattended
rc=$?
[ $rc -eq 9 ] && [ ! -e "$app" ] && grep -q 'needs Windows 99.0 or later' "$work/run.log" &&
    pass "an older Windows ends the run with 9, nothing changed" || fail "MinWindows: exit $rc"

echo "$failures failure(s)"
[ $failures -eq 0 ]
