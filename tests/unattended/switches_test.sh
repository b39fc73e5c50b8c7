#!/bin/bash
# The command line as deployment tools drive a setup, against one built from
# a script with install types and options: the administrators' usual line
# installs exactly what the type and options name and leaves a log with a
# header, a time on every line and a line per file; each switch works alone;
# unknown switches and names end with 1, the reason logged, nothing changed;
# the usage box shows its lines as they are made.
#   switches_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work/in/help" "$work/in/samples" "$work/in/tips"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\SwitchProbe'
target="$WINEPREFIX/drive_c/Switch Probe"
elsewhere="$WINEPREFIX/drive_c/Probe Elsewhere"
programs="$(start_menu_programs common)"
cat >"$work/probe.nss" <<'EOF'
[Setup]
Name = Switch Probe
AppId = SwitchProbe
Version = 1.2
Publisher = Probe Makers
Destination = C:\Switch Probe
[Files]
writer.exe, readme.txt -> Install
help\* -> Help
samples\* -> Samples
tips\* -> Tips
[Directories]
Help = Install\Help
Samples = Install\Samples
Tips = Install\Tips
[Type Complete]
Select = writer.exe, Help
[Type Compact]
Select = writer.exe
[Option Samples]
Select = Samples
[Option Tips]
Select = Tips
[Items]
Switch Probe = writer.exe
EOF
for f in writer.exe readme.txt help/writer.hlp samples/letter.txt tips/tip.txt; do echo "$f" >"$work/in/$f"; done
build_setup_folder "$work/probe.nss" "$work/in" "$work/out"

reset() {
    rm -rf "$target" "$elsewhere" "$programs/Switch Probe" "$programs/Probe Tools"
    wine reg delete "$key" /f >/dev/null 2>&1 </dev/null
}
run() { (cd "$work/out" && wine setup.exe "$@" >>"$work/setup.out" 2>&1 </dev/null); }
# The installed files below $1 (the uninstall's own left out), one line.
installed() {
    (cd "$1" 2>/dev/null && find . -type f ! -iname INSTALL.LOG ! -iname setup.exe ! -iname TNLANG32.DLL -printf '%P\n' |
        LC_ALL=C sort | tr '\n' ' ')
}
has() { grep -qF -- "$2" "$1" || { fail "no line with '$2' in $(basename "$1"):"; cat "$1"; return 1; }; }
stamp='[0-9]\{4\}-[0-9][0-9]-[0-9][0-9] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]\.[0-9]\{3\}  '

# --- The administrators' line. A newer file of the user's stays, and says why.
reset
mkdir -p "$target"
echo mine >"$target/readme.txt"
touch -d '2030-01-01' "$target/readme.txt"
log="$work/admin.log"
run /VERYSILENT /SUPPRESSMSGBOXES /NORESTART "/LOG=$(winpath "$log")" /TYPE=Compact /OPTIONS=Samples,Tips
rc=$?
[ $rc -eq 0 ] && [ "$(installed "$target")" = "Samples/letter.txt Tips/tip.txt readme.txt writer.exe " ] &&
    pass "the admin line installs the type and the options it names" ||
    fail "the admin line (exit $rc) installed: $(installed "$target")"
[ -z "$(grep -v $'^\r$' "$log" | grep -v "^$stamp")" ] && pass "every line of the log has its time" ||
    { fail "lines without a time:"; grep -v "^$stamp" "$log"; }
has "$log" '==== Setup started: ' && has "$log" 'Command line: ' && has "$log" '/TYPE=Compact /OPTIONS=Samples,Tips' &&
    has "$log" '  User: ' && has "$log" '  Windows: ' && has "$log" 'Installing for all users.' &&
    has "$log" 'Product: Switch Probe, version 1.2, AppId SwitchProbe, by Probe Makers' &&
    pass "the log's header names the command line, user, Windows, product and scope"
has "$log" 'Install type chosen: Compact' && has "$log" 'Options chosen: Samples, Tips' &&
    has "$log" 'Copied: C:\Switch Probe\writer.exe' && has "$log" 'Copied: C:\Switch Probe\Tips\tip.txt' &&
    has "$log" 'Kept: C:\Switch Probe\readme.txt (it is as new as the setup' &&
    has "$log" 'UnInstall\SwitchProbe\DisplayVersion = "1.2"' && has "$log" 'Program group made: ' &&
    has "$log" 'Program item made: Switch Probe' && has "$log" '  Done.' &&
    tail -1 "$log" | grep -q '  Exit code 0: done\.' && pass "the log names the choices, each file, value and link"

# The other type and no option, appended to the same log as a run of its own.
reset
run -verysilent "-log=$(winpath "$log")" -type=complete -OPTIONS=
rc=$?
[ $rc -eq 0 ] && [ "$(installed "$target")" = "Help/writer.hlp readme.txt writer.exe " ] &&
    pass "the other type without options installs its files" || fail "(exit $rc) installed: $(installed "$target")"
[ "$(grep -c '==== Setup started' "$log")" -eq 2 ] && grep -q $'^\r$' "$log" && has "$log" 'Options chosen: none' &&
    pass "a second run appends a section of its own"

