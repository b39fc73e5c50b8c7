# Shell helpers of the tests that run real programs under Wine. Source it
# after setting `build` (the win32 build dir) and `work` (the test's folder).
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
winpath() { local p="${1//\//\\}"; echo "Z:$p"; }
# Waits up to $2 seconds for a file to exist (or, with "gone", to vanish).
wait_for() {
    local f="$1" t="${2:-20}" mode="${3:-}"
    for _ in $(seq 1 $((t * 10))); do
        if [ "$mode" = gone ]; then [ ! -e "$f" ] && return 0; else [ -s "$f" ] && return 0; fi
        sleep 0.1
    done
    return 1
}
# Runs the robot on the steps given as arguments, one a line.
robot() {
    printf '%s\n' "$@" >"$work/step.scn"
    if ! wine "$build/tools/robot/robot.exe" "$work/step.scn" >"$work/robot.log" 2>&1 </dev/null; then
        cat "$work/robot.log"
        return 1
    fi
}
# The prefix's temporary directory, as a Unix path.
wine_temp_dir() {
    wine cmd /c 'echo %TEMP%' >"$work/temp.txt" 2>/dev/null </dev/null
    winepath -u "$(tr -d '\r\n' <"$work/temp.txt")" 2>/dev/null
}
# A fresh $work with the shipped setup as it ships in $work/source: the
# program, the language library and the demo payload.
fresh_source_folder() {
    rm -rf "$work"
    mkdir -p "$work/source"
    cp "$build/setup.exe" "$work/source/"
    [ -f "$build/TNLANG32.DLL" ] && cp "$build/TNLANG32.DLL" "$work/source/"
    cp -r "$build/payload/." "$work/source/"
}
