#!/bin/bash
# A disk that fills up half-way through the copy: a small tmpfs mounted as
# a Wine drive holds room enough when the run checks, and is filled by
# another program in the middle of its 200 MiB file. The unattended run ends
# with 3, undone: nothing of it is left on the drive and no journal.
#   disk_full_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

disk="$work/disk"
drive="$WINEPREFIX/dosdevices/t:"
cleanup() {
    signal_setups CONT 2>/dev/null
    rm -f "$drive"
    mountpoint -q "$disk" && umount "$disk"
    [ -n "${KEEP:-}" ] || rm -rf "$work"
}
trap cleanup EXIT
cleanup
mkdir -p "$work/payload" "$disk"
mount -t tmpfs -o size=256m nimbo-full "$disk" || { fail "cannot mount a tmpfs (the test needs root)"; exit 1; }
ln -s "$disk" "$drive"
cp "$build/payload/"* "$work/payload/"
head -c 200M /dev/urandom >"$work/payload/big.bin"
build_setup_folder "$root/src/app/nimbo_form.nfm" "$work/payload" "$work/setup"

log="$(winpath "$work/run.log")"
(cd "$work/setup" && wine setup.exe /VERYSILENT '/DIR=T:\App' "/LOG=$log" >"$work/setup.out" 2>&1 </dev/null) &
runner=$!
# Once the big file is being written, another program takes the rest.
under_way=0
big_copy_under_way "$disk" && under_way=1
signal_setups STOP
[ $under_way -eq 1 ] && [ -z "$(find "$disk" -type f -size +199M)" ] && pass "frozen in the middle of the big file" \
    || fail "not frozen in the middle of the big file"
dd if=/dev/zero of="$disk/filler" bs=1M >/dev/null 2>&1
[ "$(df --output=avail "$disk" | tail -1)" -eq 0 ] && pass "the disk is full" || fail "the disk is not full"
signal_setups CONT
wait $runner
rc=$?
[ $rc -eq 3 ] && pass "the run ends with 3" || { fail "the run ended with $rc"; cat "$work/run.log"; }
grep -q 'Setup did not complete. Your computer was left as it was before.' "$work/run.log" \
    && pass "its log says it was undone" || { fail "the run log:"; cat "$work/run.log"; }
rm -f "$disk/filler"
left="$(cd "$disk" && find . -mindepth 1)"
[ -z "$left" ] && pass "nothing of the run is left on the drive" || fail "left on the drive: $left"
no_journal && pass "no journal is left" || fail "a journal is left"

echo "$failures failure(s)"
[ $failures -eq 0 ]
