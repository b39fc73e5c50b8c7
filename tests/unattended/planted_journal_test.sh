#!/bin/bash
# A journal planted where a killed run leaves one changes nothing outside
# what a run of the setup may change. Sealed as the setup seals it, its
# records naming WIN.INI, SYSTEM.INI's shell=, a document and an empty
# folder of the user's, HKLM Run values, the Windows folder and the profile
# as destinations are each refused and logged, and the run goes on (only
# the database engine's WIN.INI value is a machine-wide run's to undo); a
# per-user run refuses its HKLM and Windows folder records, that one too. A
# journal changed after sealing is left as it is and reported, and the run
# ends with 3.
#   planted_journal_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work/payload"
cp "$build/payload/"* "$work/payload/"
# The shipped form, letting /CURRENTUSER choose a per-user run.
sed 's/^    Language = .English.$/&\n    ScopeSwitch = True/' "$root/src/app/nimbo_form.nfm" >"$work/form.nfm"
grep -q 'ScopeSwitch = True' "$work/form.nfm" || { fail "the form was not changed"; exit 1; }
build_setup_folder "$work/form.nfm" "$work/payload" "$work/setup"
drive_c="$WINEPREFIX/drive_c"
unix_of() { wine cmd /c "echo $1" 2>/dev/null </dev/null | tr -d '\r\n' | xargs -0 winepath -u 2>/dev/null; }
profile="$(wine cmd /c 'echo %USERPROFILE%' 2>/dev/null </dev/null | tr -d '\r\n')"
local_data="$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null </dev/null | tr -d '\r\n')"
mine="$(winepath -u "$profile")/Nimbo Planted"
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
cleanup() {
    rm -rf "$mine" "$drive_c/Planted" "$drive_c/windows/Nimbo Setup/Corvane Linker.journal" \
        "$(winepath -u "$local_data")/Nimbo Setup/Corvane Linker.journal"
    for v in NimboKept NimboEvil; do wine reg delete "$run_key" /v $v /f >/dev/null 2>&1 </dev/null; done
}
cleanup
trap 'cleanup; [ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
mkdir -p "$mine/Empty"
printf 'my letter\n' >"$mine/letter.txt"
printf 'evil\n' >"$mine/~nimbo-0000FFFF-00000001.old"
wine reg add "$run_key" /v NimboKept /d 'C:\kept.exe' /f >/dev/null 2>&1 </dev/null
state() {
    md5sum "$drive_c/windows/win.ini" "$drive_c/windows/system.ini" "$mine/"* 2>&1
    ls -d "$mine/Empty" 2>&1
    wine reg query "$run_key" 2>&1 </dev/null | tr -d '\r' | grep -i nimbo
}
before="$(state)"

# Appends the line with its checksum (FNV-1a, carried from line to line).
seal=2166136261
sealed() {
    local line="$1" i c
    for ((i = 0; i < ${#line}; i++)); do
        printf -v c '%d' "'${line:i:1}"
        seal=$(((seal ^ (c & 255)) * 16777619 & 0xFFFFFFFF))
    done
    seal=$(((seal ^ 10) * 16777619 & 0xFFFFFFFF))
    printf '%s\t%08X\r\n' "$line" $seal >>"$journal"
}
T=$'\t'
# plant <scope> <folder>: the journal of a run of that scope.
plant() {
    journal="$2/Corvane Linker.journal"
    mkdir -p "$2"
    rm -f "$journal"
    seal=2166136261
    local m='C:\windows' p="$profile\\Nimbo Planted"
    sealed "Nimbo Setup journal 2${T}Corvane Linker${T}$1"
    sealed "T${T}$m\\"
    sealed "T${T}$profile\\"
    sealed "F${T}$m\\win.ini"
    sealed "F${T}$p\\letter.txt"
    sealed "R${T}$p\\letter.txt${T}$p\\~nimbo-0000FFFF-00000001.old"
    sealed "D${T}$p\\Empty"
    sealed "V${T}HKLM${T}Software\\Microsoft\\Windows\\CurrentVersion\\Run${T}NimboKept${T}${T}"
    sealed "V${T}HKLM${T}Software\\Microsoft\\Windows\\CurrentVersion\\Run${T}NimboEvil${T}1${T}6576696C00"
    sealed "P${T}$m\\system.ini${T}boot${T}shell${T}1${T}evil.exe"
    sealed "P${T}$m\\win.ini${T}IDAPI${T}DLLPATH${T}0${T}"
}

# scope | switch | the journal changed after sealing | exit code | refusals
while IFS='|' read -r scope switch tamper code refusals; do
    what="$scope journal${tamper:+, changed}"
    if [ "$scope" = user ]; then plant user "$(winepath -u "$local_data")/Nimbo Setup"
    else plant machine "$drive_c/windows/Nimbo Setup"; fi
    [ -n "$tamper" ] && sed -i 's/evil.exe/evil.com/' "$journal"
    planted="$(md5sum <"$journal")"
    log="$(winpath "$work/run.log")"
    rm -f "$work/run.log"
    (cd "$work/setup" && wine setup.exe /VERYSILENT $switch '/DIR=C:\Planted\App' "/LOG=$log" \
        >>"$work/setup.out" 2>&1 </dev/null)
    rc=$?
    [ $rc -eq "$code" ] && pass "$what: the run ends with $rc" || fail "$what: the run ended with $rc, not $code"
    after="$(state)"
    [ "$before" = "$after" ] && pass "$what: nothing outside the run changed" \
        || { fail "$what: changed:"; diff <(echo "$before") <(echo "$after"); }
    n=$(grep -c 'Refused, outside what the run may change' "$work/run.log")
    [ "$n" -eq "$refusals" ] && pass "$what: $n records refused and logged" \
        || { fail "$what: $n records refused, not $refusals"; cat "$work/run.log"; }
    if [ -n "$tamper" ]; then
        grep -q 'was not obeyed: its seal does not match' "$work/run.log" && [ "$(md5sum <"$journal")" = "$planted" ] \
            && pass "$what: reported and left as it is" || { fail "$what: not reported or not kept"; cat "$work/run.log"; }
        rm -f "$journal"
    else
        [ ! -e "$journal" ] && [ -f "$drive_c/Planted/App/INSTALL.LOG" ] \
            && pass "$what: then the run installs" || fail "$what: no install, or the journal is left"
        (cd "$work" && wine 'C:\Planted\App\setup.exe' UNINSTALL $switch /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
    fi
done <<'EOF'
machine|||0|7
machine||yes|3|0
user|/CURRENTUSER||0|8
EOF

echo "$failures failure(s)"
[ $failures -eq 0 ]
