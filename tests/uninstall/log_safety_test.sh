#!/bin/bash
# The uninstall removes only what its own installation made, as an
# adversarial user would try it: another program's log in the destination,
# an edited log, a log with nothing of ours, a removal killed half-way, a
# missing log; and the unattended command lines that must end at once.
#   log_safety_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

fresh_source_folder
c="$WINEPREFIX/drive_c"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
rm -rf "$c/OtherApp" "$c/Safe" "$c/Victim" "$c/VictimEmpty" "$c/Corvane" "$c/keep-root.txt"
rm -f "$c/windows/TNIMBO.INI"
temp_u="$(wine_temp_dir)"
setup() { (cd "$work/source" && timeout 120 wine setup.exe "$@" >>"$work/setup.out" 2>&1 </dev/null); }
# The registered command, as an administrator's script runs it.
uninstall() { (cd "$work" && timeout 120 wine "$@" >>"$work/uninstall.out" 2>&1 </dev/null); }
registered() { wine reg query "$key" /v "$1" 2>/dev/null </dev/null | grep -a "$1" | sed 's/.*REG_[A-Z_]*[[:space:]]*//' | tr -d '\r'; }
payload_count=$(ls "$build/payload" | wc -l)

# --- Another program's log in the destination is neither merged nor lost.
mkdir -p "$c/OtherApp"
printf 'theirs\n' >"$c/OtherApp/important.dll"
printf '[Created Dirs]\r\nC:\\OtherApp\\=\r\n[Files]\r\nC:\\OtherApp\\important.dll=\r\n[Language]\r\nLanguage=English\r\n' \
    >"$c/OtherApp/INSTALL.LOG"
cp "$c/OtherApp/INSTALL.LOG" "$work/other.log"
setup /VERYSILENT '/DIR=C:\OtherApp' "/LOG=$(winpath "$work/other-run.log")"
rc=$?
[ $rc -eq 0 ] && pass "an install beside another program's log ends with 0" || fail "it ended with $rc"
cmp -s "$c/OtherApp/INSTALL.LOG" "$work/other.log" && pass "the other program's log is kept as it was" \
    || fail "the other program's log was changed"
[ -f "$c/OtherApp/INSTALL-1.LOG" ] && ! grep -qi 'important.dll' "$c/OtherApp/INSTALL-1.LOG" \
    && pass "ours is written beside it, without the other's entries" || fail "no separate log of ours"
grep -q 'INSTALL-1.LOG' "$work/other-run.log" && pass "the run's log says so" || fail "the run's log does not say so"
[ "$(registered QuietUninstallString)" = 'C:\OtherApp\setup.exe UNINSTALL /VERYSILENT' ] \
    && pass "the quiet uninstall command is registered" || fail "QuietUninstallString: $(registered QuietUninstallString)"
