#!/bin/bash
# The packer end to end: a probe program packed runs exactly as it does
# unpacked; a packed file with a damaged byte ends with exit code 3 before
# any of its code runs; and what the packer does not understand it refuses,
# writing nothing.
#   pack_roundtrip_test.sh <probe.exe> <packed probe.exe> <packer> <stub.exe> <library.dll> <relocatable.exe> <work dir>
set -uo pipefail
probe="$1" packed="$2" packer="$3" stub="$4" library="$5" relocatable="$6" work="$7"
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/scripts/wine-env.sh"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"; wineserver -k >/dev/null 2>&1' EXIT

run() {  # run <exe> <output file>: prints the exit code
    wine "$1" >"$2" 2>/dev/null </dev/null
    echo $?
}

plain_rc=$(run "$probe" "$work/plain.txt")
packed_rc=$(run "$packed" "$work/packed.txt")
tr -d '\r' <"$work/plain.txt" >"$work/plain"
tr -d '\r' <"$work/packed.txt" >"$work/packed"
expected="process attach before main: 1
main thread's TLS value: 1234
new thread's TLS value: 1234, thread attach seen: 1
std::thread ran: 7
caught: deep
string: hello from the probe, data: 30 bytes
window class registered: 1"
if [ "$plain_rc" = 7 ] && [ "$(cat "$work/plain")" = "$expected" ]; then
    pass "the unpacked probe runs as expected"
else
    fail "the unpacked probe (exit $plain_rc):"
    cat "$work/plain"
fi
if [ "$packed_rc" = "$plain_rc" ] && cmp -s "$work/plain" "$work/packed"; then
    pass "the packed probe runs as the unpacked one"
else
    fail "the packed probe (exit $packed_rc):"
    cat "$work/packed"
fi
if [ "$(stat -c %s "$packed")" -lt "$(stat -c %s "$probe")" ]; then
    pass "the packed probe is smaller"
else
    fail "the packed probe is not smaller"
fi

# One byte of the compressed image changed, in the middle of the stub's section.
read -r size offset < <(i686-w64-mingw32-objdump -h "$packed" | awk '$2==".stub"{print $3, $6}')
cp "$packed" "$work/damaged.exe"
at=$((16#$offset + 16#$size / 2))
printf '\x5a' | dd of="$work/damaged.exe" bs=1 seek="$at" conv=notrunc status=none
cmp -s "$packed" "$work/damaged.exe" && printf '\xa5' | dd of="$work/damaged.exe" bs=1 seek="$at" conv=notrunc status=none
damaged_rc=$(run "$work/damaged.exe" "$work/damaged.txt")
if [ "$damaged_rc" = 3 ] && [ ! -s "$work/damaged.txt" ]; then
    pass "a damaged packed file ends with 3 before its code runs"
else
    fail "a damaged packed file: exit $damaged_rc, printed $(cat "$work/damaged.txt")"
fi

refused() {  # refused <what> <input>
    if "$packer" "$2" "$stub" "$work/out.exe" >"$work/packer.txt" 2>&1; then
        fail "$1 was packed"
    elif [ -e "$work/out.exe" ]; then
        fail "$1: refused, but an output was written"
    else
        pass "$1 is refused: $(cat "$work/packer.txt")"
    fi
    rm -f "$work/out.exe"
}
refused "a library" "$library"
refused "a program with relocations" "$relocatable"
cp "$probe" "$work/overlay.exe"
head -c 1000 /dev/urandom >>"$work/overlay.exe"
refused "a program with data behind its image" "$work/overlay.exe"
printf 'MZ not a program' >"$work/text.exe"
refused "a file that is no program" "$work/text.exe"
refused "a missing file" "$work/missing.exe"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
