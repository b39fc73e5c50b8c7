#!/bin/bash
# What a script installs besides files, on a machine that has its own: a
# registry value the script overwrites (of another type), an association of
# the script's extension and PATH entries of the user's. The install puts
# the product into {pf}, writes the values with {app} expanded, associates
# the extension with the installed program and adds {app}\bin to PATH; the
# user adds to PATH afterwards; the next release changes the value again,
# drops the number and the PATH folder; the uninstall leaves the machine as
# it was
# (the earlier value with its type, the earlier association, every PATH
# entry of the user's) and nothing of the product's. A run that fails at
# its end (its log cannot be written) and one killed after its entries
# leave none of them behind.
#   entries_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"

rm -rf "$work"
mkdir -p "$work/payload/bin"
settings='HKLM\Software\Entries Probe'
shared='HKCU\Software\Entries Probe Shared'
classes='HKLM\Software\Classes'
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
journal="$WINEPREFIX/drive_c/windows/Nimbo Setup/EntriesProbe.journal"
for d in "Program Files (x86)" "Program Files"; do rm -rf "$WINEPREFIX/drive_c/$d/Entries Probe"; done
wine reg delete "$settings" /f >/dev/null 2>&1 </dev/null
wine reg delete "$classes\\EntriesProbe.epr" /f >/dev/null 2>&1 </dev/null
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\EntriesProbe' /f >/dev/null 2>&1 </dev/null

printf 'writer\n' >"$work/payload/writer.exe"
printf 'tool\n' >"$work/payload/bin/tool.exe"
cat >"$work/setup.nss" <<'EOF'
[Setup]
Name = Entries Probe
AppId = EntriesProbe
Destination = {pf}\Entries Probe
[Registry]
HKLM\Software\Entries Probe\Settings\Folder = {app}
HKLM\Software\Entries Probe\Settings\Count = dword:42
HKCU\Software\Entries Probe Shared\Mode = new
[Associations]
.epr = Entries Probe document, writer.exe /open
[Environment]
Path = {app}\bin
EOF
build_setup_folder "$work/setup.nss" "$work/payload" "$work/setup"
# The next release: another value for the user's, no number, no PATH folder.
sed -e '/Count/d' -e 's/Mode = new/Mode = newer/' -e '/Environment/,$d' "$work/setup.nss" >"$work/next.nss"
build_setup_folder "$work/next.nss" "$work/payload" "$work/next"

# The machine's own: a value of another type, an association, PATH entries.
wine reg add "$shared" /v Mode /t REG_EXPAND_SZ /d old /f >/dev/null 2>&1 </dev/null
wine reg add "$classes\\.epr" /ve /d OldViewer.epr /f >/dev/null 2>&1 </dev/null
path0="$(reg_value "$envkey" PATH)"
path0="${path0%;C:\\Mine;D:\\Tools}"
wine reg add "$envkey" /v PATH /t REG_EXPAND_SZ /d "$path0;C:\\Mine;D:\\Tools" /f >/dev/null 2>&1 </dev/null
machine() {
    printf '%s|%s|%s|%s|%s|%s\n' "$(reg_value "$shared" Mode)" "$(reg_type "$shared" Mode)" \
        "$(reg_default "$classes\\.epr")" "$(reg_value "$envkey" PATH)" "$(key_exists "$settings" && echo ours)" \
        "$(key_exists "$classes\\EntriesProbe.epr" && echo ours)"
}
before="$(machine)"
[ "$before" = "old|REG_EXPAND_SZ|OldViewer.epr|$path0;C:\\Mine;D:\\Tools||" ] || fail "the machine's own: $before"
setup() { (cd "$work/setup" && wine setup.exe /VERYSILENT "$@" >>"$work/setup.out" 2>&1 </dev/null); }

