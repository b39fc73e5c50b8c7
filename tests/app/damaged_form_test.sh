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
# One class name inside the wizard dialog's form resource made unknown. The
# form ships packed (raw deflate behind "NFRZ" and its size): it is
# expanded, changed, packed again into its place, and its resource entry
# given the new size.
python3 - "$build/setup.exe" "$work/src/setup.exe" <<'PY' || exit 1
import struct, sys, zlib
data = bytearray(open(sys.argv[1], 'rb').read())
pe = struct.unpack_from('<I', data, 0x3C)[0]
count, optional = struct.unpack_from('<H', data, pe + 6)[0], struct.unpack_from('<H', data, pe + 20)[0]
sections = [struct.unpack_from('<8sIIII', data, pe + 24 + optional + 40 * i) for i in range(count)]
rsrc = next(s for s in sections if s[0].rstrip(b'\0') == b'.rsrc')
def rva(offset): return offset - rsrc[4] + rsrc[2]
def expanded(at):
    try:
        return zlib.decompressobj(-15).decompress(bytes(data[at + 8:at + 8 + 65536]))
    except zlib.error:
        return b''
at = data.find(b'NFRZ')
while at >= 0 and not expanded(at).startswith(b'NFRM\x0fTNimboPagesForm'):
    at = data.find(b'NFRZ', at + 1)
plain = expanded(at) if at >= 0 else b''
if at < 0 or b'\x09TNotebook' not in plain:
    sys.exit('no wizard dialog resource found')
entry = next((e for e in range(rsrc[4], rsrc[4] + rsrc[3] - 16, 4)
              if struct.unpack_from('<I', data, e)[0] == rva(at)), None)
if entry is None:
    sys.exit('no resource entry for the wizard dialog')
size = struct.unpack_from('<I', data, entry + 4)[0]
damaged = plain.replace(b'\x09TNotebook', b'\x09TNotebooX', 1)
c = zlib.compressobj(9, zlib.DEFLATED, -15)
packed = c.compress(damaged) + c.flush()
if 8 + len(packed) > size:
    sys.exit('the damaged form does not fit its place')
data[at + 8:at + size] = packed + bytes(size - 8 - len(packed))
struct.pack_into('<I', data, entry + 4, 8 + len(packed))
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
