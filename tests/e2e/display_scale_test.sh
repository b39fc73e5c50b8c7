#!/bin/bash
# The shipped setup at 100 %, 150 % and 200 % display scale (LogPixels 96,
# 144 and 192) in a prefix of its own: on every page of the default path
# and of the uninstall, every control lies inside its parent and no text
# is cut (the robot's layout condition in the scenarios).
#   display_scale_test.sh <build dir> <work dir>
set -uo pipefail
build="$1"
work="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
# The display scale is the prefix's: the shared test prefix stays at 100 %.
trap '"$root/scripts/wine-env.sh" stop' EXIT
source "$root/scripts/wine-env.sh"
source "$root/tests/support/test_lib.sh"
rm -rf "$work"
mkdir -p "$work"

for ppi in 96 144 192; do
    nimbo_set_dpi "$ppi"
    pass_dir="$work/$ppi"
    mkdir -p "$pass_dir"
    if ! SCREENS="$pass_dir" NIMBO_REMOVE="Corvane" NIMBO_REMOVE_GROUP="Corvane Linker" \
        "$root/scripts/drive.sh" "$build" "$root/tests/e2e/demo_path.scn" "$pass_dir" >"$pass_dir/drive.log"; then
        cat "$pass_dir/drive.log"
        fail "setup at $ppi pixels per inch"
        continue
    fi
    pass "setup at $ppi pixels per inch"
    if SCREENS="$pass_dir" "$root/scripts/uninstall_demo.sh" "$pass_dir"; then
        pass "uninstall at $ppi pixels per inch"
    else
        cat "$pass_dir/robot-uninstall.log"
        fail "uninstall at $ppi pixels per inch"
    fi
done
nimbo_set_dpi 96
[ "$failures" -eq 0 ]
