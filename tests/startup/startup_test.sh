#!/bin/bash
# Start-up of the setup program in real processes under Wine: the floppy
# restart (drive A: is a folder of this test), the "UNINSTALL" restart, and
# the single-instance check. Each started program reports its start-up
# decisions to the file named by NIMBO_STATE_FILE.
#   startup_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

expect_line() {  # file, line, what
    if grep -qxF -- "$2" "$1"; then pass "$3"; else fail "$3: no line '$2' in $(basename "$1")"; cat "$1"; fi
}

cleanup() {
    rm -f "$WINEPREFIX/dosdevices/a:"
    # Temporary copies leave their own removal to a command interpreter
    # that outlives them by a second or so: let it finish.
    for _ in $(seq 1 100); do ls "$temp_u" 2>/dev/null | grep -qi '^~nimbo.*\.bat$' || break; sleep 0.1; done
    wineserver -k >/dev/null 2>&1
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work"
temp_u="$(wine_temp_dir)"
ini="$WINEPREFIX/drive_c/windows/TNIMBO.INI"
[ -d "$temp_u" ] || { echo "cannot find the prefix's temporary directory"; exit 1; }

make_setup() {  # folder, variant
    mkdir -p "$1"
    cp "$build/tests/startup/setup_$2.exe" "$1/setup.exe"
    printf 'file a\n' >"$1/a.txt"
    printf 'file b\n' >"$1/b.txt"
}

# --- The floppy restart: two disks, started from A:.
make_setup "$work/floppy" twodisk
ln -sfn "$work/floppy" "$WINEPREFIX/dosdevices/a:"
rm -f "$temp_u/setup.exe" "$temp_u/a.txt" "$temp_u/b.txt"
export NIMBO_STATE_FILE="$(winpath "$work/state-floppy.txt")"
wine 'A:\setup.exe' >"$work/floppy.log" 2>&1 </dev/null
rc=$?
[ $rc -eq 0 ] && pass "the program started from A: ends with 0 after its restart" || fail "exit code $rc from A:"
if wait_for "$work/state-floppy.txt" 30; then
    state="$work/state-floppy.txt"
    expect_line "$state" 'SourceDir=A:\' "the restarted copy reads its files from A:\\"
    expect_line "$state" 'MultiDisk=1' "the restarted copy is a multi-disk run"
    grep -q '^Program=.*\\setup.exe$' "$state" && ! grep -q '^Program=A:' "$state" &&
        pass "the copy runs from the temporary directory" || fail "the copy runs from $(grep ^Program= "$state")"
    [ -f "$temp_u/a.txt" ] && [ -f "$temp_u/b.txt" ] && pass "the multi-disk files were copied" ||
        fail "multi-disk files missing in $temp_u"
    if [ -f "$ini" ] && grep -qi '^\[MultiDisk Install\]' "$ini"; then fail "TNIMBO.INI still holds [MultiDisk Install]"; else
        pass "the hand-over section is gone"; fi
    robot 'close NimboForm' 'wait gone NimboForm' || fail "closing the restarted copy"
    if wait_for "$temp_u/a.txt" 20 gone && wait_for "$temp_u/b.txt" 5 gone; then
        pass "the copied files are deleted at the end"
    else
        fail "the copied files are still in $temp_u"
    fi
else
    fail "the restarted copy never reported"
    cat "$work/floppy.log"
fi

# --- One disk: no restart, even from A:.
make_setup "$work/onedisk" quiet
ln -sfn "$work/onedisk" "$WINEPREFIX/dosdevices/a:"
export NIMBO_STATE_FILE="$(winpath "$work/state-onedisk.txt")"
wine 'A:\setup.exe' >"$work/onedisk.log" 2>&1 </dev/null &
app=$!
if wait_for "$work/state-onedisk.txt" 30; then
    expect_line "$work/state-onedisk.txt" 'Program=A:\setup.exe' "one disk runs from the floppy itself"
    expect_line "$work/state-onedisk.txt" 'MultiDisk=0' "one disk is no multi-disk run"
else
    fail "the one-disk setup never reported"
fi
robot 'close NimboForm' 'wait gone NimboForm' || fail "closing the one-disk setup"
wait $app

# --- The uninstall restart, the word in any letter case.
make_setup "$work/app" twodisk
printf '[Language]\r\nLanguage=English\r\n' >"$work/app/INSTALL.LOG"
rm -f "$temp_u/setup.exe" "$temp_u/a.txt" "$temp_u/b.txt"
export NIMBO_STATE_FILE="$(winpath "$work/state-uninstall.txt")"
wine "$(winpath "$work/app/setup.exe")" uNiNsTaLl >"$work/uninstall.log" 2>&1 </dev/null
rc=$?
[ $rc -eq 0 ] && pass "the uninstall restart ends the first process with 0" || fail "exit code $rc for uninstall"
if wait_for "$work/state-uninstall.txt" 30; then
    state="$work/state-uninstall.txt"
    expect_line "$state" 'UnInstallMode=1' "the copy runs in uninstall mode"
    expect_line "$state" "LogFile=$(winpath "$work/app")\\INSTALL.LOG" "the copy receives the log file"
    expect_line "$state" 'UnInstallFile=A.TXT' "the copy receives the first uninstall file"
    expect_line "$state" 'UnInstallFile=B.TXT' "the copy receives the second uninstall file"
    grep -q '^UnInstallFile=SETUP.EXE' "$state" && fail "the program's own name was handed over" ||
        pass "the program's own name is not handed over"
    [ -f "$temp_u/a.txt" ] && [ -f "$temp_u/b.txt" ] && pass "the uninstall files were copied" ||
        fail "uninstall files missing in $temp_u"
    if [ -f "$ini" ] && grep -qi '^\[UnInstall\]' "$ini"; then fail "TNIMBO.INI still holds [UnInstall]"; else
        pass "the uninstall hand-over section is gone"; fi
    robot 'close NimboForm' 'wait gone NimboForm' || fail "closing the uninstall copy"
    # Closed without removing anything, it still takes itself away.
    wait_for "$temp_u/setup.exe" 15 gone && [ ! -e "$temp_u/a.txt" ] && [ ! -e "$temp_u/b.txt" ] &&
        pass "the closed uninstall copy leaves nothing in the temporary folder" ||
        fail "the closed uninstall copy left files in $temp_u"
else
    fail "the uninstall copy never reported"
    cat "$work/uninstall.log"
fi

# --- Stale uninstall hand-overs: one left by another program or a crashed
# run is erased and the setup starts normally; one meant for this very copy
# deletes no file that is not an install log and drops names that would
# reach outside the copy's folder.
make_setup "$work/stale" quiet
printf 'my letter\n' >"$work/stale/letter.txt"
printf 'keep me\n' >"$work/victim.txt"
stale_ini() {  # program the section is for
    printf '[UnInstall]\r\nProgram=%s\r\nLog File=%s\r\n0=..\\victim.txt\r\n1=C:\\victim.txt\r\n2=A.TXT\r\n' \
        "$1" "$(winpath "$work/stale/letter.txt")" >"$ini"
}
for case in other self; do
    if [ $case = other ]; then stale_ini 'C:\temp\gone\setup.exe'; else stale_ini "$(winpath "$work/stale/setup.exe")"; fi
    export NIMBO_STATE_FILE="$(winpath "$work/state-stale-$case.txt")"
    if [ $case = self ]; then
        # Meant for this copy but naming no install log: the uninstall is
        # refused as failed before anything is removed.
        timeout 60 wine "$(winpath "$work/stale/setup.exe")" /VERYSILENT >"$work/stale-$case.log" 2>&1 </dev/null
        rc=$?
        [ $rc -eq 3 ] && pass "self: a hand-over naming no install log ends with 3" || fail "self: it ended with $rc"
        grep -qx 'my letter' "$work/stale/letter.txt" 2>/dev/null && pass "self: the file named as log is kept" ||
            fail "self: the user's file named as log was deleted"
        grep -qi '^\[UnInstall\]' "$ini" 2>/dev/null && fail "self: [UnInstall] still in TNIMBO.INI" ||
            pass "self: the hand-over section is erased"
        [ -f "$work/victim.txt" ] || fail "self: a file outside the run's own was deleted"
        continue
    fi
    wine "$(winpath "$work/stale/setup.exe")" >"$work/stale-$case.log" 2>&1 </dev/null &
    app=$!
    if wait_for "$work/state-stale-$case.txt" 30; then
        state="$work/state-stale-$case.txt"
        if [ $case = other ]; then
            expect_line "$state" 'UnInstallMode=0' "a stale hand-over for another program starts a normal setup"
        else
            expect_line "$state" 'UnInstallMode=1' "a hand-over for this copy is honoured"
            expect_line "$state" 'UnInstallFile=A.TXT' "a plain uninstall file name is kept"
            grep -q 'victim' "$state" && fail "a name outside the copy's folder was taken" ||
                pass "names with a folder or drive are dropped"
        fi
        grep -qx 'my letter' "$work/stale/letter.txt" 2>/dev/null && pass "$case: a file that is no install log is kept" ||
            fail "$case: the user's file named as log was deleted"
        grep -qi '^\[UnInstall\]' "$ini" 2>/dev/null && fail "$case: [UnInstall] still in TNIMBO.INI" ||
            pass "$case: the hand-over section is erased"
    else
        fail "$case: the setup never reported"
        cat "$work/stale-$case.log"
    fi
    robot 'close NimboForm' 'wait gone NimboForm' || fail "$case: closing the setup"
    wait $app
    # The copy a hand-over is for takes its own uninstall files (A.TXT) away
    # with itself; nothing outside its folder goes.
    [ -f "$work/victim.txt" ] && { [ $case = self ] || [ -f "$work/stale/a.txt" ]; } ||
        fail "$case: a file outside the run's own was deleted"
done

# --- One instance per program file.
export NIMBO_STATE_FILE="$(winpath "$work/state-first.txt")"
wine "$(winpath "$work/app/setup.exe")" >"$work/first.log" 2>&1 </dev/null &
first=$!
wait_for "$work/state-first.txt" 30 || fail "the first instance never reported"
export NIMBO_STATE_FILE="$(winpath "$work/state-second.txt")"
wine "$(winpath "$work/app/setup.exe")" >"$work/second.log" 2>&1 </dev/null &
second=$!
if robot 'set timeout 30' \
    'assert dialog "Corvaen Linker" text contains "Only one instance of the setup program allowed."' \
    'answer "Corvaen Linker" "OK"'; then
    pass "a second start of the same file is refused with its message"
else
    fail "no refusal of the second start"
fi
wait $second
rc=$?
[ $rc -ne 0 ] && pass "the refused start ends with exit code $rc" || fail "the refused start ended with 0"
[ -e "$work/state-second.txt" ] && fail "the refused start went on with its start-up" || true
mkdir -p "$work/other" && cp "$work/app/"* "$work/other/"
export NIMBO_STATE_FILE="$(winpath "$work/state-other.txt")"
wine "$(winpath "$work/other/setup.exe")" >"$work/other.log" 2>&1 </dev/null &
other=$!
wait_for "$work/state-other.txt" 30 && pass "a start from another path is not blocked" || fail "the other path was blocked"
# Both windows carry the same name: the first must be gone before the
# second is looked up, or the second close goes to the first again.
robot 'close NimboForm' 'sleep 2' 'close NimboForm' 'wait gone NimboForm' || fail "closing both"
wait $first $other

# --- MultiException false: a second start ends silently with 0.
make_setup "$work/quiet" quiet
export NIMBO_STATE_FILE="$(winpath "$work/state-quiet.txt")"
wine "$(winpath "$work/quiet/setup.exe")" >"$work/quiet1.log" 2>&1 </dev/null &
first=$!
wait_for "$work/state-quiet.txt" 30 || fail "the quiet setup never reported"
rm -f "$work/state-quiet.txt"
timeout 60 wine "$(winpath "$work/quiet/setup.exe")" >"$work/quiet2.log" 2>&1 </dev/null
rc=$?
[ $rc -eq 0 ] && pass "a second quiet start ends silently with 0" || fail "a second quiet start ended with $rc"
[ -e "$work/state-quiet.txt" ] && fail "the second quiet start went on" || true
robot 'close NimboForm' 'wait gone NimboForm' || fail "closing the quiet setup"
wait $first

echo "$failures failure(s)"
[ $failures -eq 0 ]
