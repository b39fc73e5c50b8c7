#!/bin/bash
# A very silent run whose target another program holds open: nobody is
# asked, the file is replaced at the next restart, and the run ends with 6;
# `wineboot -r` then puts the new file in place.
#   in_use_unattended_test.sh <win32 build dir> <file_holder.exe> <work dir>
set -uo pipefail
build="$1"
holder_exe="$2"
work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"
source "$root/tests/support/test_lib.sh"

fresh_source_folder
app="$WINEPREFIX/drive_c/Apps/InUse"
rm -rf "$app"
rm -f "$WINEPREFIX/drive_c/windows/TNIMBO.INI"
# Only the holder is waited for: the display this script may have started
# runs on for the tests after it.
holder=""
trap 'rm -f "$work/held"; [ -n "$holder" ] && wait $holder; rm -rf "$app" "$work"' EXIT
mkdir -p "$app"
# An older copy of the program, held open as a running program would be.
printf 'the old program\n' >"$app/corvane.exe"
touch -d '2001-01-01' "$app/corvane.exe"
wine "$(winpath "$holder_exe")" 'C:\Apps\InUse\corvane.exe' "$(winpath "$work/held")" >/dev/null 2>&1 </dev/null &
holder=$!
wait_for "$work/held" 30 || fail "the holder did not take the file"

log="$(winpath "$work/run.log")"
# As deployment tools ask: the code they know for "restart to finish".
(cd "$work/source" && wine setup.exe /VERYSILENT '/DIR=C:\Apps\InUse' "/LOG=$log" /NORESTART /RESTARTEXITCODE=3010 \
    >"$work/setup.out" 2>&1 </dev/null)
rc=$?
# A Unix parent sees the low 8 bits of the Windows exit code; the log has it whole.
[ $rc -eq $((3010 % 256)) ] && pass "a run that leaves a file for the restart ends with the code asked for" ||
    fail "the run ended with $rc"
grep -q 'Question: The file C:\\Apps\\InUse\\corvane.exe is in use by another program.* -> Yes' "$work/run.log" \
    && grep -q '  Restart your computer to finish the installation' "$work/run.log" \
    && grep -q '  In use, replaced when the computer restarts: C:\\Apps\\InUse\\corvane.exe' "$work/run.log" \
    && tail -1 "$work/run.log" | grep -q '  Exit code 3010 (/RESTARTEXITCODE): done, but the computer must restart' \
    && pass "the log names the file in use, the restart and the exit code" || { fail "the run log:"; cat "$work/run.log"; }
rm -f "$work/held"
wait $holder
[ "$(cat "$app/corvane.exe")" = "the old program" ] && pass "the file in use stays until the restart" \
    || fail "corvane.exe was replaced at once"
waiting=$(ls "$app" | grep -c '^~nimbo-.*\.new$')
[ "$waiting" -eq 1 ] && pass "the new file waits beside it" || { fail "files in $app:"; ls "$app"; }
grep -qi '^C:\\Apps\\InUse\\corvane.exe=' "$app/INSTALL.LOG" && fail "a file that was there is logged as new" || true

wineboot -r >/dev/null 2>&1 </dev/null
cmp -s "$app/corvane.exe" "$build/payload/corvane.exe" && pass "the restart puts the new file in place" \
    || fail "corvane.exe after the restart is not the new one"
[ "$(ls "$app" | grep -c '^~nimbo-')" -eq 0 ] && pass "nothing of the setup is left after the restart" \
    || { fail "left in $app:"; ls "$app"; }
[ $failures -eq 0 ]
