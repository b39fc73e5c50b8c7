#!/bin/bash
# One file to ship, built by nimbobuild --single and run under Wine:
#  - plain, compressed (LZMA, a program behind the branch filter) and
#    compressed with zlib, it installs every file byte for byte with its
#    time stamp (one name in several folders too), and leaves nothing in
#    the temporary folder;
#  - signed with osslsigncode and a certificate made here, it verifies and
#    still installs byte for byte;
#  - cut at several points, or with a byte flipped in the directory or in a
#    file, it is refused before anything is written: exit 3, the message in
#    the run's log, no destination folder;
#  - built from the shipped form, the uninstaller it registers is the
#    program part only, carries the language texts, and removes everything.
#   single_file_test.sh <win32 build dir> <work dir>
set -uo pipefail
build="$1"
work="$2"
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
source "$root/scripts/wine-env.sh"
source "$root/tests/support/test_lib.sh"
build_setup() { wine "$build/nimbobuild.exe" "$@" >"$work/build.out" 2>"$work/build.err" </dev/null; }
listing() { (cd "$1" && find . -type f ! -name INSTALL.LOG -printf '%P\n' | sort | while read -r f; do
    printf '%s %s %s\n' "$f" "$(stat -c '%s %Y' "$f")" "$(md5sum <"$f" | cut -c1-32)"; done); }
# Where the payload's parts start: the image end, the directory, the data.
layout() { python3 - "$1" <<'PY'
import struct, sys
b = open(sys.argv[1], 'rb').read()
pe = struct.unpack_from('<I', b, 0x3C)[0]
n, opt = struct.unpack_from('<H', b, pe + 6)[0], struct.unpack_from('<H', b, pe + 20)[0]
end = struct.unpack_from('<I', b, pe + 24 + 60)[0]
for i in range(n):
    size, start = struct.unpack_from('<II', b, pe + 24 + opt + 40 * i + 16)
    if size: end = max(end, start + size)
dirsize = struct.unpack_from('<I', b, end + 16)[0]
print(end, end + 40, end + 40 + dirsize)
PY
}

rm -rf "$work"
mkdir -p "$work"
in="$work/in"
mkdir -p "$in/Sub Dir/Deeper"
: >"$in/empty.txt"
seq 1 40000 >"$in/Café menu.txt"
head -c 700000 /dev/urandom >"$in/Sub Dir/random bytes.bin"
seq 1 5000 | sed 's/$/ deep/' >"$in/Sub Dir/Deeper/deep.txt"
cp "$build/TNLANG32.DLL" "$in/Sub Dir/program.dll"
# One name in several folders, and the program's own name below the top.
seq 1 3000 | sed 's/$/ Zeile/' >"$in/Sub Dir/Café menu.txt" && printf 'plug-in\r\n' >"$in/Sub Dir/Deeper/setup.exe"
touch -d '2001-02-03 04:05:07' "$in/Café menu.txt"
touch -d '1999-12-31 23:59:58' "$in/Sub Dir/random bytes.bin"
listing "$in" >"$work/expected"
target="$WINEPREFIX/drive_c/NimboSingleTest"
sed 's/NimboBuildTest/NimboSingleTest/' "$root/tests/nimbobuild/copy_only.nfm" >"$work/form.nfm"
form="$(winpath "$work/form.nfm")"
temp="$(wine_temp_dir)"

# Runs $1 very silently; $2 is the exit code it should end with.
run_setup() {
    local exe="$1" expect="$2" what="$3"
    rm -rf "$target" "$work/run.log"
    wine "$exe" /VERYSILENT "/LOG=$(winpath "$work/run.log")" >"$work/setup.out" 2>&1 </dev/null
    local rc=$?
    [ $rc -eq "$expect" ] && pass "$what: exit code $rc" || fail "$what: exit code $rc, expected $expect"
}
installs_exactly() {
    run_setup "$1" 0 "$2"
    listing "$target" >"$work/installed" 2>/dev/null
    cmp -s "$work/expected" "$work/installed" && pass "$2: every file byte for byte with its time stamp" \
        || fail "$2: $(diff "$work/expected" "$work/installed")"
}

