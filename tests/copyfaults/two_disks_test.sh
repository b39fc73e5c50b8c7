#!/bin/bash
# A two-disk installation in real processes: drive A: is a folder of this
# test holding disk 1 (the program and its files). Started from A:, the
# program restarts from the temporary directory and copies from A:\. At the
# prompt for disk 2 the test puts disk 2's folder behind A:, the robot
# answers OK, and every file of both disks must be installed and logged.
#   two_disks_test.sh <win32 build dir> <setup variant> <work dir>
set -uo pipefail
build="$1" setup="$2" work="$3"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
robot() {  # scenario lines; the robot's log is kept per step
    printf '%s\n' 'set timeout 30' "$@" >"$work/step.scn"
    if ! wine "$build/tools/robot/robot.exe" "$work/step.scn" >"$work/robot.log" 2>&1 </dev/null; then
        cat "$work/robot.log"
        return 1
    fi
}
logged_files() {  # the keys of the log's [Files] section, sorted, on one line
    tr -d '\r' <"$1" 2>/dev/null | awk '/^\[/{s=$0; next} s=="[Files]" && NF{print}' | sort | tr '\n' ' '
}
cleanup() {
    rm -f "$WINEPREFIX/dosdevices/a:"
    wineserver -k >/dev/null 2>&1
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work/disk1" "$work/disk2"
cp "$setup" "$work/disk1/setup.exe"
printf 'disk one\n' >"$work/disk1/one.txt"
printf 'disk two\n' >"$work/disk1/two.txt"
printf 'disk three\n' >"$work/disk2/three.txt"
printf 'disk four\n' >"$work/disk2/four.txt"
target="$WINEPREFIX/drive_c/TwoDiskCopy"
rm -rf "$target"
rm -f "$WINEPREFIX/drive_c/windows/TNIMBO.INI"
ln -sfn "$work/disk1" "$WINEPREFIX/dosdevices/a:"

# The first process copies itself away, starts the copy and ends.
wine 'A:\setup.exe' >"$work/setup.log" 2>&1 </dev/null
rc=$?
[ $rc -eq 0 ] && pass "the program on A: hands over and ends with 0" || fail "exit code $rc from A:"

if robot 'wait dialog "Information" text equals "Please insert disk 2 labeled Disk two."' \
    'assert dialog "Information" buttons "&OK" "&Cancel"'; then
    pass "the copy asks for disk 2 by its label"
else
    fail "no prompt for disk 2"
    exit 1
fi
[ "$(cat "$target/one.txt" 2>/dev/null)" = "disk one" ] && [ "$(cat "$target/two.txt" 2>/dev/null)" = "disk two" ] &&
    pass "disk 1's files are in place before the prompt" || fail "disk 1's files missing: $(ls "$target" 2>&1)"
[ -e "$target/three.txt" ] || [ -e "$target/four.txt" ] && fail "disk 2's files came before the prompt"

# The user changes the disk, then answers.
ln -sfn "$work/disk2" "$WINEPREFIX/dosdevices/a:"
if robot 'answer "Information" "&OK"' 'wait gone NimboPagesForm' \
    'assert dialog "Information" text equals "Setup completed successfully."' 'answer "Information" "&OK"'; then
    pass "the setup completes after disk 2"
else
    fail "the setup did not complete after disk 2"
fi
for f in one:"disk one" two:"disk two" three:"disk three" four:"disk four"; do
    name="${f%%:*}.txt" want="${f#*:}"
    [ "$(cat "$target/$name" 2>/dev/null)" = "$want" ] && pass "$name installed from its disk" ||
        fail "$name: '$(cat "$target/$name" 2>&1)', not '$want'"
done

# The log is written as the program ends, section by section: wait until
# it holds what it should, or time out.
log="$target/INSTALL.LOG"
want='C:\TwoDiskCopy\four.txt= C:\TwoDiskCopy\one.txt= C:\TwoDiskCopy\three.txt= C:\TwoDiskCopy\two.txt= '
for _ in $(seq 1 300); do [ "$(logged_files "$log")" = "$want" ] && break; sleep 0.1; done
files="$(logged_files "$log")"
[ "$files" = "$want" ] && pass "the log lists the files of both disks" || { fail "logged files: '$files'"; cat "$log"; }

echo "$failures failure(s)"
[ $failures -eq 0 ]
