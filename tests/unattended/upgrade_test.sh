#!/bin/bash
# A product's releases, one after another: the next version goes where the
# last one went (an admin's folder, without /DIR), keeps one log and one
# registration under the product's identity whatever its title, removes the
# files it no longer ships (and puts them back when it does not complete),
# refuses an older version, repairs with the same one, takes up the log of a
# release that sealed no identity, and its uninstall leaves nothing of any.
#   upgrade_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Upgrade Probe'
apps="$WINEPREFIX/drive_c/Apps"
dir="$apps/Probe"
programs="$(start_menu_programs common)"
rm -rf "$apps" "$WINEPREFIX/drive_c/Probe Default" "$programs/Probe One" "$programs/Probe Two"
wine reg delete "$key" /f >/dev/null 2>&1 </dev/null

# release <name> <version> <title> <group> <files...>: a payload and its setup folder.
release() {
    local name="$1" version="$2" title="$3" group="$4"
    shift 4
    mkdir -p "$work/$name/payload"
    for f in "$@"; do printf '%s of %s\n' "$f" "$name" >"$work/$name/payload/$f"; done
    printf '[Setup]\nName = %s\nTitle = %s\nVersion = %s\nPublisher = Probe Makers\n' "${product:-Upgrade Probe}" "$title" \
        "$version" \
        >"$work/$name/setup.nss"
    printf 'URL = https://probe.example/\nGroup = %s\nDestination = C:\\Probe Default\n' "$group" >>"$work/$name/setup.nss"
    printf '[Items]\nProbe = %s\n' "$1" >>"$work/$name/setup.nss"
    build_setup_folder "$work/$name/setup.nss" "$work/$name/payload" "$work/$name/out"
}
release v1 1.0 "Upgrade Probe 1.0" "Probe One" keep.txt old.txt
release v2 2.0 "Upgrade Probe 2.0" "Probe Two" keep.txt new.txt
release v09 0.9 "Upgrade Probe 0.9" "Probe One" keep.txt
product="Other Probe" release other 1.0 "Upgrade Probe 1.0" "Probe Other" other.txt
run() {
    local name="$1"
    shift
    (cd "$work/$name/out" && wine setup.exe /VERYSILENT "/LOG=$(winpath "$work/$name.log")" "$@" \
        >>"$work/setup.out" 2>&1 </dev/null)
}