for mode in plain compress zlib; do
    flags=(--single)
    [ $mode = compress ] && flags=(--compress --single)
    [ $mode = zlib ] && flags=(--compress=zlib --single)
    build_setup "${flags[@]}" "$form" "$(winpath "$in")" "$(winpath "$work/$mode.exe")"
    [ $? -eq 0 ] && [ -f "$work/$mode.exe" ] && pass "$mode: builds" || fail "$mode: $(cat "$work/build.err")"
    [ ! -e "$work/$mode.exe~parts" ] && pass "$mode: the builder's work folder is gone" || fail "$mode: work folder left"
    installs_exactly "$work/$mode.exe" "$mode"
done
[ "$(stat -c %s "$work/compress.exe")" -lt "$(stat -c %s "$work/zlib.exe")" ] &&
    [ "$(stat -c %s "$work/zlib.exe")" -lt "$(stat -c %s "$work/plain.exe")" ] \
    && pass "the compressed file is smaller, with LZMA smaller still" || fail "the compressed files are not smaller"
# What each carries: version 3 LZMA (with LZMA the small files, the
# program too, travel in one solid stream), or version 2 deflate.
# (The signature is in the carried library too, followed by other bytes.)
headers() { python3 -c 'import sys; b = open(sys.argv[1], "rb").read(); s = b"TNCZ\r\n\x1a\n"
print(sorted({b[i + 8:i + 12 if b[i + 8] == 3 else i + 10].hex() for i in range(len(b)) if b.startswith(s, i) and b[i + 8] in (2, 3)}))' "$1"; }
[ -z "$(headers "$work/compress.exe" | tr -d "[]' " | tr , '\n' | grep -v '^0300')" ] && [ "$(headers "$work/zlib.exe")" = "['0200']" ] \
    && pass "--compress packs with LZMA, --compress=zlib with deflate" \
    || fail "packed headers: $(headers "$work/compress.exe") and $(headers "$work/zlib.exe")"
build_setup --compress=zstd --single "$form" "$(winpath "$in")" "$(winpath "$work/unknown.exe")"
[ $? -eq 2 ] && [ ! -e "$work/unknown.exe" ] && pass "an unknown method is refused" || fail "--compress=zstd built"
ls -A "$temp" | grep -q '^~nimbo' && fail "the carried library's folder is left in $temp" \
    || pass "nothing of the run is left in the temporary folder"
build_setup --single "$form" "$(winpath "$in")" "$(winpath "$work/plain.exe")"
[ $? -eq 1 ] && grep -q "exists already" "$work/build.err" && pass "an existing file is never overwritten" \
    || fail "an existing output: $(cat "$work/build.err")"

# --- Signed: the signature goes behind the payload.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
    -subj "/CN=Nimbo Setup Test" >"$work/openssl.log" 2>&1
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Nimbo Setup Test" \
    -in "$work/compress.exe" -out "$work/signed.exe" >"$work/sign.log" 2>&1 \
    && pass "osslsigncode signs the file" || { fail "signing:"; cat "$work/sign.log"; }
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.log" 2>&1 \
    && pass "osslsigncode verifies the signed file" || { fail "verify:"; cat "$work/verify.log"; }
installs_exactly "$work/signed.exe" "signed"

# --- Damaged or cut: refused before anything is written.
read -r image directory data < <(layout "$work/signed.exe")
size=$(stat -c %s "$work/compress.exe")
refused() {
    local what="$1"
    run_setup "$work/bad.exe" 3 "$what"
    [ ! -e "$target" ] && pass "$what: no destination folder" || fail "$what: $target was made"
    grep -aq "damaged or incomplete" "$work/run.log" \
        && pass "$what: says the file is damaged or incomplete" || fail "$what: the log says $(cat "$work/run.log")"
}
for cut in $image $((image + 20)) $((directory + 10)) $((data + 1000)) $((size - 1)); do
    head -c "$cut" "$work/compress.exe" >"$work/bad.exe"
    refused "cut at $cut of $size"
done
flip() {
    cp "$1" "$work/bad.exe"
    python3 -c 'import sys; f = open(sys.argv[1], "r+b"); f.seek(int(sys.argv[2])); b = f.read(1); f.seek(-1, 1); f.write(bytes([b[0] ^ 0x20]))' \
        "$work/bad.exe" "$2"
}
# Attended, the user reads why.
wine "$work/bad.exe" >"$work/setup.out" 2>&1 </dev/null &
app=$!
robot 'set timeout 30' 'within any' \
    'wait dialog "Error" text equals "The setup file is damaged or incomplete. Please download it again."' \
    'answer "Error" "&OK"' && pass "attended, the message says the file is damaged and to download it again" \
    || fail "attended: no such message"
wait $app
[ ! -e "$target" ] && pass "attended: no destination folder" || fail "attended: $target was made"
flip "$work/compress.exe" $((directory + 5))
refused "a flipped byte in the directory"
flip "$work/signed.exe" $((data + 300000))
refused "a flipped byte in a file of the signed setup"
[ ! -e "$WINEPREFIX/drive_c/windows/Nimbo Setup" ] || ! ls "$WINEPREFIX/drive_c/windows/Nimbo Setup" | grep -q journal \
    && pass "no journal is left" || fail "a journal is left"

# --- The shipped form as one file: its uninstaller is the program part.
build_setup --compress --single "$(winpath "$root/src/app/nimbo_form.nfm")" "$(winpath "$build/payload")" \
    "$(winpath "$work/Demo Setup.exe")"
[ $? -eq 0 ] && pass "the shipped form builds as one file" || fail "shipped form: $(cat "$work/build.err")"
# Signed, as it would ship.
osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -in "$work/Demo Setup.exe" -out "$work/demo.signed" \
    >"$work/sign.log" 2>&1 && mv "$work/demo.signed" "$work/Demo Setup.exe" || fail "signing the demo: $(cat "$work/sign.log")"
apps="$WINEPREFIX/drive_c/Apps/SingleDemo"
rm -rf "$apps"
wine "$work/Demo Setup.exe" /VERYSILENT /LANG=Deutsch '/DIR=C:\Apps\SingleDemo' >"$work/setup.out" 2>&1 </dev/null
rc=$?
[ $rc -eq 0 ] && pass "the demo installs" || fail "the demo install ended with $rc"
read -r demo_image _ < <(layout "$work/Demo Setup.exe")
placed="$apps/setup.exe"  # whatever the downloaded file was called
[ -f "$placed" ] && [ "$(stat -c %s "$placed")" -eq "$demo_image" ] && [ ! -e "$apps/TNLANG32.DLL" ] \
    && pass "the uninstaller is the program part alone ($demo_image of $(stat -c %s "$work/Demo Setup.exe") bytes)" \
    || fail "the uninstaller: $(ls -l "$apps")"
# The copy of the image alone names no signature it does not hold.
python3 -c 'import struct, sys; b = open(sys.argv[1], "rb").read(); pe = struct.unpack_from("<I", b, 0x3C)[0]
sys.exit(struct.unpack_from("<II", b, pe + 24 + 96 + 32) != (0, 0))' "$placed" \
    && pass "the uninstaller names no signature" || fail "the uninstaller still names the setup's signature"
wine "$placed" UNINSTALL /VERYSILENT /LANG=Deutsch "/LOG=$(winpath "$work/uninstall.log")" >"$work/uninstall.out" 2>&1 </dev/null
rc=$?
[ $rc -eq 0 ] && pass "the registered uninstaller ends with 0" || fail "the uninstall ended with $rc"
grep -q "Corvane Linker Setup deinstallieren" "$work/uninstall.log" \
    && pass "the uninstaller speaks German without a language library" || fail "the uninstall's log: $(cat "$work/uninstall.log")"
# Said once, by the copy that removes, not by the program that hands over.
[ "$(grep -c 'stalling for' "$work/uninstall.log")" -eq 1 ] && grep -q '  Uninstalling for all users\.' "$work/uninstall.log" \
    && pass "the uninstall's log says once whom it uninstalls for" || fail "the uninstall's log: $(cat "$work/uninstall.log")"
wait_for "$apps" 20 gone && pass "the uninstall removes everything" || { fail "left:"; ls -la "$apps"; }
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\UnInstall\Corvane Linker' >/dev/null 2>&1 </dev/null \
    && fail "the registration is left" || pass "the registration is gone"

rm -rf "$target" "$apps"
[ $failures -eq 0 ] && rm -rf "$work"
exit $((failures > 0))
