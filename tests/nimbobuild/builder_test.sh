#!/bin/bash
# The setup builder end to end under Wine:
#  - a folder with nested subfolders, empty files, names with spaces and
#    letters of code page 1252, one name in several folders, builds into a
#    setup whose run installs every file byte for byte with its time stamp,
#    compressed solid, one by one and plain (the setup folder mirroring the
#    folder);
#  - the shipped form source builds unchanged with the demo payload;
#  - each bad input gives its error and leaves no setup folder.
#   builder_test.sh <win32 build dir> <work dir>
set -uo pipefail
build="$1"
work="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$root/scripts/wine-env.sh"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; fi; }
win() { winepath -w "$1" 2>/dev/null; }
build_setup() { wine "$build/nimbobuild.exe" "$@" >"$work/build.out" 2>"$work/build.err" </dev/null; }

rm -rf "$work"
in="$work/in"
mkdir -p "$in/Sub Dir/Deeper Ünter" "$in/Ärger/x y" "$in/only empty dir"
: >"$in/empty.txt"
: >"$in/Sub Dir/Deeper Ünter/Ñame é.dat"
seq 1 30000 >"$in/Café menu.txt"
head -c 300000 /dev/urandom >"$in/Sub Dir/random bytes.bin"
cp "$build/TNLANG32.DLL" "$in/Ärger/x y/library copy.dll"
printf 'deep\r\n' >"$in/Ärger/x y/naïve façade.txt"
# Locales, plug-ins: one name in several folders, the program's names below the top.
seq 1 20000 | sed 's/^/Zeile /' >"$in/Sub Dir/Café menu.txt"
printf 'plug-in\r\n' >"$in/Ärger/x y/setup.exe"
printf 'licence\r\n' >"$in/Ärger/SETUP.SLD"
touch -d '2001-02-03 04:05:07' "$in/Café menu.txt"
touch -d '1999-12-31 23:59:58' "$in/Sub Dir/random bytes.bin"
touch -d '2024-06-30 12:00:01' "$in/empty.txt"

target="$WINEPREFIX/drive_c/NimboBuildTest"
rm -rf "$target"
build_setup --compress "$(win "$here/copy_only.nfm")" "$(win "$in")" "$(win "$work/out")"
check "the good folder builds: $(cat "$work/build.err")" '[ $? -eq 0 ]'
# Compressed, the small files ship in the solid archive.
check "the setup folder holds the program, both libraries and the payload" \
    '[ -f "$work/out/setup.exe" ] && [ -f "$work/out/TNComp32.DLL" ] && [ -f "$work/out/TNLANG32.DLL" ] && [ -f "$work/out/SETUP.SLD" ] && [ ! -e "$work/out/naïve façade.txt" ]'
check "with compression the form ships packed" 'grep -qa NFRZ "$work/out/setup.exe"'
(cd "$work/out" && wine setup.exe >"$work/setup.log" 2>&1 </dev/null)
check "the built setup ends with 0" '[ $? -eq 0 ]'
listing() { (cd "$1" && find . -type f ! -name INSTALL.LOG -printf '%P\n' | sort | while read -r f; do
    printf '%s %s %s\n' "$f" "$(stat -c '%s %Y' "$f")" "$(md5sum <"$f" | cut -c1-32)"; done); }
listing "$in" >"$work/expected"
listing "$target" >"$work/installed" 2>/dev/null
check "every file is installed byte for byte with its time stamp: $(diff "$work/expected" "$work/installed")" \
    'cmp -s "$work/expected" "$work/installed"'
check "the install log lists the nested file" 'grep -q "x y\\\\naïve façade.txt" <(iconv -f cp1252 -t utf-8 "$target/INSTALL.LOG")'
# Each file from its subfolder of the setup folder, packed or plain.
for layout in one-by-one plain; do
    rm -rf "$work/$layout" "$target"
    flags=() && [ $layout = one-by-one ] && flags=(--compress --no-solid)
    build_setup "${flags[@]}" "$(win "$here/copy_only.nfm")" "$(win "$in")" "$(win "$work/$layout")"
    rc=$?
    check "$layout: builds: $(cat "$work/build.err")" '[ $rc -eq 0 ]'
    check "$layout: the setup folder mirrors the folder" \
        '[ -f "$work/$layout/Ärger/x y/setup.exe" ] && [ -f "$work/$layout/Sub Dir/Café menu.txt" ]'
    (cd "$work/$layout" && wine setup.exe >"$work/setup.log" 2>&1 </dev/null)
    listing "$target" >"$work/installed" 2>/dev/null
    check "$layout: every file is installed byte for byte: $(diff "$work/expected" "$work/installed")" \
        'cmp -s "$work/expected" "$work/installed"'
