#!/bin/bash
# The shipped setup's program group under a window manager (openbox), in a
# prefix of its own: installed and removed twice, as a person would.
#  1. Names that would run Program Manager commands of their own are refused
#     on the page; the user's group "Victim" keeps its file, no group "Y"
#     appears; no folder window of the new group is left after the setup,
#     nor after the registered uninstall, driven by Enter alone (its closing
#     box has the focus); the group goes with the uninstall.
#  2. "Corvane Linker." onto the user's own group "Corvane Linker" is not
#     recorded as a group this installation made: after the uninstall the
#     group and the user's file in it are still there, the links are gone.
#   groups_window_manager_test.sh <win32 build dir> <work dir>
set -uo pipefail
build="$1"
work="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$root/scripts/wine-env.sh"
source "$root/tests/support/test_lib.sh"
# The prefix's server, display and window manager end with the test.
trap '"$root/scripts/wine-env.sh" stop' EXIT

rm -rf "$work"
mkdir -p "$work"
programs="$(find "$WINEPREFIX/drive_c/users" -path '*/Start Menu/Programs' -type d | head -1)"
[ -d "$programs" ] || { echo "cannot find the Start menu's program folder"; exit 1; }
group="$programs/Corvane Linker"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
rm -rf "$group" "$programs/Victim" "$programs"/Y* "$programs"/X*
wine reg delete "$key" /f >/dev/null 2>&1 </dev/null
mkdir -p "$programs/Victim"
echo "the user's own" >"$programs/Victim/mine.txt"

# Installs with the groups page's name $1 (work folder $2).
install() {
    NIMBO_GROUP="$1" SCREENS="$work/$2" NIMBO_REMOVE=Corvane \
        "$root/scripts/drive.sh" "$build" "$here/group_names.scn" "$work/$2" >"$work/$2.log" 2>&1
}
# The uninstall as Add/Remove Programs starts it, driven by scenario $1.
uninstall() {
    local command
    wine reg query "$key" /v UnInstallString >"$work/reg.txt" 2>&1 </dev/null
    command="$(grep -a UnInstallString "$work/reg.txt" | sed 's/.*REG_SZ[[:space:]]*//' | tr -d '\r')"
    [ -n "$command" ] || { fail "no uninstall registered"; return 1; }
    (cd "$work" && wine cmd /c "$command" >"$work/uninstall.out" 2>&1 </dev/null) &
    local app=$!
    SCREENS="$work" wine "$build/tools/robot/robot.exe" "$1" >"$work/robot.log" 2>&1 </dev/null
    local rc=$?
    [ $rc -ne 0 ] && cat "$work/robot.log"
    wait $app
    return $rc
}
# Whether the install log has a group entry (group, no item) like $1.
group_entry() { tr -d '\r' <"$WINEPREFIX/drive_c/Corvane/INSTALL.LOG" | grep "$1" >/dev/null; }
# Whether a window of the display (managed or not) is named $1.
window_named() { xwininfo -root -tree | grep -F "\"$1\":" >/dev/null; }

# --- 1. Refused names, a new group, and the keyboard-only uninstall.
install "Corvane Linker" first && pass "hostile names are refused on the page, the default is taken" \
    || { cat "$work/first.log"; fail "the install with hostile names"; }
[ -f "$programs/Victim/mine.txt" ] && pass "the user's group Victim keeps its file" || fail "Victim lost its file"
[ -z "$(ls "$programs" | grep -E '^(Y|X)')" ] && pass "no group of the hostile names" \
    || fail "groups made: $(ls "$programs")"
[ -f "$group/order.txt.lnk" ] && [ -f "$group/Corvane Linker.lnk" ] && pass "the group and its links are there" \
    || fail "no group with links: $(ls "$group" 2>&1)"
window_named "Corvane Linker" && fail "a folder window of the group is left after the setup" \
    || pass "no folder window of the group is left"
group_entry '^[0-9]*=Corvane Linker:~:$' && pass "the log records the group as made" \
    || { fail "the log does not record the new group"; cat "$WINEPREFIX/drive_c/Corvane/INSTALL.LOG"; }
uninstall "$here/uninstall_keys.scn" && pass "the uninstall runs with Enter alone, its closing box in front" \
    || fail "the keyboard-only uninstall"
wait_for "$group" 10 gone && pass "the group goes with the uninstall" || fail "the group is left: $(ls "$group")"
[ -f "$programs/Victim/mine.txt" ] && pass "Victim is still there after the uninstall" || fail "Victim is gone"
window_named "Corvane Linker" && fail "a folder window is left after the uninstall" || true

# --- 2. A name the shell makes the user's own group of.
mkdir -p "$group"
echo "the user's own" >"$group/mine.txt"
install "Corvane Linker." second && pass "a name with a trailing dot is taken" \
    || { cat "$work/second.log"; fail "the install onto the existing group"; }
[ -f "$group/order.txt.lnk" ] && pass "the links went into the existing group" || fail "links: $(ls "$group")"
group_entry '^[0-9]*=Corvane Linker\.*:~:$' \
    && { fail "the user's group is logged as made"; cat "$WINEPREFIX/drive_c/Corvane/INSTALL.LOG"; } \
    || pass "the user's group is not logged as made"
uninstall "$root/tests/e2e/uninstall.scn" && pass "the uninstall runs" || fail "the uninstall"
[ -f "$group/mine.txt" ] && pass "the user's group and file stay" || fail "the user's group is gone"
[ -z "$(ls "$group" 2>/dev/null | grep -i '\.lnk$')" ] && pass "the links are gone" \
    || fail "links left: $(ls "$group")"

rm -rf "$group" "$programs/Victim"
echo "$failures failure(s)"
[ $failures -eq 0 ]
