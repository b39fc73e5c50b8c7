#!/bin/bash
# A setup built from a script, installed attended in German under a window
# manager (openbox), in a fresh prefix of its own, then removed:
#  - every page speaks German: the language page (caption, prompt, the
#    script's order), the generated pages' standard texts, the author's
#    [Texts German];
#  - the group's items are made, the one with arguments too (the shell
#    refuses its AddItem) and one whose quoted arguments no command can
#    carry, and the page says what it does meanwhile;
#  - no window of Program Manager or of the group shows over the closing box;
#  - the uninstall leaves the user's group as it was and nothing of the
#    setup's own (state folders, TNIMBO.INI);
#  - cancelled on the groups page after the copy, the run is undone and ends 2;
#  - on a drive too small, the run ends with 5 and leaves no log.
#   attended_script_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
# Fresh: the shell has never run, as on a new machine.
"$root/scripts/wine-env.sh" stop
case "${NIMBO_WINEPREFIX:-}" in *-attended) rm -rf "$NIMBO_WINEPREFIX" ;; esac
source "$root/tests/support/test_lib.sh" wine "$1" "$2"
small="$work/small"
drive="$WINEPREFIX/dosdevices/t:"
cleanup() {
    rm -f "$drive"
    mountpoint -q "$small" && umount "$small"
    "$root/scripts/wine-env.sh" stop
}
trap cleanup EXIT

rm -rf "$work"
mkdir -p "$work/payload"
cp "$build/payload/corvane.exe" "$work/payload/hello.exe"
echo "Read me." >"$work/payload/readme.txt"
cat >"$work/setup.nss" <<'EOF'
[Setup]
Name = Corvane Hello
Destination = C:\Corvane Hello
Group = Corvane Hello
Languages = German, English, French
[Items]
Corvane Hello = hello.exe /greet
Read Me = readme.txt
Show Read Me = hello.exe "read me.txt" (1)
[Texts German]
Ready = Jetzt wird Corvane Hello kopiert.
EOF
build_setup_folder "$work/setup.nss" "$work/payload" "$work/setup"
windows="$WINEPREFIX/drive_c/windows"
app="$WINEPREFIX/drive_c/Corvane Hello"
programs="$(start_menu_programs user)"
group="$programs/Corvane Hello"
mkdir -p "$group"
echo "the user's own" >"$group/mine.txt"

# Attended, through every page; the steps after the language page are $@.
run_setup() {
    (cd "$work/setup" && wine setup.exe "${extra[@]}" >"$work/setup.out" 2>&1 </dev/null; echo $? >"$work/setup.rc") &
    local run=$! rc
    robot 'set timeout 30' 'within NimboPagesForm' 'wait text NimboPagesForm contains "Sprache"' \
        'assert text rdgLSLanguage contains "Bitte w"' 'assert checked "Deutsch"' 'dump' 'click btnNext' "$@" \
        || { fail "the robot: ${extra[*]}"; wineserver -k; }
    # The language page's list, as the dump shows its buttons.
    order="$(grep -aoE '\((Button)\) "(Deutsch|English|Fran)' "$work/robot.log" | head -3 | cut -d'"' -f2 | tr '\n' ' ')"
    [ "$order" = "Deutsch English Fran " ] && pass "the languages in the script's order" || fail "languages: $order"
    wait $run
}

ae=$'\xe4'   # the scenario's text is in the program's code page
mkdir -p "$app"   # no question about making it: the German dialogs are seen below
extra=()
run_setup 'wait text NimboPagesForm equals "Willkommen"' \
    'assert text meMSGIntent contains "Willkommen beim Setup von Corvane Hello."' 'click btnNext' \
    "wait text meCDLIntent contains \"W${ae}hlen Sie ein Verzeichnis f\"" 'click btnNext' \
    'wait text meMSGIntent contains "Jetzt wird Corvane Hello kopiert."' \
    'assert text NimboPagesForm equals "Bereit zum Kopieren der Dateien"' 'click btnNext' \
    'wait text cbCWGGroups equals "Corvane Hello" timeout=120' 'click btnNext' \
    'wait text meCWGActions contains "Corvane Hello wird im Startmen" timeout=1' 'within any' \
    'wait dialog "Information" text equals "Die Installation wurde erfolgreich abgeschlossen."' \
    'assert focused "&OK" in "Information"' 'assert gone "Program Manager"' 'assert gone "Corvane Hello"' \
    'answer "Information" "&OK"'
for item in "Corvane Hello" "Read Me" "Show Read Me"; do
    [ -f "$group/$item.lnk" ] && pass "the item $item is made" || fail "no item $item: $(ls "$group")"
done
tr -d '\0' <"$group/Corvane Hello.lnk" | grep -q '/greet' && pass "its link starts the program with /greet" \
    || fail "the link has no arguments"
