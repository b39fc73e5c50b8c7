#!/bin/bash
# The author's script end to end under Wine:
#  - the README's example builds; an unattended run takes the first install
#    type, the robot picks the second with the option (going back from the
#    directory page to it once), and each installs exactly its files; the
#    setup registers under the script's name and its registered uninstall
#    removes everything;
#  - the shipped form and the demo script install the same files and group;
#  - each kind of script error names the file, line and column, and nothing
#    is written.
#   author_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"
rm -rf "$work"
mkdir -p "$work"
drive_c="$WINEPREFIX/drive_c"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall'
build_setup() { wine "$build/nimbobuild.exe" "$@" >"$work/build.out" 2>"$work/build.err" </dev/null; }
# Files below a folder with size and content, the uninstall's own left out.
listing() { (cd "$1" && find . -type f ! -iname INSTALL.LOG ! -iname setup.exe ! -iname TNLANG32.DLL -printf '%P\n' |
    sort | while read -r f; do printf '%s %s %s\n' "$f" "$(stat -c %s "$f")" "$(md5sum <"$f" | cut -c1-32)"; done); }
registered() { wine reg query "$uninstall_key\\$1" /v DisplayName >/dev/null 2>&1 </dev/null; }
start_menu() { find "$drive_c/users" -path '*/Start Menu/Programs' -type d 2>/dev/null | head -1; }
# Where the unattended, machine-wide runs make their groups.
everybody="$(start_menu_programs common)"
# What a killed run of this test may have left in its prefix.
for app in "Sample Writer" "Corvane Linker"; do
    wine reg delete "$uninstall_key\\$app" /f >/dev/null 2>&1 </dev/null
    [ -n "$(start_menu)" ] && rm -rf "$(start_menu)/$app"
    [ -n "$everybody" ] && rm -rf "$everybody/$app"