# --- A run that fails at its end: its log's name is taken by a folder.
pf="$(wine cmd /c 'echo %ProgramFiles(x86)%' 2>/dev/null </dev/null | tr -d '\r\n')"
case "$pf" in *'%'* | '') pf="$(wine cmd /c 'echo %ProgramFiles%' 2>/dev/null </dev/null | tr -d '\r\n')" ;; esac
app="$pf\\Entries Probe"
unix_app="$(winepath -u "$app" 2>/dev/null)"; unix_app="${unix_app%/}"
mkdir -p "$unix_app/INSTALL.LOG"
setup "/LOG=$(winpath "$work/failed.log")"
rc=$?
rm -rf "$unix_app"
[ $rc -eq 3 ] && [ "$(machine)" = "$before" ] && grep -q 'Registry value: HKEY_CURRENT_USER' "$work/failed.log" &&
    pass "a run that fails after its entries leaves none of them" ||
    { fail "the failed run (rc $rc) left: $(machine)"; grep -i 'registry\|path\|error' "$work/failed.log"; }

# --- Killed after its last entry: the next start undoes it, then ends on
# a destination the page refuses, having installed nothing.
setup &
runner=$!
for _ in $(seq 1 3000); do grep -qs 'Session Manager' "$journal" && break; sleep 0.01; done
signal_setups STOP || fail "no setup to stop"
grep -qs 'Session Manager' "$journal" || fail "the kill came too late: no journal names PATH"
signal_setups KILL
wait $runner 2>/dev/null
setup '/DIR=relative\folder' "/LOG=$(winpath "$work/next.log")"
rc=$?
rm -rf "$unix_app"
# A machine-wide run's recovery touches HKEY_LOCAL_MACHINE alone: the
# user's value it wrote is named in the /LOG, not put back.
[ $rc -eq 1 ] && [ "$(machine | cut -d'|' -f3-)" = "$(echo "$before" | cut -d'|' -f3-)" ] &&
    grep -q 'Undone: restored the registry value HKLM' "$work/next.log" &&
    [ "$(grep -c 'Refused, outside' "$work/next.log")" = 1 ] &&
    grep -q 'Refused, outside what the run may change: HKCU.Software.Entries Probe Shared.Mode' "$work/next.log" &&
    pass "the next start undoes a killed run's entries in the machine's registry, the script's own keys only" ||
    { fail "after the kill (rc $rc): $(machine)"; grep -i 'refused\|registry\|undo' "$work/next.log"; }
wine reg add "$shared" /v Mode /t REG_EXPAND_SZ /d old /f >/dev/null 2>&1 </dev/null

# --- The install.
setup "/LOG=$(winpath "$work/install.log")"
rc=$?
[ $rc -eq 0 ] && [ -f "$unix_app/writer.exe" ] && [ "$(reg_value "$settings\\Settings" Folder)" = "$app" ] &&
    [ "$(reg_value "$settings\\Settings" Count)" = 0x2a ] && [ "$(reg_value "$shared" Mode)" = new ] &&
    [ "$(reg_type "$shared" Mode)" = REG_SZ ] && pass "into {pf}, the values written with {app} expanded" ||
    { fail "the install (rc $rc):"; wine reg query "$settings" /s </dev/null; ls "$unix_app"; }
[ "$(reg_default "$classes\\.epr")" = EntriesProbe.epr ] &&
    [ "$(reg_default "$classes\\EntriesProbe.epr\\shell\\open\\command")" = "\"$app\\writer.exe\" /open \"%1\"" ] &&
    pass "the extension opens with the installed program" ||
    fail "the association: $(reg_default "$classes\\.epr") $(reg_default "$classes\\EntriesProbe.epr\\shell\\open\\command")"
[ "$(reg_value "$envkey" PATH)" = "$path0;C:\\Mine;D:\\Tools;$app\\bin" ] &&
    [ "$(reg_type "$envkey" PATH)" = REG_EXPAND_SZ ] && pass "PATH gains {app}\\bin, as REG_EXPAND_SZ" ||
    fail "PATH: $(reg_value "$envkey" PATH)"
grep -q '^\[Registry Values\]' "$unix_app/INSTALL.LOG" && grep -q '^\[Path Entries\]' "$unix_app/INSTALL.LOG" &&
    grep -q '^Entries=' "$unix_app/INSTALL.LOG" && grep -q 'Added to PATH' "$work/install.log" &&
    pass "the install log and the /LOG name the entries" || fail "the logs do not name the entries"

