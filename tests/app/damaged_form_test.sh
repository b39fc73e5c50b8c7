#!/bin/bash
# The shipped setup.exe with a damaged wizard-dialog resource, run in a real
# process under Wine: the error is shown (and stays until answered), the
# program ends with a non-zero exit code, and nothing of the user's changes.
#   damaged_form_test.sh <win32 build dir> <work dir>
set -uo pipefail
build="$1"
work="$2"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
winpath() { local p="${1//\//\\}"; echo "Z:$p"; }
trap 'wineserver -k >/dev/null 2>&1' EXIT

rm -rf "$work"
mkdir -p "$work/src"
# One class name inside the wizard dialog's form resource made unknown.
python3 - "$build/setup.exe" "$work/src/setup.exe" <<'PY' || exit 1
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
form = data.find(b'NFRM\x0fTNimboPagesForm')
at = data.find(b'\x09TNotebook', form)
if form < 0 or at < 0:
    sys.exit('no wizard dialog resource found')
data[at + 9] = ord('X')
open(sys.argv[2], 'wb').write(bytes(data))
PY
printf 'the user notes\n' >"$work/src/notes.txt"
before="$(cd "$work/src" && ls -l --time-style=+%s . | sort)"

wine "$(winpath "$work/src/setup.exe")" >"$work/setup.log" 2>&1 </dev/null &
app=$!
# The report comes once the program has started; a second later it is
# still there.
printf '%s\n' 'set timeout 30' \
    'wait dialog "Corvane Linker Setup Setup Program" text contains "TNotebooX"' \
    'sleep 1' \
    'assert dialog "Corvane Linker Setup Setup Program" text contains "TNotebooX"' \
    'answer "Corvane Linker Setup Setup Program" "OK"' >"$work/answer.scn"
if wine "$build/tools/robot/robot.exe" "$work/answer.scn" >"$work/robot.log" 2>&1 </dev/null; then
    pass "the damaged resource is reported and the report stays until answered"
else
    fail "no lasting report of the damaged resource"
    cat "$work/robot.log"
fi
# A program still waiting after a failed scenario is ended, not waited for.
timeout 60 tail --pid=$app -f /dev/null || wineserver -k >/dev/null 2>&1
wait $app
rc=$?
[ $rc -ne 0 ] && pass "the program ends with exit code $rc" || fail "the program ended with exit code 0"
after="$(cd "$work/src" && ls -l --time-style=+%s . | sort)"
[ "$before" = "$after" ] && grep -qx 'the user notes' "$work/src/notes.txt" && pass "the setup folder is unchanged" ||
    fail "the setup folder changed"

echo "$failures failure(s)"
[ $failures -eq 0 ]