done

check "a setup not in test mode does not carry the folder's path" '! grep -qaF "$(win "$in")" "$work/out/setup.exe"'
# In test mode the files come from the folder the setup was built from.
sed 's/Test = False/Test = True/' "$here/copy_only.nfm" >"$work/test_mode.nfm"
build_setup "$(win "$work/test_mode.nfm")" "$(win "$in")" "$(win "$work/testmode")"
rm -f "$work/testmode/Café menu.txt" && rm -rf "$target"
(cd "$work/testmode" && wine setup.exe >"$work/setup.log" 2>&1 </dev/null)
check "a setup in test mode takes its files from where they were found" 'cmp -s "$in/Café menu.txt" "$target/Café menu.txt"'

rm -rf "$work/demo"
build_setup "$(win "$root/src/app/nimbo_form.nfm")" "$(win "$build/payload")" "$(win "$work/demo")"
check "the shipped form builds with the demo payload: $(cat "$work/build.err")" '[ $? -eq 0 ] && [ -f "$work/demo/corvane.exe" ]'

# Bad input: the error, exit code 1, and no setup folder.
bad() {
    local what="$1" expect="$2" form="$3" folder="$4"
    rm -rf "$work/bad"
    build_setup "$(win "$form")" "$(win "$folder")" "$(win "$work/bad")"
    local rc=$?
    check "$what: exit code 1, got $rc" '[ $rc -eq 1 ]'
    check "$what: says '$expect', said '$(cat "$work/build.err")'" 'grep -qF -- "$expect" "$work/build.err"'
    check "$what: writes nothing" '[ ! -e "$work/bad" ]'
}
sed 's/Test = False/Test = = False/' "$here/copy_only.nfm" >"$work/broken.nfm"
bad "a form that does not compile" "broken.nfm: Line 16, column 12: identifier expected" "$work/broken.nfm" "$in"
mkdir -p "$work/greek" && : >"$work/greek/Ωμέγα.txt"
bad "a name outside the code page" "cannot hold" "$here/copy_only.nfm" "$work/greek"
mkdir -p "$work/cases/Sub" && : >"$work/cases/Sub/read me.txt" && : >"$work/cases/Sub/READ ME.TXT"
bad "names of one folder that differ only in case" "the names differ only in letter case" "$here/copy_only.nfm" \
    "$work/cases"
mkdir -p "$work/looped/sub" && : >"$work/looped/a.txt" && ln -s .. "$work/looped/sub/back"
bad "a link back to a folder above" "sub\\back: a link back to a folder that holds it" "$here/copy_only.nfm" "$work/looped"
mkdir -p "$work/reserved" && : >"$work/reserved/setup.sld"
bad "the solid archive's name" "setup.sld: the setup folder needs this name for itself" "$here/copy_only.nfm" "$work/reserved"
mkdir -p "$work/temp-name" && : >"$work/temp-name/~nimbo-00000001-00000002.tmp"
bad "a name of the setup's temporary files" "~nimbo-00000001-00000002.tmp: the setup names its temporary files so" \
    "$here/copy_only.nfm" "$work/temp-name"
# A socket: listed like a file, but no one can open it, not even root.
mkdir -p "$work/unreadable" && : >"$work/unreadable/a.txt" &&
    python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).bind(sys.argv[1])' "$work/unreadable/b.txt"
bad "an unreadable file" "b.txt: cannot read the file" "$here/copy_only.nfm" "$work/unreadable"

rm -rf "$target"
[ $fail -eq 0 ] && echo "builder: all checks passed"
exit $fail