done
rm -rf "$drive_c/Sample Writer" "$drive_c/Corvane" "$drive_c/users/Public/Desktop/Sample Writer.lnk"
rm -f "$drive_c/windows/Nimbo Setup/"*.journal
# The registered quiet uninstall, as administrators' tools run it.
uninstall() {
    local command program
    command="$(wine reg query "$uninstall_key\\$1" /v QuietUninstallString 2>/dev/null </dev/null |
        sed -n 's/.*REG_SZ *//p' | tr -d '\r')"
    program="$(sed -n 's/^"\([^"]*\)".*/\1/p' <<<"$command")"
    [ -n "$program" ] || program="${command%% *}"
    [[ "$command" == *" UNINSTALL /VERYSILENT" ]] || { fail "quiet uninstall command: '$command'"; return; }
    (cd "$work" && wine "$program" UNINSTALL /VERYSILENT >>"$work/uninstall.out" 2>&1 </dev/null)
}

# --- The README's example, from its authoring section.
awk '/^### A complete example/ {on = 1} on && /^```ini$/ {take = 1; next} take && /^```$/ {exit} take' \
    "$root/README.md" >"$work/example.nss"
[ "$(wc -l <"$work/example.nss")" -gt 10 ] && [ "$(wc -l <"$work/example.nss")" -le 40 ] &&
    pass "the README's example has at most 40 lines" || fail "the README's example: $(cat "$work/example.nss")"
# And a program to start when an attended install ends: the prefix's Notepad.
sed -i 's/^Program = .*/Program = notes.exe/' "$work/example.nss"
printf '%s\n' '[Files]' 'notes.exe' >>"$work/example.nss"
in="$work/in"
mkdir -p "$in/help/pics" "$in/samples"
printf 'MZ writer\r\n' >"$in/writer.exe"
printf 'Read me first.\r\n' >"$in/readme.txt"
printf 'The terms.\r\n' >"$in/license.txt"
printf 'old\r\n' >"$in/notes.bak"
cp "$drive_c/windows/notepad.exe" "$in/notes.exe"
head -c 20000 /dev/urandom >"$in/help/writer.hlp"
head -c 3000 /dev/urandom >"$in/help/pics/one.bmp"
printf 'Dear ...\r\n' >"$in/samples/letter.txt"
printf 'draft\r\n' >"$in/samples/draft.doc"
build_setup "$(winpath "$work/example.nss")" "$(winpath "$in")" "$(winpath "$work/example")"
[ $? -eq 0 ] && pass "the example builds" || fail "the example does not build: $(cat "$work/build.err")"
[ -f "$work/example/help/writer.hlp" ] && [ ! -e "$work/example/notes.bak" ] && [ ! -e "$work/example/draft.doc" ] &&
    pass "the setup folder holds what the patterns pick" || fail "setup folder: $(ls "$work/example")"

target="$drive_c/Sample Writer"
rm -rf "$target"
expect() { printf '%s\n' "$@" | sort >"$work/expected"; }
installed_names() { (cd "$target" && find . -type f ! -iname INSTALL.LOG ! -iname setup.exe ! -iname TNLANG32.DLL \
    -printf '%P\n' | sort); }

# Unattended, the install type page takes its first type; no option is chosen.
(cd "$work/example" && wine setup.exe /VERYSILENT >"$work/setup.out" 2>&1 </dev/null)
rc=$?
robot 'set timeout 3' 'wait window "Untitled - Notepad"' >/dev/null 2>&1 &&
    { fail "an unattended run started the program"; robot 'close "Untitled - Notepad"'; }
expect notes.exe readme.txt writer.exe Help/writer.hlp Help/pics/one.bmp
installed_names >"$work/installed" 2>/dev/null
[ $rc -eq 0 ] && cmp -s "$work/expected" "$work/installed" && pass "the first type installs exactly its files" ||
    fail "first type (exit $rc): $(diff "$work/expected" "$work/installed")"
cmp -s "$in/help/pics/one.bmp" "$target/Help/pics/one.bmp" && pass "a file of a subfolder arrives byte for byte" ||
    fail "Help/pics/one.bmp differs"
registered "Sample Writer" && pass "the setup registers under the script's name" || fail "no registration 'Sample Writer'"
registered "Corvane Linker" && fail "the shipped application's name is registered too"
# Made directly in everybody's Start menu: the run is unattended and machine-wide.
programs="$everybody"
[ -f "$programs/Sample Writer/Sample Writer.lnk" ] && [ -f "$programs/Sample Writer/Read Me.lnk" ] &&
    pass "the group has both items" || fail "group: $(ls "$programs/Sample Writer" 2>&1)"
icon="$drive_c/users/Public/Desktop/Sample Writer.lnk"
[ -f "$icon" ] && pass "the desktop icon is made" || fail "no desktop icon"
[ -e "$target/license.txt" ] && fail "the licence is installed"
uninstall "Sample Writer"
# The restarted copy that removes it ends after the program that was started.
wait_for "$target" 30 gone && ! registered "Sample Writer" && [ ! -e "$programs/Sample Writer" ] && [ ! -e "$icon" ] &&
    pass "the registered uninstall removes the files, the group and the registration" ||
    fail "after the uninstall: $(ls -R "$target" 2>&1)"

# The example's registry value, the user's number, the association and the
# PATH folder, as the machine has them.
envkey='HKLM\System\CurrentControlSet\Control\Session Manager\Environment'
entries() {
    printf '%s|%s|%s|%s\n' "$(reg_value 'HKLM\Software\Sample Makers\Writer' Folder)" \
        "$(reg_value 'HKCU\Software\Sample Makers\Writer' Letters)" "$(reg_default 'HKLM\Software\Classes\.swr')" \
        "$(reg_value "$envkey" PATH | tr ';' '\n' | grep -ci '^C:\\Sample Writer\\\?$')"
}
entries_before="$(entries)"

# The second type with the option, chosen on the pages.
(cd "$work/example" && wine setup.exe >"$work/setup.out" 2>&1 </dev/null) &
app=$!
robot 'set timeout 30' 'wait window NimboPagesForm' 'within NimboPagesForm' \
    'wait text meMSGIntent contains "Welcome to the Sample Writer Setup."' 'click btnNext' \
    'wait text meLICText contains "The terms."' 'click rbLICAccept' 'click btnNext' \
    'wait text laCHTitle2 equals "Compact"' 'assert text meCHDescription2 contains "The program alone."' \
    'click rbCHItem2' 'click btnNext' 'wait text laCHTitle1 equals "Samples"' 'click cbCHItem1' 'click btnNext' \
    'wait text meCDLIntent contains "Select a directory for Sample Writer."' 'click btnPrev' 'wait visible cbCHItem1' \
    'assert checked cbCHItem1' 'click btnNext' 'wait visible btnCDLBrowse' 'click btnNext' \
    'within any' 'answer "Confirmation" "&Yes"' 'within NimboPagesForm' \
    'wait text meMSGIntent contains "The files for The Sample Writer application will"' 'click btnNext' \
    'wait text cbCWGGroups equals "Sample Writer" timeout=120' 'click btnNext' \
    'wait text NimboPagesForm equals "Setup Completed"' 'click btnNext' 'within any' \
    'wait dialog "Confirm" text equals "Would you like to read the readme.txt file?"' 'answer "Confirm" "&No"' \
    'wait window "Untitled - Notepad"' 'close "Untitled - Notepad"' 'wait gone "Untitled - Notepad"' \
    'answer "Information" "&OK"' && pass "the robot chose the second type and the option; the program started" ||
    { fail "the pages of the example"; wineserver -k; }
wait $app
expect notes.exe readme.txt writer.exe Samples/letter.txt
installed_names >"$work/installed" 2>/dev/null
cmp -s "$work/expected" "$work/installed" && pass "the second type with the option installs exactly its files" ||
    fail "second type: $(diff "$work/expected" "$work/installed")"
[[ "$(entries)" =~ ^C:\\Sample\ Writer\\?\|0x1\|.+\|1$ ]] &&
    pass "the attended run writes the value, the number, the association and the PATH folder" ||
    fail "entries after the attended run: $(entries)"
uninstall "Sample Writer"
# Attended, Wine's Program Manager made the group in the user's Start menu.
wait_for "$target" 30 gone && [ ! -e "$programs/Sample Writer" ] && [ ! -e "$(start_menu)/Sample Writer" ] &&
    [ "$(entries)" = "$entries_before" ] && pass "the uninstall removes the files, the group and every entry" ||
    fail "left after the uninstall"

# --- The shipped form and the demo script: the same installation.
same_install() {
    local source="$1" name="$2"
    rm -rf "$work/$name"
    build_setup "$(winpath "$source")" "$(winpath "$build/payload")" "$(winpath "$work/$name")" ||
        fail "$name does not build: $(cat "$work/build.err")"
    (cd "$work/$name" && wine setup.exe /VERYSILENT >"$work/setup.out" 2>&1 </dev/null) || fail "$name does not install"
    { listing "$drive_c/Corvane" && ls "$everybody/Corvane Linker"; } >"$work/$name.txt"
    registered "Corvane Linker" || fail "$name registers no 'Corvane Linker'"
    uninstall "Corvane Linker"
    wait_for "$drive_c/Corvane" 30 gone || fail "$name leaves C:\\Corvane after its uninstall"
}
rm -rf "$drive_c/Corvane"
same_install "$root/src/app/nimbo_form.nfm" shipped
same_install "$root/src/app/demo_setup.nss" demo
[ "$(wc -l <"$work/shipped.txt")" -ge 10 ] && cmp -s "$work/shipped.txt" "$work/demo.txt" &&
    pass "the demo script installs what the shipped form installs" ||
    fail "shipped and demo differ: $(diff "$work/shipped.txt" "$work/demo.txt")"

# --- Directories beside the destination: a full path and one in the
# Windows folder each get their files in an unattended run (which goes
# through its pages at once), and the uninstall takes them away. A
# directory that cannot be made ends the run with 3, all as it was.
places="$work/places"
mkdir -p "$places"
printf 'main\r\n' >"$places/main.txt"
printf 'data\r\n' >"$places/data.txt"
printf 'font\r\n' >"$places/nimbo-test.fon"
printf '%s\n' '[Setup]' 'Name = Places' 'Destination = C:\Places\App' '[Files]' 'main.txt' 'data.txt -> Data' \
    'nimbo-test.fon -> Fonts' '[Directories]' 'Data = C:\Places\Shared Data' 'Fonts = Windows\Fonts' >"$work/places.nss"
rm -rf "$drive_c/Places" && rm -f "$drive_c/windows/Fonts/nimbo-test.fon"
build_setup "$(winpath "$work/places.nss")" "$(winpath "$places")" "$(winpath "$work/places-setup")" ||
    fail "the places script does not build: $(cat "$work/build.err")"
(cd "$work/places-setup" && wine setup.exe /VERYSILENT >"$work/setup.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 0 ] && [ -f "$drive_c/Places/App/main.txt" ] && [ -f "$drive_c/Places/Shared Data/data.txt" ] &&
    [ -f "$drive_c/windows/Fonts/nimbo-test.fon" ] && pass "every directory of the script gets its files" ||
    fail "places (exit $rc): $(find "$drive_c/Places" "$drive_c/windows/Fonts" -name '*.txt' -o -name 'nimbo*')"
uninstall Places
wait_for "$drive_c/Places" 30 gone && [ ! -e "$drive_c/windows/Fonts/nimbo-test.fon" ] &&
    [ -d "$drive_c/windows/Fonts" ] && pass "the uninstall removes them, the Windows folder's own stay" ||
    fail "left after the uninstall: $(find "$drive_c/Places" 2>&1; ls "$drive_c/windows/Fonts/nimbo-test.fon" 2>&1)"
mkdir -p "$drive_c/Places" && printf 'mine\r\n' >"$drive_c/Places/Shared Data"
(cd "$work/places-setup" && wine setup.exe /VERYSILENT "/LOG=$(winpath "$work/places.log")" >"$work/setup.out" 2>&1 </dev/null)
rc=$?
[ $rc -eq 3 ] && grep -q 'Unable to create directory C:\\Places\\Shared Data\\' "$work/places.log" &&
    [ "$(ls "$drive_c/Places")" = "Shared Data" ] && [ ! -e "$drive_c/windows/Fonts/nimbo-test.fon" ] &&
    ! registered Places && pass "a directory that cannot be made ends the run with 3, all as it was" ||
    fail "blocked directory (exit $rc): $(cat "$work/places.log"; ls -R "$drive_c/Places")"
rm -rf "$drive_c/Places"

# --- Each kind of script error: its place and message, and no setup folder.
bad() {
    local expect="$1"
    shift
    printf '%s\n' "[Setup]" "Name = Bad" "Destination = C:\\Bad" "$@" >"$work/bad.nss"
    rm -rf "$work/bad"
    build_setup "$(winpath "$work/bad.nss")" "$(winpath "$in")" "$(winpath "$work/bad")"
    local rc=$?
    [ $rc -eq 1 ] && grep -qF -- "bad.nss:$expect" "$work/build.err" && [ ! -e "$work/bad" ] &&
        pass "error $expect" || fail "expected 'bad.nss:$expect', exit 1 and nothing written; got $rc: $(cat "$work/build.err")"
}
bad "5:15: no directory named 'Instal'; did you mean 'Install'?" "[Files]" "writer.exe -> Instal"
bad "5:1: no file of the folder matches 'help\\*.pdf'" "[Files]" 'help\*.pdf'
bad "4:1: unknown key 'Destinaton' in [Setup]; did you mean 'Destination'?" "Destinaton = C:\\X"
bad "4:2: unknown section [Item]; did you mean [Items]?" "[Item]"
bad "5:1: expected 'key = value'" "[Items]" "Writer writer.exe"
bad "5:11: the quote opened here is not closed" "[Texts]" 'Welcome = "Hello'
bad "5:10: no installed file named 'writer.ex'; did you mean 'writer.exe'?" "[Items]" "Writer = writer.ex"
bad "10:10: no installed file or directory named 'Sampels'; did you mean 'Samples'?" \
    "[Directories]" 'Samples = Install\Samples' '[Files]' '* -> Install' 'samples\* -> Samples' '[Type Full]' \
    'Select = Sampels'
printf '[Setup]\nDestination = C:\\Short\n' >"$work/bad.nss"
build_setup "$(winpath "$work/bad.nss")" "$(winpath "$in")" "$(winpath "$work/bad")"
grep -qF "bad.nss:1:1: [Setup] needs Name" "$work/build.err" && [ ! -e "$work/bad" ] &&
    pass "a missing Name" || fail "missing Name: $(cat "$work/build.err")"

rm -rf "$target" "$drive_c/Corvane"
[ $failures -eq 0 ] && echo "author's script: all checks passed"
exit $((failures > 0))
