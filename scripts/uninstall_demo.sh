#!/bin/bash
# The demo's uninstall as Add/Remove Programs starts it, driven by the robot
# (screenshots into $SCREENS); prints how it went. Exit code: the robot's.
#   scripts/uninstall_demo.sh <run dir>      (with wine-env.sh's prefix)
set -uo pipefail
run="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/win32"
source "$root/scripts/wine-env.sh"
(cd "$run" && wine cmd /c 'C:\Corvane\setup.exe UNINSTALL' >"$run/uninstall.log" 2>&1 </dev/null) &
wine "$build/tools/robot/robot.exe" "$root/tests/e2e/uninstall.scn" >"$run/robot-uninstall.log" 2>&1 </dev/null
rc=$?
wait
grep -E 'passed|FAILED' "$run/robot-uninstall.log"
[ -e "$WINEPREFIX/drive_c/Corvane" ] && echo "  C:\Corvane is still there" || echo "  C:\Corvane removed"
exit $rc
