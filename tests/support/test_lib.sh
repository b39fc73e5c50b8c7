# Shell helpers of the tests that run real programs under Wine. Source it
# after setting `build` (the win32 build dir) and `work` (the test's
# folder), or as `source test_lib.sh wine <build> <work>` with `root` set:
# that sets both and enters the test's Wine prefix.
if [ "${1:-}" = wine ]; then
    build="$2"
    work="$3"
    source "$root/scripts/wine-env.sh"
fi
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
# A registry value's data (and its type), a key's default value, whether a
# key exists: what `wine reg query` says, nothing when it is not there.
reg_value() { wine reg query "$1" /v "$2" 2>/dev/null </dev/null | sed -n "s/.*REG_[A-Z_]* *//p" | tr -d '\r'; }
reg_type() { wine reg query "$1" /v "$2" 2>/dev/null </dev/null | grep -o 'REG_[A-Z_]*' | head -1; }
reg_default() { wine reg query "$1" /ve 2>/dev/null </dev/null | sed -n "s/.*REG_[A-Z_]* *//p" | tr -d '\r'; }
key_exists() { wine reg query "$1" >/dev/null 2>&1 </dev/null; }
# The prefix's temporary directory, as a Unix path.
wine_temp_dir() {
    wine cmd /c 'echo %TEMP%' >"$work/temp.txt" 2>/dev/null </dev/null
    winepath -u "$(tr -d '\r\n' <"$work/temp.txt")" 2>/dev/null
}
# The prefix's Start menu program folder, as a Unix path: the user's
# ("user", CSIDL_PROGRAMS), where attended runs make their groups through
# Wine's Program Manager and per-user runs theirs, or everybody's
# ("common", CSIDL_COMMON_PROGRAMS below %ProgramData%), where machine-wide
# runs make theirs directly.
start_menu_programs() {
    if [ "$1" = common ]; then
        wine cmd /c 'echo %ProgramData%' 2>/dev/null </dev/null | tr -d '\r\n' | xargs -0 winepath -u 2>/dev/null |
            sed 's|/*$|/Microsoft/Windows/Start Menu/Programs|'
    else
        find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d | head -1
    fi
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
# Name, size, time and checksum of every file below a folder.
snapshot() { (cd "$1" && find . -type f -printf '%p %s %T@ ' -exec md5sum {} \; | sort); }
# Whether the prefix holds no journal of a run.
no_journal() { [ -z "$(ls -A "$WINEPREFIX/drive_c/windows/Nimbo Setup" 2>/dev/null)" ]; }
# Builds a setup folder $3 from the form source or script $1 and the
# payload folder $2; ends the test when the builder fails.
build_setup_folder() {
    wine "$build/nimbobuild.exe" "$(winpath "$1")" "$(winpath "$2")" "$(winpath "$3")" >"$work/build.out" 2>&1 \
        </dev/null || { cat "$work/build.out"; fail "the build"; exit 1; }
}
# Watches folder $3 for the first event of the kinds $1 (inotifywait's) on
# a name matching the pattern $2 (all names when empty); the watch is set
# up before this returns, and `wait $watcher` waits for the event.
watch_folder() {
    rm -f "$work/watch.err"
    if [ -n "$2" ]; then
        inotifywait -t 120 -e "$1" --include "$2" "$3" >"$work/event" 2>"$work/watch.err" &
    else
        inotifywait -t 120 -e "$1" "$3" >"$work/event" 2>"$work/watch.err" &
    fi
    watcher=$!
    for _ in $(seq 1 100); do grep -q 'Watches established' "$work/watch.err" 2>/dev/null && break; sleep 0.1; done
}
# Waits until a run below folder $1 writes a file larger than 1 MiB in its
# work folder: the copy of a big file is under way.
big_copy_under_way() {
    for _ in $(seq 1 6000); do
        [ -n "$(find "$1" -path '*~nimbo-*' -type f -size +1M 2>/dev/null)" ] && return 0
        sleep 0.02
    done
    return 1
}
# Sends signal $1 (STOP, CONT, KILL) to the setup processes of this test's
# prefix only: tests of other prefixes (and anything else whose command line
# names a setup.exe) are left alone. Fails when there was none.
# Quick, as a point passes quickly: one look through the machine's command
# lines, then the environment of the few that name a setup.exe.
signal_setups() {
    local sig="$1" f pid found=1
    for f in $(grep -ls 'setup[.]exe' /proc/[0-9]*/cmdline); do
        pid="${f#/proc/}"
        pid="${pid%/cmdline}"
        grep -qzxF "WINEPREFIX=$WINEPREFIX" "/proc/$pid/environ" 2>/dev/null && kill -"$sig" "$pid" 2>/dev/null && found=0
    done
    return $found
}