[ "$(registered InstallLocation)" = 'C:\OtherApp\' ] && [ "$(registered DisplayIcon)" = 'C:\OtherApp\setup.exe' ] \
    && pass "the location and the icon are registered" || fail "InstallLocation/DisplayIcon are missing"
size="$(registered EstimatedSize)"
[ -n "$size" ] && [ $((size)) -gt 0 ] && pass "the estimated size is registered ($((size)) KB)" \
    || fail "EstimatedSize is '$size'"
uninstall 'C:\OtherApp\setup.exe' UNINSTALL /VERYSILENT
rc=$?
[ $rc -eq 0 ] && pass "the quiet uninstall ends with 0" || fail "the quiet uninstall ended with $rc"
wait_for "$c/OtherApp/setup.exe" 30 gone
[ "$(cat "$c/OtherApp/important.dll" 2>/dev/null)" = theirs ] && cmp -s "$c/OtherApp/INSTALL.LOG" "$work/other.log" \
    && pass "the other program's files and log are intact" || fail "the other program lost files"
[ -z "$(ls "$c/OtherApp" | grep -vix -e important.dll -e install.log)" ] && pass "ours are gone" \
    || { fail "left in C:\\OtherApp:"; ls "$c/OtherApp"; }

# --- An edited log: entries outside the installation are skipped and
# listed, the rest goes, the user is told the log was changed.
mkdir -p "$c/Victim" "$c/VictimEmpty"
printf 'mine\n' >"$c/Victim/keep.txt"
printf 'mine\n' >"$c/Victim/keep2.txt"
printf 'mine\n' >"$c/keep-root.txt"
printf 'mine\n' >"$temp_u/keep-rel.txt"
cp "$c/windows/win.ini" "$work/win.ini" 2>/dev/null
setup /VERYSILENT '/DIR=C:\Safe\App'
log="$c/Safe/App/INSTALL.LOG"
[ -f "$log" ] && grep -q '^\[Nimbo Setup\]' "$log" && pass "the log carries its seal" || fail "no sealed log"
# Into the sections the uninstall reads, as an editor would add them.
awk '{ print }
    /^\[Files\]/ { printf "C:\\windows\\win.ini=\r\nC:\\keep-root.txt=\r\nC:\\Safe\\App\\..\\..\\Victim\\keep2.txt=\r\n"
                   printf "C:\\Victim\\keep.txt=\r\nkeep-rel.txt=\r\n" }
    /^\[Created Dirs\]/ { printf "C:\\VictimEmpty\\=\r\n" }' "$log" >"$work/edited.ini" && cp "$work/edited.ini" "$log"
grep -qi 'VictimEmpty' "$log" && grep -qi 'keep-root' "$log" || fail "the log could not be edited"
uninstall 'C:\Safe\App\setup.exe' UNINSTALL /VERYSILENT "/LOG=$(winpath "$work/edited.log")"
rc=$?
[ $rc -eq 0 ] && pass "the uninstall of an edited log ends with 0" || fail "it ended with $rc"
ok=1
for f in "$c/Victim/keep.txt" "$c/Victim/keep2.txt" "$c/keep-root.txt" "$temp_u/keep-rel.txt"; do
    [ -f "$f" ] || { ok=0; fail "deleted: $f"; }
done
[ -d "$c/VictimEmpty" ] || { ok=0; fail "the user's empty folder was removed"; }
[ ! -f "$work/win.ini" ] || cmp -s "$c/windows/win.ini" "$work/win.ini" || { ok=0; fail "win.ini was touched"; }
[ $ok -eq 1 ] && pass "nothing outside the installation was removed"
grep -q 'only files inside C:\\Safe\\App\\ will be removed' "$work/edited.log" \
    && grep -q 'Skipped, outside the installation: C:\\Victim\\keep.txt' "$work/edited.log" \
    && pass "the run's log tells of the change and lists what it skipped" || { fail "the run's log:"; cat "$work/edited.log"; }
grep -q '^Page: Welcome' "$work/edited.log" && fail "the waiting caller ran the install pages" \
    || pass "the waiting caller ran no page of its own"
wait_for "$c/Safe/App" 30 gone && pass "the installation itself is gone" || { fail "left:"; ls -R "$c/Safe"; }
# The made folder goes last, after its content: wait for it too.
wait_for "$c/Safe" 30 gone && pass "with the folder made for it" || fail "C:\\Safe is left"

# --- A log with nothing inside the installation is refused: exit 3,
# nothing removed, the registration kept for another try.
setup /VERYSILENT '/DIR=C:\Safe\App'
printf '[Files]\r\nC:\\Victim\\keep.txt=\r\n[Language]\r\nLanguage=English\r\n' >"$c/Safe/App/INSTALL.LOG"
uninstall 'C:\Safe\App\setup.exe' UNINSTALL /VERYSILENT "/LOG=$(winpath "$work/outside.log")"
rc=$?
[ $rc -eq 3 ] && pass "a log with nothing of ours is refused with 3" || fail "it ended with $rc"
[ -f "$c/Victim/keep.txt" ] && [ -f "$c/Safe/App/order.txt" ] && [ -n "$(registered UnInstallString)" ] \
    && pass "nothing was removed, the registration stays" || fail "something was removed"
grep -q 'lists nothing inside' "$work/outside.log" && pass "the run's log says why" || fail "no reason given"

# --- A missing log is a failure, not success.
rm -f "$c/Safe/App/INSTALL.LOG"
uninstall 'C:\Safe\App\setup.exe' UNINSTALL /VERYSILENT
rc=$?
[ $rc -eq 3 ] && [ -f "$c/Safe/App/order.txt" ] && [ -n "$(registered UnInstallString)" ] \
    && pass "a missing log ends with 3 and removes nothing" || fail "a missing log ended with $rc"

# --- Killed on the uninstall page: the log is still there, and the
# registered command removes everything afterwards.
wine reg delete "$key" /f >/dev/null 2>&1 </dev/null
rm -rf "$c/Safe"
setup /VERYSILENT '/DIR=C:\Safe\App'
(cd "$work" && wine 'C:\Safe\App\setup.exe' UNINSTALL >>"$work/uninstall.out" 2>&1 </dev/null) &
uninstaller=$!
robot 'set timeout 60' 'wait text meUNIIntent contains "This UnInstall will attempt"' \
    || fail "the uninstall page did not show"
wineserver -k >/dev/null 2>&1
wait $uninstaller
wineserver -p >/dev/null 2>&1 </dev/null || true
[ -f "$c/Safe/App/INSTALL.LOG" ] && [ -f "$c/Safe/App/order.txt" ] && pass "killed on its page, the uninstall left the log" \
    || fail "the log is gone after a kill"
rm -f "$c/windows/TNIMBO.INI"
uninstall 'C:\Safe\App\setup.exe' UNINSTALL /VERYSILENT
rc=$?
[ $rc -eq 0 ] && wait_for "$c/Safe" 30 gone && pass "run again, it removes everything" || fail "the second uninstall ended with $rc"

# --- The waiting caller only waits: the default destination is not
# installed to while the removal runs.
[ ! -e "$c/Corvane" ] && pass "no install ran beside the quiet uninstalls" || { fail "C:\\Corvane was made"; ls "$c/Corvane"; }

# --- Command lines an unattended run cannot go on with end at once with 1.
for args in '/DIR=Q:\x' '/DIR=C:\' '/DIR=C:\Safe\A /DIR=C:\Safe\B' "/LOG=C:\\no\\such\\folder\\x.log"; do
    # shellcheck disable=SC2086
    setup /VERYSILENT $args
    rc=$?
    [ $rc -eq 1 ] && pass "$args ends with 1" || fail "$args ended with $rc"
done
[ ! -e "$c/Safe" ] && [ -z "$(ls "$c" | grep -ix -e setup.exe -e install.log)" ] && pass "and installs nothing" \
    || fail "something was installed"

rm -rf "$c/OtherApp" "$c/Safe" "$c/Victim" "$c/VictimEmpty" "$c/keep-root.txt" "$temp_u/keep-rel.txt"
wine reg delete "$key" /f >/dev/null 2>&1 </dev/null
echo "$failures failure(s)"
[ $failures -eq 0 ]