# --- Each switch alone (unattended, where it needs no window).
alone=(/NORESTART /RESTARTEXITCODE=3010 /NOICONS '/GROUP=Probe Tools' /TYPE=Compact /OPTIONS=Tips /COMPONENTS=Samples
    /TASKS= /LANG=English '/DIR=C:\Probe Elsewhere' /ALLOWDOWNGRADE /LOG)
expect=("" "" "" "" "readme.txt writer.exe " "Help/writer.hlp Tips/tip.txt readme.txt writer.exe "
    "Help/writer.hlp Samples/letter.txt readme.txt writer.exe " "" "" "" "" "")
temp="$(wine_temp_dir)"
rm -f "$temp"/Switch\ Probe\ setup\ log\ *.log
for i in "${!alone[@]}"; do
    reset
    run -VERYSILENT "${alone[$i]}"
    rc=$?
    where="$target"
    [[ "${alone[$i]}" == /DIR=* ]] && where="$elsewhere"
    files="$(installed "$where")"
    [ $rc -eq 0 ] && [ "$files" = "${expect[$i]:-Help/writer.hlp readme.txt writer.exe }" ] ||
        { fail "${alone[$i]}: exit $rc, installed: $files"; continue; }
    case "${alone[$i]}" in
    /NOICONS) [ ! -e "$programs/Switch Probe" ] || fail "/NOICONS made the group" ;;
    /GROUP=*) ls "$programs/Probe Tools/"*.lnk >/dev/null 2>&1 && [ ! -e "$programs/Switch Probe" ] ||
        fail "/GROUP made no group 'Probe Tools'" ;;
    /LOG) ls "$temp"/Switch\ Probe\ setup\ log\ *.log >/dev/null 2>&1 || fail "/LOG alone wrote no log in $temp" ;;
    esac
done
pass "each switch alone: ${alone[*]}"

# Attended: Cancel is not offered; a refused name shows no box with /SUPPRESSMSGBOXES.
reset
run /NOCANCEL &
app=$!
robot 'set timeout 30' 'within NimboPagesForm' 'wait visible btnNext' 'assert hidden btnCancel' 'close NimboPagesForm' \
    'sleep 1' 'assert window NimboPagesForm' >/dev/null && pass "/NOCANCEL: no Cancel, the close box does nothing" ||
    fail "/NOCANCEL"
signal_setups KILL
wait $app
run /SUPPRESSMSGBOXES /TYPE=Bogus &
app=$!
for _ in $(seq 1 200); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
kill -0 $app 2>/dev/null && { fail "/SUPPRESSMSGBOXES: the refused run waits (for a box?)"; signal_setups KILL; }
wait $app
rc=$?
[ $rc -eq 1 ] && pass "/SUPPRESSMSGBOXES: a refused name ends with 1 without a box" || fail "it ended with $rc"

# --- Refused: exit 1, the reason logged, nothing changed.
reset
refused=(/TYPE=Bogus /OPTIONS=Samples,Nope /TASKS=desktopicon '/GROUP=..\..\Startup' /BOGUS /NORESTART=1
    /RESTARTEXITCODE=soon 'relative\place')
reasons=('Unknown install type "Bogus". The install types of this setup: Complete, Compact.'
    'Unknown option "Nope". The options of this setup: Samples, Tips.' 'Unknown task "desktopicon"'
    'Bad command line: ' 'Bad command line: Unknown argument: /BOGUS' '/NORESTART takes no value'
    '/RESTARTEXITCODE needs a number' 'is not a full path')
for i in "${!refused[@]}"; do
    log="$work/refused$i.log"
    arg="${refused[$i]}"
    [ "$arg" = 'relative\place' ] && arg="/DIR=$arg"
    run /VERYSILENT "$arg" "/LOG=$(winpath "$log")"
    rc=$?
    [ $rc -eq 1 ] && has "$log" "${reasons[$i]}" && ! grep -q '  Done\.' "$log" &&
        tail -1 "$log" | grep -q '  Exit code 1: bad command line\.' || fail "$arg: exit $rc"
done
[ ! -e "$target" ] && ! wine reg query "$key" >/dev/null 2>&1 </dev/null && no_journal &&
    pass "refused: ${refused[*]}; nothing changed" || fail "a refused run changed something"

# --- The usage box shows each of its lines as one line.
for args in "/?:Information:0" "/BOGUS:Error:1"; do
    IFS=: read -r arg box code <<<"$args"
    run "$arg" &
    app=$!
    robot 'set timeout 30' "wait window \"$box\"" "assert unwrapped \"$box\"" "assert layout \"$box\"" \
        "answer \"$box\" \"OK\"" >/dev/null && pass "$arg: the usage box breaks no line" ||
        { fail "$arg: the usage box"; signal_setups KILL; }
    wait $app
    rc=$?
    [ $rc -eq "$code" ] || fail "$arg ended with $rc"
done

reset
echo "$failures failure(s)"
[ $failures -eq 0 ]
