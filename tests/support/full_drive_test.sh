#!/bin/bash
# Copies onto a small drive, for real: mounts a 1 MiB tmpfs, maps a free
# drive letter of the Wine prefix to it, runs the DiskFull cases of a test
# program there (the letter in NIMBO_FULL_DRIVE), and undoes mount and
# mapping however the run ends.
#   full_drive_test.sh <wine-run.sh> <test exe> <work dir> <number of DiskFull cases>
# Exit 77 (skipped) with the reason when the machine refuses the mount.
set -u
runner="$1" exe="$2" work="$3" cases="$4"
source "$(dirname "$runner")/wine-env.sh"

mnt="$work/disk-full-mnt"
link=""
mounted=0
cleanup() {
    [ -n "$link" ] && rm -f "$link"
    if [ "$mounted" = 1 ]; then umount "$mnt" 2>/dev/null || umount -l "$mnt"; fi
    rmdir "$mnt" 2>/dev/null
}
trap cleanup EXIT

mkdir -p "$mnt"
if mountpoint -q "$mnt"; then umount "$mnt" || umount -l "$mnt"; fi
if ! err="$(mount -t tmpfs -o size=1m tmpfs "$mnt" 2>&1)"; then
    echo "SKIPPED: cannot mount a small tmpfs for the full drive: ${err:-mount failed}"
    exit 77
fi
mounted=1

letter=""
for l in t u v w x y z; do
    if [ ! -e "$WINEPREFIX/dosdevices/$l:" ] && [ ! -L "$WINEPREFIX/dosdevices/$l:" ]; then
        letter="$l"
        break
    fi
done
if [ -z "$letter" ]; then
    echo "FAILED: no free drive letter t: to z: in $WINEPREFIX/dosdevices"
    exit 1
fi
link="$WINEPREFIX/dosdevices/$letter:"
ln -s "$mnt" "$link"

out="$work/full-drive.out"
NIMBO_FULL_DRIVE="$(echo "$letter" | tr a-z A-Z):" "$runner" "$exe" \
    --gtest_also_run_disabled_tests --gtest_filter='DiskFull.*' >"$out" 2>&1
rc=$?
cat "$out"
# Every case must really have run and passed.
ran="$(grep -c '^\[       OK \] DiskFull\.' "$out")"
if [ $rc -eq 0 ] && [ "$ran" -ne "$cases" ]; then
    echo "FAILED: $ran of the $cases disk-full cases ran"
    rc=1
fi
exit $rc
