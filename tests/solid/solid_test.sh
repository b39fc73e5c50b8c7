#!/bin/bash
# Solid setups (nimbobuild --compress) under Wine, with the real setup.exe:
#  - the files up to 16 MiB go into SETUP.SLD (or the single file's
#    payload), a larger one stays a file of its own; the folder and the single file
#    install every file byte for byte with its time stamp;
#  - an unattended run of a script takes its first install type and no
#    option: the files they leave out, spread through the archive, are
#    never written, and the rest install exactly;
#  - an archive with a flipped byte, or cut in its stream or its directory,
#    ends the run with the copy's compression error (exit 3), and the
#    destination, which held files of its own, is as it was.
#   solid_test.sh <win32 build dir> <work dir>
set -uo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
source "$root/tests/support/test_lib.sh" wine "$1" "$2"
rm -rf "$work"
mkdir -p "$work"
drive_c="$WINEPREFIX/drive_c"
rm -f "$drive_c/windows/Nimbo Setup/"*.journal
build_setup() { wine "$build/nimbobuild.exe" "$@" >"$work/build.out" 2>"$work/build.err" </dev/null; }
# Name, size, time and checksum of every file below a folder, the log and
# the uninstall program left out.
listing() { (cd "$1" && find . -type f ! -iname INSTALL.LOG ! -iname setup.exe ! -iname TNLANG32.DLL -printf '%P\n' | sort | while read -r f; do
    printf '%s %s %s\n' "$f" "$(stat -c '%s %Y' "$f")" "$(md5sum <"$f" | cut -c1-32)"; done); }
# Runs setup $1 very silently; $2 is the exit code it should end with.
run_setup() {
    rm -f "$work/run.log"
    wine "$1" /VERYSILENT "/LOG=$(winpath "$work/run.log")" >"$work/setup.out" 2>&1 </dev/null
    local rc=$?
    [ $rc -eq "$2" ] && pass "$3: exit code $rc" || fail "$3: exit code $rc, expected $2"
}

# --- A folder of many small files (text and random, an empty one, an
# accented name, in subfolders), a larger random one and one past 16 MiB.
in="$work/in"
python3 - "$in" <<'PY'
import os, random, sys
random.seed(7)
root = sys.argv[1]
for sub in ("", "Sub Dir", "Sub Dir/Deeper"):
    os.makedirs(os.path.join(root, sub), exist_ok=True)
for i in range(320):
    sub = ("", "Sub Dir", "Sub Dir/Deeper")[i % 3]
    if i % 7 == 0:
        data = os.urandom(random.randint(100, 9000))
    else:
        data = "".join("line %d of file %d\r\n" % (k, i) for k in range(random.randint(20, 400))).encode()
    open(os.path.join(root, sub, "f%03d.%s" % (i, "bin" if i % 7 == 0 else "txt")), "wb").write(data)
open(os.path.join(root, "empty.txt"), "wb").close()
open(os.path.join(root, "Caf\u00e9 menu.txt"), "w").write("cr\xe8me\r\n" * 50)
open(os.path.join(root, "Sub Dir", "big random.bin"), "wb").write(os.urandom(1500000))
open(os.path.join(root, "big text.txt"), "w").write("big line\r\n" * 1700000 + "".join("line %d\r\n" % k for k in range(9000)))
PY
touch -d '2001-02-03 04:05:07' "$in/f003.txt" "$in/Sub Dir/big random.bin"
listing "$in" >"$work/expected"
target="$drive_c/NimboSolidTest"
sed 's/NimboBuildTest/NimboSolidTest/' "$root/tests/nimbobuild/copy_only.nfm" >"$work/form.nfm"
form="$(winpath "$work/form.nfm")"

build_setup --compress "$form" "$(winpath "$in")" "$(winpath "$work/folder")"
[ $? -eq 0 ] && pass "a compressed folder builds" || fail "folder: $(cat "$work/build.err")"
[ -f "$work/folder/SETUP.SLD" ] && [ -f "$work/folder/big text.txt" ] && [ ! -e "$work/folder/big random.bin" ] &&
    [ ! -e "$work/folder/f001.txt" ] && [ ! -e "$work/folder/empty.txt" ] &&
    pass "the files up to 16 MiB are in SETUP.SLD, the larger one a file of its own" ||
    fail "folder: $(ls "$work/folder" | head)"
head -c 8 "$work/folder/big text.txt" | grep -q TNCZ && pass "the large text ships compressed on its own" ||
    fail "the large text is not compressed"
build_setup --compress --single "$form" "$(winpath "$in")" "$(winpath "$work/single.exe")"
[ $? -eq 0 ] && pass "a compressed single file builds" || fail "single: $(cat "$work/build.err")"
for setup in "$work/folder/setup.exe" "$work/single.exe"; do
    what="$(basename "$(dirname "$setup")")/$(basename "$setup")"
    rm -rf "$target"
    run_setup "$setup" 0 "$what"
    listing "$target" >"$work/installed" 2>/dev/null
    cmp -s "$work/expected" "$work/installed" && pass "$what: every file byte for byte with its time stamp" ||
        fail "$what: $(diff "$work/expected" "$work/installed" | head)"
