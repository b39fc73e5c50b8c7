#!/bin/bash
# An uninstall cut short (killed half-way through removing the files) can
# be run again from where Add/Remove Programs starts it: its registration
# and its log stay until the files are gone, and the second run removes
# the rest, the registration and the Start menu group with it.
#   cut_short_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work/payload/many"
cp "$build/payload/"* "$work/payload/"
# Enough files that the removal is still under way when it is stopped.
for i in $(seq 1 3000); do echo "$i" >"$work/payload/many/f$i.txt"; done
build_setup_folder "$root/src/app/nimbo_form.nfm" "$work/payload" "$work/setup"
app="$WINEPREFIX/drive_c/CutShort"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
# Unattended and machine-wide: the group goes to everybody's Start menu.
programs="$(start_menu_programs common)"
rm -rf "$app" "$programs/Corvane Linker"
(cd "$work/setup" && wine setup.exe /VERYSILENT '/DIR=C:\CutShort' >"$work/install.out" 2>&1 </dev/null)
[ $? -eq 0 ] && [ -f "$app/many/f3000.txt" ] && pass "installed" || { fail "the install"; exit 1; }
registered() { wine reg query "$key" /v UnInstallString >/dev/null 2>&1 </dev/null; }
uninstall() { (cd "$work" && wine 'C:\CutShort\setup.exe' UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null); }

# Frozen at the first file it removes from the big folder, then killed.
watch_folder delete '' "$app/many"
uninstall &
runner=$!
wait $watcher
signal_setups STOP
left=$(find "$app/many" -type f | wc -l)
[ "$left" -gt 0 ] && [ "$left" -lt 3000 ] && pass "stopped half-way: $left of 3000 files left" \
    || fail "not stopped half-way: $left of 3000 files left"
registered && pass "the registration stays while the files go" || fail "the registration went before the files"
[ -f "$app/INSTALL.LOG" ] && pass "so does the log" || fail "the log went before the files"
signal_setups KILL
wait $runner 2>/dev/null

[ -f "$app/setup.exe" ] && pass "the registered program is still there" || fail "the registered program is gone"
uninstall
rc=$?
[ $rc -eq 0 ] && pass "run again, the uninstall ends with 0" || { fail "run again, it ended with $rc"; cat "$work/uninstall.out"; }
wait_for "$app" 30 gone && pass "it removed the rest, its folder with it" || { fail "left:"; find "$app" | head; }
registered && fail "the registration is left" || pass "the registration is gone"
[ ! -d "$programs/Corvane Linker" ] && pass "the Start menu group is gone" || fail "the Start menu group is left"

rm -rf "$app" "$work"
echo "$failures failure(s)"
[ $failures -eq 0 ]