run v1 '/DIR=C:\Apps\Probe'
rc=$?
[ $rc -eq 0 ] && [ -f "$dir/old.txt" ] || fail "version 1 did not install (rc $rc)"
[ "$(reg_value "$key" DisplayVersion)" = 1.0 ] && [ "$(reg_value "$key" Publisher)" = "Probe Makers" ] &&
    [ "$(reg_value "$key" URLInfoAbout)" = https://probe.example/ ] &&
    [ "$(reg_value "$key" VersionMajor)" = 0x1 ] && pass "the registration has the product's key, version and maker" ||
    { fail "the registration:"; wine reg query "$key" </dev/null; }
strings -el "$work/v1/out/setup.exe" >"$work/strings.txt"
grep -qx 'Probe Makers' "$work/strings.txt" && grep -qx 'Upgrade Probe Setup' "$work/strings.txt" &&
    pass "the setup program's version resource names the product" ||
    fail "the version resource names no product"
printf 'my notes\n' >"$dir/mine.txt"
# Whole seconds, which a file put back by a copy keeps exactly.
find "$dir" -type f -exec touch -d '2020-01-02 03:04:05' {} +

# --- Version 2 stopped at its very end (its log cannot be written): undone.
before="$(snapshot "$dir")"
chmod a-w "$dir/INSTALL.LOG"
run v2
rc=$?
chmod u+w "$dir/INSTALL.LOG"
[ $rc -eq 3 ] && [ "$before" = "$(snapshot "$dir")" ] && [ "$(reg_value "$key" DisplayVersion)" = 1.0 ] &&
    pass "a failed update leaves version 1 as it was, its dropped file and registration included" ||
    { fail "the failed update (rc $rc) changed:"; diff <(echo "$before") <(snapshot "$dir"); }

# --- Version 2, another title and group, without /DIR: into the admin's folder.
run v2
rc=$?
[ $rc -eq 0 ] && [ -f "$dir/new.txt" ] && [ ! -e "$WINEPREFIX/drive_c/Probe Default" ] &&
    pass "version 2 goes where version 1 went" || fail "version 2 (rc $rc) went elsewhere: $(ls "$WINEPREFIX/drive_c")"
[ ! -e "$dir/old.txt" ] && grep -q "Removed, no longer part of" "$work/v2.log" && pass "the dropped file is gone" ||
    fail "old.txt is still there"
grep -qx 'keep.txt of v2' "$dir/keep.txt" && [ -f "$dir/mine.txt" ] && [ "$(ls "$dir" | grep -ci '\.log$')" = 1 ] &&
    [ "$(reg_value "$key" DisplayVersion)" = 2.0 ] && pass "one log, one registration, the user's file kept" ||
    { fail "after the update:"; ls "$dir"; }

# --- An older version is refused; the same one repairs.
before="$(snapshot "$dir")"
run v09
rc=$?
[ $rc -eq 7 ] && [ "$before" = "$(snapshot "$dir")" ] && grep -q 'newer than this setup' "$work/v09.log" &&
    pass "version 0.9 is refused with 7, nothing changed" || fail "the downgrade ended with $rc"
rm "$dir/keep.txt"
printf 'damaged\n' >"$dir/new.txt"
touch -d '2030-01-01' "$dir/new.txt"
run v2
rc=$?
[ $rc -eq 0 ] && grep -qx 'keep.txt of v2' "$dir/keep.txt" && grep -qx 'new.txt of v2' "$dir/new.txt" &&
    [ -f "$dir/mine.txt" ] && pass "the same version repairs every file, the user's kept" || fail "the repair (rc $rc)"

# --- The uninstall after the update: nothing of either version.
(cd "$work" && wine 'C:\Apps\Probe\setup.exe' UNINSTALL /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
rc=$?
wait_for "$dir/setup.exe" 30 gone
[ $rc -eq 0 ] && [ "$(ls "$dir")" = mine.txt ] && [ -z "$(reg_value "$key" DisplayName)" ] &&
    [ ! -e "$programs/Probe One" ] && [ ! -e "$programs/Probe Two" ] &&
    pass "the uninstall removes both versions' files, groups and registration" ||
    { fail "left after the uninstall (rc $rc):"; ls -R "$dir" "$programs"; }
rm -rf "$apps"

# --- Two products with one title in one folder: each keeps its own
# uninstall program, and each uninstall removes only its own.
run v1 '/DIR=C:\Apps\Probe'
run other '/DIR=C:\Apps\Probe'
other_key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Other Probe'
[ -f "$dir/setup.exe" ] && [ -f "$dir/setup-1.exe" ] && reg_value "$other_key" UnInstallString | grep -qi 'setup-1.exe' &&
    pass "the second product has an uninstall program of its own" || { fail "two products in one folder:"; ls "$dir"; }
(cd "$work" && wine 'C:\Apps\Probe\setup-1.exe' UNINSTALL /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
wait_for "$dir/setup-1.exe" 30 gone
[ ! -e "$dir/other.txt" ] && [ -f "$dir/keep.txt" ] && [ -f "$dir/setup.exe" ] && [ -f "$dir/TNLANG32.DLL" ] &&
    [ -n "$(reg_value "$key" DisplayName)" ] &&
    pass "its uninstall leaves the first product whole" || { fail "after the second's uninstall:"; ls "$dir"; }

# --- The uninstall's scope is its install's: a switch naming the other is refused.
(cd "$work" && wine 'C:\Apps\Probe\setup.exe' UNINSTALL /VERYSILENT /CURRENTUSER >>"$work/setup.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 1 ] && [ -f "$dir/keep.txt" ] && [ -n "$(reg_value "$key" DisplayName)" ] &&
    pass "a per-user switch on a machine-wide install's uninstall ends with 1, nothing removed" ||
    fail "the contradicting switch ended with $rc"
(cd "$work" && wine 'C:\Apps\Probe\setup.exe' UNINSTALL /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
wait_for "$dir" 30 gone
rm -rf "$apps"

# --- A log sealed by an earlier release, which named no identity: taken up.
run v1 '/DIR=C:\Apps\Probe'
sed -i '/^AppId=/d' "$dir/INSTALL.LOG"
run v2
[ ! -e "$dir/old.txt" ] && [ "$(ls "$dir" | grep -ci '\.log$')" = 1 ] &&
    pass "an earlier release's log is updated in place" || { fail "the earlier log:"; ls "$dir"; }
(cd "$work" && wine 'C:\Apps\Probe\setup.exe' UNINSTALL /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
wait_for "$dir" 30 gone
[ ! -e "$dir" ] || fail "the earlier release's update left $(ls "$dir")"

rm -rf "$apps"

# --- A single file saved under the name of one of its own files installs
# that file, not itself: its uninstall program is setup.exe.
mkdir -p "$work/single/payload"
printf 'the real probe\n' >"$work/single/payload/probe.exe"
printf '[Setup]\nName = Single Probe\nDestination = C:\\Apps\\Single\n' >"$work/single/setup.nss"
wine "$build/nimbobuild.exe" --single "$(winpath "$work/single/setup.nss")" "$(winpath "$work/single/payload")" \
    "$(winpath "$work/single/probe.exe")" >"$work/build.out" 2>&1 </dev/null || { cat "$work/build.out"; fail "the single file"; }
(cd "$work/single" && wine probe.exe /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
grep -qx 'the real probe' "$apps/Single/probe.exe" && [ -f "$apps/Single/setup.exe" ] &&
    pass "a setup named after its own file installs that file" || { fail "the single file named probe.exe:"; ls "$apps/Single"; }
(cd "$work" && wine 'C:\Apps\Single\setup.exe' UNINSTALL /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
wait_for "$apps/Single" 30 gone || fail "the single file's install is left"

rm -rf "$apps" "$WINEPREFIX/drive_c/Probe Default"
[ $failures -eq 0 ] && echo "upgrade: all cases pass"
exit $((failures > 0))