# Quotes and brackets, which no Program Manager command carries.
tr -d '\0' <"$group/Show Read Me.lnk" | grep -qF '"read me.txt" (1)' && pass "a link keeps quoted arguments" \
    || fail "the quoted arguments are lost"

# The uninstall as Add/Remove Programs starts it.
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Hello'
wine reg query "$key" /v UnInstallString >"$work/reg.txt" 2>&1 </dev/null
command="$(grep -a UnInstallString "$work/reg.txt" | sed 's/.*REG_SZ[[:space:]]*//' | tr -d '\r')"
[ "$command" = '"C:\Corvane Hello\setup.exe" UNINSTALL' ] || fail "UnInstallString is '$command'"
(cd "$work" && wine 'C:\Corvane Hello\setup.exe' UNINSTALL >"$work/uninstall.out" 2>&1 </dev/null) &
run=$!
robot 'set timeout 60' 'wait text meUNIIntent contains "Corvane Hello"' 'click btnNext in NimboPagesForm' \
    'answer "Information" "&OK"' || fail "the uninstall"
wait $run
# The folder was there before: it stays, empty.
for _ in $(seq 1 100); do [ -z "$(ls -A "$app")" ] && break; sleep 0.2; done
[ -z "$(ls -A "$app")" ] && pass "the application is removed" || fail "left: $(ls "$app")"
[ "$(ls -A "$group")" = mine.txt ] && pass "the user's group keeps only what it held" \
    || fail "the user's group holds: $(ls -A "$group")"
left="$(find "$windows" "$WINEPREFIX/drive_c/users" -maxdepth 5 \( -iname 'Nimbo Setup' -o -iname TNIMBO.INI \))"
[ -z "$left" ] && pass "nothing of the setup's own is left" || fail "left: $left"

# Cancelled after the copy, on the groups page: a script's setup undoes the
# run (the folder, there before, stays empty), registers nothing and ends 2.
extra=("/LOG=$(winpath "$work/cancel.log")")
run_setup 'wait text NimboPagesForm equals "Willkommen"' 'click btnNext' \
    "wait text meCDLIntent contains \"W${ae}hlen Sie ein Verzeichnis f\"" 'click btnNext' \
    'wait text meMSGIntent contains "Jetzt wird Corvane Hello kopiert."' 'click btnNext' \
    'wait text cbCWGGroups equals "Corvane Hello" timeout=120' 'click btnCancel' 'within any' \
    "answer \"Best${ae}tigung\" \"&Ja\"" 'wait dialog "Information" text contains "Das Setup wurde abgebrochen."' \
    'answer "Information" "&OK"'
rc="$(cat "$work/setup.rc" 2>/dev/null)"
[ "$rc" = 2 ] && [ -z "$(ls -A "$app")" ] && ! wine reg query "$key" >/dev/null 2>&1 </dev/null &&
    [ "$(ls -A "$group")" = mine.txt ] && pass "cancelled after the copy: undone, nothing registered, exit 2" ||
    fail "cancelled (exit $rc): $(ls -A "$app"; grep -a Undone "$work/cancel.log" | head -3)"

# Too small a drive from the start: the run ends with 5 and leaves no log.
mkdir -p "$small"
mount -t tmpfs -o size=300k nimbo-attended "$small" || { fail "cannot mount a small tmpfs"; exit 1; }
ln -s "$small" "$drive"
extra=('/DIR=T:\Hello' "/LOG=$(winpath "$work/small.log")")
run_setup 'wait text NimboPagesForm equals "Willkommen"' 'click btnNext' 'wait text laCDLDirectory contains "T:\\Hello"' \
    'click btnNext' 'within any' "answer \"Best${ae}tigung\" \"&Ja\"" 'within NimboPagesForm' \
    'wait text meMSGIntent contains "Jetzt wird"' 'click btnNext' 'within any' 'answer "Warnung" "&OK"' \
    'click btnCancel in NimboPagesForm' "answer \"Best${ae}tigung\" \"&Ja\"" \
    'wait dialog "Information" text equals "Die Installation ist fehlgeschlagen."' 'answer "Information" "&OK"'
rc="$(cat "$work/setup.rc" 2>/dev/null)"
[ "$rc" = 5 ] && pass "too small: the run ends with 5" || fail "too small: the run ended with $rc"
[ -z "$(cd "$small" && find . -mindepth 1)" ] && pass "too small: nothing is left on the drive, no log" \
    || fail "too small: left on the drive: $(cd "$small" && find . -mindepth 1)"
[ "$(tail -1 "$work/small.log" | tr -d '\r')" != "Done." ] && pass "too small: the run's log does not end with Done." \
    || fail "too small: the run's log ends with Done."

echo "$failures failure(s)"
[ $failures -eq 0 ]
