#!/bin/bash
# Runs that cannot do what they were asked end as failed and keep what
# lets them be run again: an update whose log another program holds open
# (not taken for another product's log), an uninstall of a folder moved by
# hand, an uninstall of which a file is held open.
#   refused_test.sh <win32 build dir> <file_holder.exe> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
holder_exe="$2"
source "$root/tests/support/test_lib.sh" wine "$1" "$3"

fresh_source_folder
c="$WINEPREFIX/drive_c"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
rm -rf "$c/Refused"
holder=""
trap 'rm -f "$work/held"; [ -n "$holder" ] && wait $holder; rm -rf "$c/Refused"' EXIT
setup() { (cd "$work/source" && wine setup.exe /VERYSILENT "$@" >>"$work/setup.out" 2>&1 </dev/null); }
uninstall() { (cd "$work" && wine "$1" UNINSTALL /VERYSILENT "/LOG=$(winpath "$work/$2.log")" >>"$work/setup.out" 2>&1 </dev/null); }
registered() { wine reg query "$key" /v InstallLocation 2>/dev/null </dev/null | grep -qi "$1"; }
hold() {
    rm -f "$work/held"
    wine "$(winpath "$holder_exe")" "$1" "$(winpath "$work/held")" >/dev/null 2>&1 </dev/null &
    holder=$!
    wait_for "$work/held" 30 || fail "the holder did not take $1"
}
release() { rm -f "$work/held"; wait $holder; holder=""; }

setup '/DIR=C:\Refused\App'
app="$c/Refused/App"
[ -f "$app/INSTALL.LOG" ] || fail "no install to work on"

# --- An update while another program holds the log: refused, not a second log.
hold 'C:\Refused\App\INSTALL.LOG'
setup '/DIR=C:\Refused\App' "/LOG=$(winpath "$work/held-log.log")"
rc=$?
release
[ $rc -eq 3 ] && [ ! -e "$app/INSTALL-1.LOG" ] && grep -q 'held open by another program' "$work/held-log.log" &&
    pass "an update with its log held ends with 3 and writes no second log" ||
    { fail "the update with its log held ended with $rc:"; ls "$app"; }

# --- A file of the installation held open: the uninstall fails, keeps
# its log and registration, and runs to the end once the file is free.
hold 'C:\Refused\App\order.txt'
uninstall 'C:\Refused\App\setup.exe' held-file
rc=$?
release
[ $rc -eq 3 ] && [ -f "$app/INSTALL.LOG" ] && registered 'C:\\Refused\\App' &&
    grep -q 'Unable to remove C:\\Refused\\App\\order.txt' "$work/held-file.log" &&
    pass "a held file ends the uninstall with 3, the log and registration kept" || fail "the held file's uninstall ended with $rc"

# --- Moved by hand: nothing removed, the log and registration kept.
mv "$app" "$c/Refused/Moved"
uninstall 'C:\Refused\Moved\setup.exe' moved
rc=$?
[ $rc -eq 3 ] && [ -f "$c/Refused/Moved/INSTALL.LOG" ] && [ -f "$c/Refused/Moved/order.txt" ] && registered 'C:\\Refused\\App' &&
    grep -q 'was moved from C:\\Refused\\App\\ to C:\\Refused\\Moved\\' "$work/moved.log" &&
    pass "the uninstall of a moved installation ends with 3 and removes nothing" || fail "the moved one ended with $rc"
mv "$c/Refused/Moved" "$app"
uninstall 'C:\Refused\App\setup.exe' back
wait_for "$app" 30 gone && ! registered 'Refused' && pass "moved back, it is removed" || fail "left: $(ls "$app")"

[ $failures -eq 0 ] && echo "refused: all cases pass"
exit $((failures > 0))
