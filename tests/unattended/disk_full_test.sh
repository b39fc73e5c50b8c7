#!/bin/bash
# A disk that fills up half-way through the copy: a small tmpfs mounted as
# a Wine drive holds room enough when the run checks, and is filled by
# another program in the middle of its 200 MiB file. The unattended run ends
# with 3, undone: nothing of it is left on the drive and no journal. And a
# fresh install on a drive too small from the start (1 MiB) is stopped by
# the space check with 5 and leaves nothing either: no program, log or
# registration, and its log does not say "Done.".
#   disk_full_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

disk="$work/disk"
drive="$WINEPREFIX/dosdevices/t:"
small="$work/small"
small_drive="$WINEPREFIX/dosdevices/u:"
cleanup() {
    signal_setups CONT 2>/dev/null
    rm -f "$drive" "$small_drive"
    mountpoint -q "$disk" && umount "$disk"
    mountpoint -q "$small" && umount "$small"
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

# --- Too small from the start: the space check stops the fresh install.
mkdir -p "$small"
mount -t tmpfs -o size=1m nimbo-small "$small" || { fail "cannot mount the small tmpfs"; exit 1; }
ln -s "$small" "$small_drive"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
registered() { wine reg query "$key" >/dev/null 2>&1 </dev/null; }
registered && { fail "registered before the run"; exit 1; }
log="$(winpath "$work/small.log")"
(cd "$work/setup" && wine setup.exe /VERYSILENT '/DIR=U:\App' "/LOG=$log" >>"$work/setup.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 5 ] && pass "too small: the run ends with 5" || { fail "too small: the run ended with $rc"; cat "$work/small.log"; }
left="$(cd "$small" && find . -mindepth 1)"
[ -z "$left" ] && pass "too small: nothing is left on the drive" || fail "too small: left on the drive: $left"
registered && fail "too small: the application is registered" || pass "too small: no registration"
! grep -q '  Done\.' "$work/small.log" && tail -1 "$work/small.log" | grep -q '  Exit code 5: not enough disk space\.' &&
    pass "too small: its log has no Done. and ends with the exit code" ||
    { fail "too small: its log says Done. or ends otherwise"; cat "$work/small.log"; }
no_journal && pass "too small: no journal is left" || fail "too small: a journal is left"

echo "$failures failure(s)"
[ $failures -eq 0 ]
