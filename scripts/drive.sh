#!/bin/bash
# Runs setup.exe from a fresh source folder under Wine and drives it with the
# robot through a scenario. Used by `make run` and by the end-to-end tests.
#   scripts/drive.sh <build dir> <scenario> <work dir> [setup arguments...]
# The work dir gets source/ (setup.exe and whatever payload the build has),
# setup.log and robot.log. Exit code: the robot's, else setup.exe's.
# The caller chooses the prefix (NIMBO_WINEPREFIX) and display, and may ask
# for a window manager (NIMBO_WM, see wine-env.sh).
set -uo pipefail
build="$1"
scenario="$2"
work="$3"
shift 3

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# A prefix of its own (NIMBO_STOP): its server, display and window manager
# end with this script, however it ends.
[ -n "${NIMBO_STOP:-}" ] && trap '"$root/scripts/wine-env.sh" stop' EXIT
source "$root/scripts/wine-env.sh"

# A fresh start for the configured application: no earlier installation
# and no hand-over file (NIMBO_REMOVE: folders below C:\, blank-separated).
for d in ${NIMBO_REMOVE:-}; do rm -rf "$WINEPREFIX/drive_c/$d"; done
# ... and no Start menu group of it (NIMBO_REMOVE_GROUP: one group name),
# in the user's Start menu or everybody's.
if [ -n "${NIMBO_REMOVE_GROUP:-}" ]; then
    rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/Microsoft/Windows/"Start Menu"/Programs/"$NIMBO_REMOVE_GROUP"
    rm -rf "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/$NIMBO_REMOVE_GROUP"
fi
rm -f "$WINEPREFIX/drive_c/windows/TNIMBO.INI"

rm -rf "$work/source"
mkdir -p "$work/source"
cp "$build/setup.exe" "$work/source/"
[ -f "$build/TNLANG32.DLL" ] && cp "$build/TNLANG32.DLL" "$work/source/"
[ -d "$build/payload" ] && cp -r "$build/payload/." "$work/source/"

cd "$work/source"
wine setup.exe "$@" >"$work/setup.log" 2>&1 </dev/null &
app=$!
wine "$build/tools/robot/robot.exe" "$scenario" >"$work/robot.log" 2>&1 </dev/null
rc=$?
cat "$work/robot.log"
if [ $rc -ne 0 ]; then
    # The scenario failed: end the setup rather than wait for it.
    nimbo_wm_check
    wineserver -k >/dev/null 2>&1
fi
wait "$app"
app_rc=$?
echo "setup.exe ended with exit code $app_rc"
# A scenario that cancels expects setup.exe's code for that (NIMBO_EXPECT_EXIT).
expected="${NIMBO_EXPECT_EXIT:-0}"
if [ $rc -eq 0 ] && [ "$app_rc" -ne "$expected" ]; then
    echo "setup.exe should have ended with $expected"
    rc=1
fi
exit $rc
