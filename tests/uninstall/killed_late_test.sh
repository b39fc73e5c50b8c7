#!/bin/bash
# An uninstall killed at any point can be run again to the end: killed as
# it removes a file, a folder of the installation, or the log, what is left
# (if anything) is removed by running the program left in the folder again,
# which ends with 0; then nothing is left, neither folder nor registration
# nor Start menu group.
#   killed_late_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work/payload/docs"
cp "$build/payload/"* "$work/payload/"
for i in 1 2 3; do echo "$i" >"$work/payload/docs/d$i.txt"; done
build_setup_folder "$root/src/app/nimbo_form.nfm" "$work/payload" "$work/setup"
app="$WINEPREFIX/drive_c/KilledLate"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
programs="$(start_menu_programs common)"
trap 'rm -rf "$app"; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
registered() { wine reg query "$key" >/dev/null 2>&1 </dev/null; }
uninstall() { (cd "$work" && wine 'C:\KilledLate\setup.exe' UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null); }

# The point is the first event of the kind on a name of the folder.
while IFS='|' read -r event pattern what; do
    rm -rf "$app" "$programs/Corvane Linker"
    (cd "$work/setup" && wine setup.exe /VERYSILENT '/DIR=C:\KilledLate' >"$work/install.out" 2>&1 </dev/null)
    [ $? -eq 0 ] && [ -f "$app/docs/d3.txt" ] || { fail "$what: the install"; continue; }
    watch_folder "$event" "$pattern" "$app"
    uninstall &
    runner=$!
    wait $watcher
    signal_setups STOP
    signal_setups KILL
    wait $runner 2>/dev/null
    if [ -f "$app/setup.exe" ]; then
        uninstall
        rc=$?
        # The killed run's removal after its end may take the program while
        # it is started again: then there is nothing left to run.
        [ $rc -ne 0 ] && [ ! -e "$app/setup.exe" ] && rc=0
        [ $rc -eq 0 ] && pass "$what: run again, the uninstall ends with 0" \
            || { fail "$what: run again, it ended with $rc"; tail -5 "$work/uninstall.out"; }
    fi
    wait_for "$app" 30 gone && pass "$what: nothing is left of the folder" || { fail "$what: left:"; find "$app"; }
    registered && fail "$what: the registration is left" || pass "$what: no registration"
    [ ! -d "$programs/Corvane Linker" ] || fail "$what: the Start menu group is left"
done <<'POINTS'
delete|corvane|killed as it removes a file
delete|docs$|killed as it removes a folder
delete|INSTALL\.LOG$|killed as it removes the log
POINTS

echo "$failures failure(s)"
[ $failures -eq 0 ]
