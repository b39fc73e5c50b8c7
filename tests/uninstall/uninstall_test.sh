#!/bin/bash
# The whole life of the demo application: installed along the default path,
# then removed the way Add/Remove Programs does it, through the command it
# registered. Afterwards nothing of it is left: no files, no folder, no
# Start menu group, no registration, and no temporary copy.
#   uninstall_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work"
temp_u="$(wine_temp_dir)"
[ -d "$temp_u" ] || { echo "cannot find the prefix's temporary directory"; exit 1; }
# A removal cut short when an earlier run stopped Wine would look like ours.
rm -f "$temp_u"/~NIMBO*.BAT
app="$WINEPREFIX/drive_c/Corvane"
programs="$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d | head -1)"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'

# 1. The install.
SCREENS="$work/install" NIMBO_REMOVE=Corvane NIMBO_REMOVE_GROUP="Corvane Linker" \
    "$root/scripts/drive.sh" "$build" "$root/tests/e2e/demo_path.scn" "$work/install" >"$work/install.log" 2>&1 \
    || { cat "$work/install.log"; fail "the install"; }
[ -f "$app/setup.exe" ] && pass "the setup program is placed in the installation" || fail "no setup.exe in C:\\Corvane"
grep -qi '^C:\\Corvane\\setup.exe=' "$app/INSTALL.LOG" && pass "the log lists it" || fail "the log lacks setup.exe"
wine reg query "$key" /v UnInstallString >"$work/reg.txt" 2>&1 </dev/null
command="$(grep -a UnInstallString "$work/reg.txt" | sed 's/.*REG_SZ[[:space:]]*//' | tr -d '\r')"
[ "$command" = 'C:\Corvane\setup.exe UNINSTALL' ] && pass "the registration names it" \
    || fail "UnInstallString is '$command'"
[ -d "$programs/Corvane Linker" ] && pass "the group is in the Start menu" || fail "no Start menu group"
# Wine's Program Manager makes it in the user's Start menu even when asked
# for everybody's group: the log names the folder where it appeared.
tr -d '\r' <"$app/INSTALL.LOG" | sed -n '/^\[Group Folders\]/,/^\[/p' | grep -qi "^0=C:\\\\users\\\\.*\\\\Corvane Linker$" &&
    pass "the log names the group's folder" || fail "the log's group folders: $(grep -a -A2 'Group Folders' "$app/INSTALL.LOG")"

# 2. The uninstall, started as the registration says.
rm -f "$temp_u/setup.exe"
(cd "$work" && wine cmd /c "$command" >"$work/uninstall.log" 2>&1 </dev/null) &
uninstaller=$!
SCREENS="$work" wine "$build/tools/robot/robot.exe" "$root/tests/e2e/uninstall.scn" >"$work/robot.log" 2>&1 </dev/null \
    && pass "the uninstall page runs and reports success" || { cat "$work/robot.log"; fail "the uninstall run"; }
wait $uninstaller

# 3. Nothing left, the temporary copy included once it has ended.
wait_for "$temp_u/setup.exe" 30 gone && pass "the temporary copy is removed after it ended" \
    || fail "the temporary copy is still there"
for _ in $(seq 1 100); do ls "$temp_u" | grep -qi '^~nimbo.*\.bat$' || break; sleep 0.1; done
leftovers="$(ls "$temp_u" | grep -iE '^(setup\.exe|~nimbo.*\.bat|tnlang32\.dll)$')"
[ -z "$leftovers" ] && pass "the temporary folder is clean" || fail "left in the temporary folder: $leftovers"
[ ! -e "$app" ] && pass "C:\\Corvane is gone" || { fail "C:\\Corvane is left"; ls -la "$app"; }
for _ in $(seq 1 50); do [ -d "$programs/Corvane Linker" ] || break; sleep 0.1; done
[ ! -d "$programs/Corvane Linker" ] && pass "the Start menu group is gone" || fail "the Start menu group is left"
wine reg query "$key" >"$work/reg-after.txt" 2>&1 </dev/null && fail "the registration is left" \
    || pass "the registration is gone"
grep -qi 'UnInstall' "$WINEPREFIX/drive_c/windows/TNIMBO.INI" 2>/dev/null && fail "a hand-over is left in TNIMBO.INI" || true

echo "$failures failure(s)"
[ $failures -eq 0 ]