# --- The user adds to PATH; the uninstall takes back only the product's.
wine reg add "$envkey" /v PATH /t REG_EXPAND_SZ /d "$(reg_value "$envkey" PATH);C:\\Later" /f >/dev/null 2>&1 </dev/null
# --- The next release keeps what the first one replaced and takes back
# what it no longer makes.
(cd "$work/next" && wine setup.exe /VERYSILENT "/LOG=$(winpath "$work/update.log")" >>"$work/setup.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 0 ] && [ -z "$(reg_value "$settings\\Settings" Count)" ] && [ "$(reg_value "$settings\\Settings" Folder)" = "$app" ] &&
    [ "$(reg_value "$shared" Mode)" = newer ] && [ "$(reg_value "$envkey" PATH)" = "$path0;C:\\Mine;D:\\Tools;C:\\Later" ] &&
    [ "$(reg_default "$classes\\.epr")" = EntriesProbe.epr ] &&
    pass "an update takes back the number and the PATH folder it no longer makes, the user's later entry kept" ||
    { fail "the update (rc $rc): $(machine)"; grep -i 'registry\|path' "$work/update.log"; }
(cd "$unix_app" && wine setup.exe UNINSTALL /VERYSILENT "/LOG=$(winpath "$work/uninstall.log")" >>"$work/setup.out" \
    2>&1 </dev/null)
rc=$?
wait_for "$unix_app" 10 gone
expected="${before/D:\\Tools|/D:\\Tools;C:\\Later|}"
[ $rc -eq 0 ] && [ "$(machine)" = "$expected" ] && [ ! -e "$unix_app" ] &&
    pass "the uninstall leaves the machine as the first release found it, with the user's later PATH entry" ||
    { fail "after the uninstall (rc $rc): $(machine), expected $expected"; grep -i 'registry\|path' "$work/uninstall.log"; }

# --- For one user: the user's classes and PATH, none of the machine's.
printf '[Setup]\nName = Entries Probe User\nScope = user\n[Associations]\n.epu = Probe, writer.exe\n' >"$work/user.nss"
printf '[Environment]\nPath = {app}\\bin\n' >>"$work/user.nss"
build_setup_folder "$work/user.nss" "$work/payload" "$work/user"
userpath="$(reg_value 'HKCU\Environment' PATH)"
machinepath="$(reg_value "$envkey" PATH)"
(cd "$work/user" && wine setup.exe /VERYSILENT "/LOG=$(winpath "$work/user.log")" >>"$work/setup.out" 2>&1 </dev/null)
rc=$?
own="$(reg_value 'HKCU\Environment' PATH)"
[ $rc -eq 0 ] && [ "$(reg_default 'HKCU\Software\Classes\.epu')" = EntriesProbeUser.epu ] &&
    [[ "$own" == *'\Programs\Entries Probe User\bin' ]] && ! key_exists "$classes\\.epu" &&
    [ "$(reg_value "$envkey" PATH)" = "$machinepath" ] && pass "a per-user run writes the user's classes and PATH only" ||
    { fail "the per-user run (rc $rc): $own"; grep -i 'registry\|path' "$work/user.log"; }
programs="$(winepath -u "${own%\\bin}" 2>/dev/null)"
(cd "$programs" && wine setup.exe UNINSTALL /VERYSILENT >>"$work/setup.out" 2>&1 </dev/null)
[ "$(reg_value 'HKCU\Environment' PATH)" = "$userpath" ] && ! key_exists 'HKCU\Software\Classes\.epu' &&
    ! key_exists 'HKCU\Software\Classes\EntriesProbeUser.epu' && pass "its uninstall leaves the user's as they were" ||
    fail "after the per-user uninstall: PATH '$(reg_value 'HKCU\Environment' PATH)'"

# The machine's PATH as the test found it.
wine reg add "$envkey" /v PATH /t REG_EXPAND_SZ /d "$path0" /f >/dev/null 2>&1 </dev/null
wine reg delete "$shared" /f >/dev/null 2>&1 </dev/null
wine reg delete "$classes\\.epr" /f >/dev/null 2>&1 </dev/null
[ $failures -eq 0 ]
