#!/bin/bash
# `make run`'s second part: the demo as one program file (nimbobuild
# --compress --single from the demo script and the demo payload),
# in the prefix the first part used. Without a display of your own the
# robot takes the default path through it, the screenshots land in
# build/screens/single/, and the registered command removes it again.
#   scripts/run_single.sh <interactive: 0 or 1>
set -uo pipefail
interactive="$1"
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/win32"
run="$root/build/run/single"
screens="$root/build/screens/single"
source "$root/scripts/wine-env.sh"

rm -rf "$run" "$screens"
mkdir -p "$run/tree" "$screens"
wine "$build/nimbobuild.exe" --compress --single "$(winepath -w "$root/src/app/demo_setup.nss")" \
    "$(winepath -w "$build/payload")" "$(winepath -w "$run/tree/setup.exe")" >"$run/build.log" 2>&1 </dev/null ||
    { cat "$run/build.log"; exit 1; }
echo "single-file demo: $(du -h "$run/tree/setup.exe" | cut -f1) in build/run/single/tree/setup.exe"

if [ "$interactive" = 1 ]; then
    (cd "$run/tree" && wine setup.exe)
    exit $?
fi
# drive.sh runs a build tree's setup.exe; this tree has nothing else.
ln -s "$build/tools" "$run/tree/tools"
SCREENS="$screens" "$root/scripts/drive.sh" "$run/tree" "$root/tests/e2e/demo_path.scn" "$run" >"$run/drive.log"
rc=$?
grep -E 'passed|FAILED|exit code' "$run/drive.log"
if [ $rc -eq 0 ]; then
    SCREENS="$screens" "$root/scripts/uninstall_demo.sh" "$run"
    rc=$?
fi
echo "screenshots in build/screens/single:"
ls -1 "$screens"
exit $rc
