#!/bin/bash
# Unattended runs of the shipped setup: /VERYSILENT with /DIR and /LOG
# installs what pressing Next on every page installs, without a window; a
# newer file of the user's is kept; each exit code comes from a real cause;
# the registered command with /VERYSILENT removes it all again.
#   unattended_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

fresh_source_folder
apps="$WINEPREFIX/drive_c/Apps"
rm -rf "$apps" "$WINEPREFIX/drive_c/Corvane"
rm -f "$WINEPREFIX/drive_c/windows/TNIMBO.INI"
setup() { (cd "$work/source" && wine setup.exe "$@" >>"$work/setup.out" 2>&1 </dev/null); }

# --- /VERYSILENT into a new nested folder, with a log; no window shows.
log="$(winpath "$work/run.log")"
setup /VERYSILENT '/DIR=C:\Apps\Silent\Nested' "/LOG=$log" &
app=$!
robot 'set timeout 3' 'wait window NimboForm' >/dev/null 2>&1 && fail "a window showed in a very silent run" \
    || pass "no window in a very silent run"
wait $app
rc=$?
[ $rc -eq 0 ] && pass "the very silent install ends with 0" || fail "the very silent install ended with $rc"
dir="$apps/Silent/Nested"
n=$(ls "$build/payload" | wc -l)
[ "$(ls "$dir" | grep -vic -e '^install.log$' -e '^setup.exe$' -e '^tnlang32.dll$')" -eq "$n" ] \
    && pass "every file is installed" || { fail "files in $dir:"; ls "$dir"; }
grep -qi '^Install=C:\\Apps\\Silent\\Nested\\' "$dir/INSTALL.LOG" && pass "the install log has the destination" \
    || fail "no install log with the destination"
grep -q 'Question: The directory C:\\Apps\\Silent\\Nested\\ does not exist. Create it? -> Yes' "$work/run.log" \
    && grep -q 'Question: Would you like to read the README.TXT file? -> No' "$work/run.log" \
    && grep -q '  Done\.' "$work/run.log" && pass "the log records the questions and their answers" \
    || { fail "the run log:"; cat "$work/run.log"; }
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker' /v UnInstallString \
    >"$work/reg.txt" 2>&1 </dev/null
grep -qi 'C:\\Apps\\Silent\\Nested\\setup.exe UNINSTALL' "$work/reg.txt" && pass "the uninstall is registered" \
    || { fail "registration:"; cat "$work/reg.txt"; }

# --- A newer file of the user's is kept where the page would have asked.
keep="$apps/Keep"
mkdir -p "$keep"
printf 'my own notes\n' >"$keep/order.txt"
touch -d '2030-01-01' "$keep/order.txt"
setup /VERYSILENT '/DIR=C:\Apps\Keep'
rc=$?
[ $rc -eq 0 ] && [ "$(cat "$keep/order.txt")" = "my own notes" ] && pass "a newer target is kept" \
    || fail "the newer order.txt was replaced (exit $rc)"

# --- Exit codes from real causes.
setup /SILENT /BOGUS
rc=$?
[ $rc -eq 1 ] && pass "a bad switch ends with 1" || fail "a bad switch ended with $rc"
setup /VERYSILENT '/DIR=relative\place'
rc=$?
[ $rc -eq 1 ] && pass "a destination that is no full path ends with 1" || fail "a relative /DIR ended with $rc"
printf 'a file, not a folder\n' >"$apps/blocker"
blocked="$(winpath "$work/blocked.log")"
setup /VERYSILENT '/DIR=C:\Apps\blocker\inside' "/LOG=$blocked"
rc=$?
[ $rc -eq 3 ] && pass "a destination that cannot be made ends with 3" || fail "an impossible destination ended with $rc"
# The log says why, in the platform's words: a file is where the folder goes.
grep -q 'Question: Unable to create directory C:\\Apps\\blocker\\inside\\. (183: [^)]*) Abort file copy? -> Yes' \
    "$work/blocked.log" && pass "the log gives the platform's reason for the refused folder" \
    || { fail "the run log of the impossible destination:"; cat "$work/blocked.log"; }
(cd "$work/source" && wine setup.exe >"$work/first.out" 2>&1 </dev/null) &
first=$!
robot 'set timeout 30' 'wait window NimboPagesForm' >/dev/null || fail "the attended setup did not start"
setup /VERYSILENT '/DIR=C:\Apps\Second'
rc=$?
[ $rc -eq 4 ] && pass "a second running setup ends with 4" || fail "a second setup ended with $rc"
robot 'within NimboPagesForm' 'click btnCancel' 'within any' 'answer "Confirmation" "&Yes"' \
    'answer "Information" "&OK"' >/dev/null || fail "cancelling the attended setup"
wait $first
rc=$?
[ $rc -eq 2 ] && pass "a setup the user cancels ends with 2" || fail "the cancelled setup ended with $rc"

# --- The registered command, very silent: everything goes again.
temp_u="$(wine_temp_dir)"
rm -f "$temp_u"/~NIMBO*.BAT
(cd "$work" && wine 'C:\Apps\Silent\Nested\setup.exe' UNINSTALL /VERYSILENT >"$work/uninstall.out" 2>&1 </dev/null)
rc=$?
# The caller waited for the removal: only the program it started is left,
# and that goes a moment after it has ended.
[ $rc -eq 0 ] && pass "the quiet uninstall ends with 0" || fail "the quiet uninstall ended with $rc"
left="$(ls "$dir" 2>/dev/null | grep -vix setup.exe)"
[ -z "$left" ] && pass "the removal was over when the caller's wait ended" || fail "still there after the wait: $left"
wait_for "$dir" 30 gone && pass "the quiet uninstall removes the installation" || { fail "left:"; ls -la "$dir"; }
# The registration names the later install in C:\Apps\Keep: it stays, and
# goes with that install's uninstall.
reg='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
wine reg query "$reg" /v InstallLocation 2>/dev/null </dev/null | grep -qi 'C:\\Apps\\Keep' \
    && pass "the registration of the other install stays" || fail "the other install's registration is gone"
(cd "$work" && wine 'C:\Apps\Keep\setup.exe' UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
wine reg query "$reg" >/dev/null 2>&1 </dev/null && fail "the registration is left" || pass "the registration is gone"
wait_for "$temp_u/setup.exe" 20 gone && pass "the temporary copy is gone" || fail "the temporary copy is left"
for _ in $(seq 1 100); do ls "$temp_u" | grep -qi '^~nimbo.*\.bat$' || break; sleep 0.1; done

rm -rf "$apps"
echo "$failures failure(s)"
[ $failures -eq 0 ]
