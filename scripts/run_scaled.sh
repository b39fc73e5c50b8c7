#!/bin/bash
# `make run`'s third part: the demo setup folder of the first part again,
# on a display scaled to 150 % (LogPixels 144) in the same prefix; the robot
# takes the default path, checks every page's layout, and the screenshots
# land in build/screens/150/; the registered command removes it again.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
run="$root/build/run/150"
screens="$root/build/screens/150"
source "$root/scripts/wine-env.sh"

rm -rf "$run" "$screens"
mkdir -p "$run" "$screens"
nimbo_set_dpi 144
SCREENS="$screens" NIMBO_REMOVE="Corvane" NIMBO_REMOVE_GROUP="Corvane Linker" \
    "$root/scripts/drive.sh" "$root/build/run/demo-tree" "$root/tests/e2e/demo_path.scn" "$run" >"$run/drive.log"
rc=$?
grep -E 'passed|FAILED|exit code' "$run/drive.log"
if [ $rc -eq 0 ]; then
    SCREENS="$screens" "$root/scripts/uninstall_demo.sh" "$run"
    rc=$?
fi
nimbo_set_dpi 96
echo "screenshots in build/screens/150:"
ls -1 "$screens"
exit $rc
