#!/bin/bash
# Install types and options end to end: a setup whose chain is install type
# -> options -> directory -> copy, driven by the robot along several paths.
# Each path must install exactly the files its choices select, no others,
# and log exactly those.
#   choice_paths_test.sh <win32 build dir> <setup variant> <scenario dir> <work dir>
set -uo pipefail
build="$1" setup="$2" scenarios="$3" work="$4"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
logged_files() {  # the keys of the log's [Files] section, sorted, on one line
    tr -d '\r' <"$1" 2>/dev/null | awk '/^\[/{s=$0; next} s=="[Files]" && NF{print}' | sort | tr '\n' ' '
}
target="$WINEPREFIX/drive_c/ChoiceTest"
trap 'rm -rf "$target"; wineserver -k >/dev/null 2>&1' EXIT

# run_path <scenario> <expected file names...>
run_path() {
    local scenario="$1"
    shift
    local dir="$work/${scenario%.scn}"
    rm -rf "$dir" "$target"
    rm -f "$WINEPREFIX/drive_c/windows/TNIMBO.INI"
    mkdir -p "$dir/source"
    cp "$setup" "$dir/source/setup.exe"
    for f in base typical compact custom opt1 opt2 opt3; do printf '%s\n' "$f" >"$dir/source/$f.txt"; done
    (cd "$dir/source" && exec wine setup.exe >"$dir/setup.log" 2>&1 </dev/null) &
    local app=$!
    if ! wine "$build/tools/robot/robot.exe" "$scenarios/$scenario" >"$dir/robot.log" 2>&1 </dev/null; then
        fail "$scenario: the robot could not follow the path"
        cat "$dir/robot.log"
        sleep 1
        wineserver -k >/dev/null 2>&1
        wait "$app"
        return
    fi
    wait "$app"
    local want="" got log_want="" log
    for f in "$@" INSTALL.LOG; do want+="$f "; done
    got="$(ls "$target" 2>/dev/null | sort | tr '\n' ' ')"
    want="$(printf '%s\n' $want | sort | tr '\n' ' ')"
    [ "$got" = "$want" ] && pass "$scenario installs exactly: $*" || fail "$scenario installed '$got', not '$want'"
    for f in "$@"; do
        [ "$(cat "$target/$f" 2>/dev/null)" = "${f%.txt}" ] || fail "$scenario: $f does not hold its source's text"
    done
    for f in "$@"; do log_want+="C:\\ChoiceTest\\$f= "; done
    log_want="$(printf '%s\n' $log_want | sort | tr '\n' ' ')"
    log="$(logged_files "$target/INSTALL.LOG")"
    [ "$log" = "$log_want" ] && pass "$scenario logs exactly its files" || fail "$scenario logged '$log'"
}

run_path typical.scn base.txt typical.txt opt1.txt
run_path custom_options.scn base.txt custom.txt opt2.txt opt3.txt
run_path back_and_change.scn base.txt custom.txt opt2.txt
run_path untick_after_return.scn base.txt compact.txt opt2.txt

echo "$failures failure(s)"
[ $failures -eq 0 ]
