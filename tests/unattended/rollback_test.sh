#!/bin/bash
# A run that does not complete leaves the machine as it was. An unattended
# run that fails part way through replacing an older install puts every
# file back byte for byte with its time and keeps the user's own; a run
# killed after its copy is undone by the next start, before that run goes
# on with its own work.
#   rollback_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

fresh_source_folder
apps="$WINEPREFIX/drive_c/Rollback"
journals="$WINEPREFIX/drive_c/windows/Nimbo Setup"
rm -rf "$apps" "$WINEPREFIX/drive_c/Corvane"
setup() { (cd "$work/source" && wine setup.exe "$@" >>"$work/setup.out" 2>&1 </dev/null); }

# --- An older install to replace, with a file of the user's beside it.
setup /VERYSILENT '/DIR=C:\Rollback\App'
dir="$apps/App"
[ -f "$dir/INSTALL.LOG" ] || fail "the first install made no log"
for f in $(ls "$build/payload"); do
    printf 'the older %s\n' "$f" >"$dir/$f"
    touch -d '2001-02-03 04:05:06' "$dir/$f"
done
printf 'my notes\n' >"$dir/mine.txt"
# The copy fails at the last file it replaces: that one is read-only.
last="$(sed -n '/^\[Files\]/,/^\[/p' "$dir/INSTALL.LOG" | grep -iv 'setup.exe\|tnlang32' | grep -o '[^\\]*=' | tail -1)"
last="${last%=}"
chmod a-w "$dir/$last"
before="$(snapshot "$dir")"

log="$(winpath "$work/failed.log")"
setup /VERYSILENT '/DIR=C:\Rollback\App' "/LOG=$log"
rc=$?
[ $rc -eq 3 ] && pass "the run that fails at $last ends with 3" || fail "the failing run ended with $rc"
after="$(snapshot "$dir")"
[ "$before" = "$after" ] && pass "every file is back byte for byte with its time, the user's kept, nothing left aside" \
    || { fail "the folder changed:"; diff <(echo "$before") <(echo "$after"); }
grep -q 'Setup did not complete. Your computer was left as it was before.' "$work/failed.log" \
    && grep -q '  Undone: put back the earlier C:\\Rollback\\App\\' "$work/failed.log" \
    && pass "the run log says the run was undone, step by step" || { fail "the run log:"; cat "$work/failed.log"; }
no_journal && pass "no journal is left" || fail "a journal is left: $(ls "$journals")"
chmod u+w "$dir/$last"

# --- Killed on the program groups page, after its copy: a fresh install
# (without the registration of the one above, which it would update).
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker' /f >/dev/null 2>&1 </dev/null
(cd "$work/source" && wine setup.exe >"$work/killed.out" 2>&1 </dev/null) &
attended=$!
robot 'set timeout 60' 'wait window NimboPagesForm' 'within NimboPagesForm' \
    'wait text meMSGIntent contains "Welcome"' 'click btnNext' 'wait text meCDLIntent contains "Select a directory"' \
    'click btnNext' 'within any' 'answer "Confirmation" "&Yes"' 'within NimboPagesForm' \
    'wait text meMSGIntent contains "now be copied"' 'click btnNext' \
    'wait text meCWGActions contains "program groups" timeout=120' >/dev/null \
    || fail "the attended setup did not reach the program groups page"
signal_setups KILL || fail "no setup process to kill"
wait $attended 2>/dev/null
killed="$WINEPREFIX/drive_c/Corvane"
[ -n "$(ls "$killed" 2>/dev/null)" ] && ! no_journal && pass "the killed run left its files and its journal" \
    || fail "the killed run left no files or no journal"
log="$(winpath "$work/next.log")"
setup /VERYSILENT '/DIR=C:\Rollback\Next' "/LOG=$log"
rc=$?
[ $rc -eq 0 ] && pass "the next start ends with 0" || fail "the next start ended with $rc"
[ ! -e "$killed" ] && pass "the next start undid the killed run: its folder is gone" \
    || { fail "left of the killed run:"; ls -la "$killed"; }
grep -q 'did not end the last time it ran' "$work/next.log" && [ -f "$apps/Next/INSTALL.LOG" ] \
    && pass "then it went on with its own install" || { fail "the next run's log:"; cat "$work/next.log"; }
no_journal && pass "no journal is left" || fail "a journal is left: $(ls "$journals")"

# What the completed installs made goes with their uninstalls.
for d in Next App; do
    (cd "$work" && wine "C:\\Rollback\\$d\\setup.exe" UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
done

rm -rf "$apps"
[ $failures -eq 0 ] && echo "rollback: all cases pass"
exit $((failures > 0))