done
rm -rf "$target"

# --- Left out by the install type and the options: an unattended run takes
# the first type (the program alone) and no option. The names interleave,
# so the files left out lie between those installed all through the archive.
choice="$work/choice"
python3 - "$choice" <<'PY'
import os, sys
root = sys.argv[1]
for sub in ("", "help", "samples"):
    os.makedirs(os.path.join(root, sub), exist_ok=True)
open(os.path.join(root, "app.exe"), "wb").write(b"MZ app\r\n" * 100)
for i in range(300):
    sub = ("", "help", "samples")[i % 3]
    text = "".join("%s line %d of %d\r\n" % (sub or "top", k, i) for k in range(150 + i % 50))
    open(os.path.join(root, sub, "c%03d.txt" % i), "w").write(text)
PY
cat >"$work/choice.nss" <<'NSS'
[Setup]
Name = Solid Choices
Destination = C:\Solid Choices
[Files]
app.exe, *.txt -> Install
help\** -> Help
samples\** -> Samples
[Directories]
Help = Install\Help
Samples = Install\Samples
[Type Compact]
Description = The program alone.
Select = app.exe
[Type Complete]
Description = The program with its help.
Select = app.exe, Help
[Option Samples]
Description = Letters to start from.
Select = Samples
NSS
(cd "$choice" && find . -maxdepth 1 -type f -printf '%P\n' | sort | while read -r f; do
    printf '%s %s %s\n' "$f" "$(stat -c '%s %Y' "$f")" "$(md5sum <"$f" | cut -c1-32)"; done) >"$work/expected"
choice_target="$drive_c/Solid Choices"
rm -rf "$choice_target"
build_setup --compress "$(winpath "$work/choice.nss")" "$(winpath "$choice")" "$(winpath "$work/choices")"
[ $? -eq 0 ] && [ -f "$work/choices/SETUP.SLD" ] && [ ! -e "$work/choices/c001.txt" ] &&
    pass "the script's setup builds solid" || fail "choices: $(cat "$work/build.err")"
run_setup "$work/choices/setup.exe" 0 "first type, no option"
listing "$choice_target" >"$work/installed" 2>/dev/null
cmp -s "$work/expected" "$work/installed" && pass "the program and the top files install exactly, nothing else" ||
    fail "choices: $(diff "$work/expected" "$work/installed" | head)"
[ ! -e "$choice_target/help" ] && [ ! -e "$choice_target/samples" ] &&
    ! grep -qi 'c001.txt\|c002.txt' "$choice_target/INSTALL.LOG" &&
    pass "no file left out is written, made a folder for or logged" || fail "left out: $(ls "$choice_target")"
wine "$choice_target/setup.exe" UNINSTALL /VERYSILENT >/dev/null 2>&1 </dev/null
wait_for "$choice_target" 20 gone && pass "the uninstall removes the choice install" || fail "uninstall left $choice_target"

# --- Damaged or cut: the copy error, and the destination as it was. It
# holds a file of its own and an older copy of a member, which the
# setup (OverWrite = swAlways) replaces before it meets the damage.
mkdir -p "$target"
printf 'mine\r\n' >"$target/keep.txt"
printf 'old\r\n' >"$target/f300.txt"
touch -d '1999-01-01' "$target/f300.txt"
snapshot "$target" >"$work/before"
archive_size=$(stat -c %s "$work/folder/SETUP.SLD")
damaged() {
    local what="$1"
    run_setup "$work/bad/setup.exe" 3 "$what"
    grep -aq "Compression error" "$work/run.log" && pass "$what: the log has the compression error" ||
        fail "$what: the log says $(grep -av '  Copied: \|  Undone: ' "$work/run.log")"
    snapshot "$target" >"$work/after"
    cmp -s "$work/before" "$work/after" && pass "$what: the destination is as it was" ||
        fail "$what: $(diff "$work/before" "$work/after" | head)"
    no_journal && pass "$what: no journal is left" || fail "$what: a journal is left"
}
fresh_bad() { rm -rf "$work/bad" && cp -r "$work/folder" "$work/bad"; }
fresh_bad
# Near the end: the last of the stream's pieces, after the members of the first are written.
python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1); f.seek(-1, 1); f.write(bytes([b[0] ^ 0x20]))' \
    "$work/bad/SETUP.SLD" $((archive_size - 200))
damaged "a flipped byte in the stream"
for cut in $((archive_size - 1)) $((archive_size / 2)) 100; do
    fresh_bad
    head -c "$cut" "$work/folder/SETUP.SLD" >"$work/bad/SETUP.SLD"
    damaged "cut at $cut of $archive_size"
done

rm -rf "$target" "$choice_target"
[ $failures -eq 0 ] && rm -rf "$work"
exit $((failures > 0))
