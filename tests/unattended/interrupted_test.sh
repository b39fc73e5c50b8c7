#!/bin/bash
# A run replacing an older install (with a 200 MiB file and a file of the
# user's beside it) that is killed or cancelled at any point leaves the
# folder as it was: killed as it sets the first file aside, in the middle
# of the big file, and as the big file takes its place, each undone by the
# next start; and cancelled in the middle of the big file by a form that
# rolls a cancelled run back. (A kill after the copy is tried by the
# rollback runs' test, on the program groups page.) Each point is reached
# by watching the folder and freezing the setup at the first change of
# that kind.
#   interrupted_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work/payload"
cp "$build/payload/"* "$work/payload/"
head -c 200M /dev/urandom >"$work/payload/big.bin"
# The shipped form, rolling a cancelled run back and replacing files
# without asking.
sed -e 's/^    Language = .English.$/&\n    RollBackOnCancel = True/' -e 's/OverWrite = swAsk/OverWrite = swAlways/' \
    "$root/src/app/nimbo_form.nfm" >"$work/form.nfm"
grep -q 'RollBackOnCancel = True' "$work/form.nfm" && grep -q 'OverWrite = swAlways' "$work/form.nfm" \
    || { fail "the form was not changed"; exit 1; }
build_setup_folder "$work/form.nfm" "$work/payload" "$work/setup"
rm -f "$work/payload/big.bin"
apps="$WINEPREFIX/drive_c/Points"
dir="$apps/App"
journals="$WINEPREFIX/drive_c/windows/Nimbo Setup"
rm -rf "$apps" "$(start_menu_programs user)/Corvane Linker" "$(start_menu_programs common)/Corvane Linker"
setup() { (cd "$work/setup" && wine setup.exe "$@" >>"$work/setup.out" 2>&1 </dev/null); }

# --- The older install: every file older, and the user's own beside them.
setup /VERYSILENT '/DIR=C:\Points\App' || { fail "the first install"; exit 1; }
for f in $(ls "$dir"); do
    case "$f" in INSTALL.LOG | setup.exe | TNLANG32.DLL) continue ;; esac
    printf 'the older %s\n' "$f" >"$dir/$f"
    touch -d '2001-02-03 04:05:06' "$dir/$f"
done
printf 'my notes\n' >"$dir/mine.txt"
before="$(snapshot "$dir")"

# Starts the setup over the older install, waits with $1 for the point,
# freezes the setup there, runs $2 while it is frozen, then kills it.
kill_at() {
    local until="$1" check="$2" runner
    setup /VERYSILENT '/DIR=C:\Points\App' &
    runner=$!
    eval "$until" || fail "the point was not reached"
    signal_setups STOP
    eval "$check"
    signal_setups KILL
    wait $runner 2>/dev/null
}
# The next start undoes the killed run, then installs elsewhere.
undone_by_next_start() {
    local what="$1"
    ! no_journal || fail "$what: the killed run left no journal"
    rm -rf "$apps/Next"
    setup /VERYSILENT '/DIR=C:\Points\Next'
    local rc=$?
    [ $rc -eq 0 ] && [ -f "$apps/Next/INSTALL.LOG" ] || fail "$what: the next start ended with $rc"
    local after
    after="$(snapshot "$dir")"
    [ "$before" = "$after" ] && pass "$what: undone by the next start, every file as it was" \
        || { fail "$what: the folder changed:"; diff <(echo "$before") <(echo "$after"); }
    no_journal || fail "$what: a journal is left: $(ls "$journals")"
    (cd "$work" && wine 'C:\Points\Next\setup.exe' UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
}

watch_folder moved_to '~nimbo-.*\.old$' "$dir"
kill_at 'wait $watcher' '[ -n "$(ls "$dir" | grep "\.old$")" ] || fail "frozen, but nothing is set aside"'
undone_by_next_start "killed at the first file set aside"

# The other files are smaller than 1 MiB: the big one is being written.
kill_at 'big_copy_under_way "$dir"' '[ -z "$(find "$dir" -maxdepth 1 -name big.bin -size +199M)" ] || fail "big.bin was in place"'
undone_by_next_start "killed in the middle of the 200 MiB file"

watch_folder moved_to 'big\.bin$' "$dir"
kill_at 'wait $watcher' '[ -n "$(find "$dir" -maxdepth 1 -name big.bin -size +199M)" ] || fail "big.bin was not in place"'
undone_by_next_start "killed as the 200 MiB file takes the old one's place"

# --- Cancelled in the middle of the big file: frozen there, Cancel
# clicked, let go; the form rolls the run back.
(cd "$work/setup" && wine setup.exe '/DIR=C:\Points\App' >"$work/attended.out" 2>&1 </dev/null) &
attended=$!
robot 'set timeout 60' 'wait window NimboPagesForm' 'within NimboPagesForm' \
    'wait text meMSGIntent contains "Welcome"' 'click btnNext' 'wait text meCDLIntent contains "Select a directory"' \
    'click btnNext' 'wait text meMSGIntent contains "now be copied"' 'click btnNext' || fail "the attended run did not start its copy"
big_copy_under_way "$dir" || fail "the copy of the big file was not seen"
signal_setups STOP
# Posted while the setup is frozen (finding the button asks nothing of
# it), so the click waits in its queue for the copy to let messages in.
robot 'click btnCancel in NimboPagesForm' >/dev/null || fail "Cancel could not be clicked"
signal_setups CONT
robot 'set timeout 60' 'answer "Confirmation" "&Yes"' \
    'wait dialog "Information" text contains "Setup was cancelled. Your computer was left as it was before."' \
    'answer "Information" "&OK"' || fail "the cancel was not confirmed or not reported"
# The background's own report of a run that did not complete, if any.
robot 'set timeout 5' 'answer "Information" "&OK"' >/dev/null 2>&1 || true
wait $attended
after="$(snapshot "$dir")"
[ "$before" = "$after" ] && pass "cancelled in the middle of the 200 MiB file: every file as it was" \
    || { fail "cancelled: the folder changed:"; diff <(echo "$before") <(echo "$after"); }
no_journal && pass "no journal is left" || fail "a journal is left: $(ls "$journals")"

(cd "$work" && wine 'C:\Points\App\setup.exe' UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
rm -rf "$apps" "$work"
echo "$failures failure(s)"
[ $failures -eq 0 ]
