#!/bin/bash
# A very silent install and uninstall under a window manager (openbox), in a
# prefix and on a display of their own, watched as a person would see the
# screen: no window of any program shows, from the start of setup.exe until
# ten seconds after it has ended (the shell opens folder windows late). The
# Start menu group and its links are made, and removed again.
#   very_silent_windows_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"
trap '"$root/scripts/wine-env.sh" stop' EXIT

fresh_source_folder
app="$WINEPREFIX/drive_c/ARP Test"
# Unattended and machine-wide: the group goes to everybody's Start menu.
programs="$(start_menu_programs common)"
[ -d "$programs" ] || { echo "cannot find the Start menu's program folder"; exit 1; }
group="$programs/Corvane Linker"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker'
rm -rf "$app" "$group"
rm -f "$WINEPREFIX/drive_c/windows/TNIMBO.INI"
wine reg delete "$key" /f >/dev/null 2>&1 </dev/null

# The top-level windows of the display that can be seen (a window manager's
# frame, or a window of its own), one a line: id, name, geometry.
shown_windows() {
    xwininfo -root -children | grep '^     0x' | while read -r id rest; do
        xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && echo "$id $rest"
    done
}
# Runs a Windows command and watches the screen until ten seconds after it
# has ended; every window that showed meanwhile goes to $1.
watch_run() {
    local seen="$1" known end=0 id rest run
    shift
    known=" $(shown_windows | cut -d' ' -f1 | tr '\n' ' ') "
    : >"$seen"
    (cd "$work" && wine "$@" >>"$work/setup.out" 2>&1 </dev/null; echo $? >"$seen.rc") &
    run=$!
    while :; do
        while read -r id rest; do
            case "$known" in *" $id "*) continue ;; esac
            known="$known$id "
            echo "$id $rest" >>"$seen"
        done < <(shown_windows)
        if [ $end -eq 0 ] && [ -s "$seen.rc" ]; then end=$(($(date +%s%3N) + 10000)); fi
        [ $end -ne 0 ] && [ "$(date +%s%3N)" -ge $end ] && break
        sleep 0.1
    done
    wait $run
    return "$(cat "$seen.rc")"
}

watch_run "$work/install.windows" "$work/source/setup.exe" /VERYSILENT '/DIR=C:\ARP Test'
rc=$?
[ $rc -eq 0 ] && pass "the very silent install ends with 0" || fail "the very silent install ended with $rc"
[ ! -s "$work/install.windows" ] && pass "no window showed during the install and ten seconds after" \
    || { fail "windows showed during the install:"; cat "$work/install.windows"; }
[ -f "$app/corvane.exe" ] && pass "the application is installed" || fail "nothing in C:\\ARP Test"
[ -f "$group/Corvane Linker.lnk" ] && [ -f "$group/order.txt.lnk" ] && [ -f "$group/ReadMe.txt.lnk" ] \
    && pass "the Start menu group has its links" || fail "the Start menu group: $(ls "$group" 2>&1)"

wine reg query "$key" /v UnInstallString >"$work/reg.txt" 2>&1 </dev/null
command="$(grep -a UnInstallString "$work/reg.txt" | sed 's/.*REG_SZ[[:space:]]*//' | tr -d '\r')"
[ "$command" = '"C:\ARP Test\setup.exe" UNINSTALL' ] && pass "the registration names the placed program" \
    || fail "UnInstallString is '$command'"
watch_run "$work/uninstall.windows" 'C:\ARP Test\setup.exe' UNINSTALL /VERYSILENT
rc=$?
[ $rc -eq 0 ] && pass "the very silent uninstall ends with 0" || fail "the very silent uninstall ended with $rc"
[ ! -s "$work/uninstall.windows" ] && pass "no window showed during the uninstall and ten seconds after" \
    || { fail "windows showed during the uninstall:"; cat "$work/uninstall.windows"; }
[ ! -e "$group" ] && pass "the Start menu group is gone" || fail "the Start menu group is left: $(ls "$group")"
wait_for "$app" 20 gone && pass "the installation is gone" || fail "left: $(ls "$app")"

echo "$failures failure(s)"
[ $failures -eq 0 ]
