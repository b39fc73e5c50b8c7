#!/bin/bash
# Our setup against the peers a setup author weighs it against, on the same
# payload: NSIS built three ways (zlib; LZMA; LZMA solid, everything in one
# stream) and an MSI (Debian's wixl, one component, the cabinet embedded,
# installed by Wine's msiexec). Ours is built by nimbobuild --compress as a
# setup folder and as one file (--single). Each is installed silently into
# a fresh folder of one Wine prefix, timed from process start to exit, in
# interleaved rounds (each round starts with another side, so the i-th
# times of two sides were taken side by side). report.py prints, per
# payload, the shipped sizes and the time ratios with their targets.
set -uo pipefail
root="@CMAKE_SOURCE_DIR@"
build="$root/build/win32"
work="$root/build/bench/vs_nsis"
export NIMBO_WINEPREFIX="$work/wineprefix"
source "$root/scripts/wine-env.sh"
trap '"$root/scripts/wine-env.sh" stop' EXIT
# Windows always has its desktop. Wine starts its desktop process when a
# program first makes a window and ends it a second or two after the last
# one has gone, so each timed run of a setup that makes windows would pay
# that start (about 0.25 s) while NSIS's silent install, which makes none,
# would not. A program with a window of its own keeps the desktop up for the
# whole comparison, as on Windows; "wine-env.sh stop" ends it.
wine notepad.exe >/dev/null 2>&1 </dev/null &
for tool in makensis wixl; do
    command -v $tool >/dev/null || { echo "vs_nsis: $tool missing (scripts/bootstrap.sh installs it)"; exit 1; }
done
[ -f "$build/nimbobuild.exe" ] || { echo "vs_nsis: build the win32 tree first"; exit 1; }
rm -rf "$work/payload" "$work/out"
mkdir -p "$work"
win() { winepath -w "$1" 2>/dev/null; }
sed "s/%FIRST%/suDir/" "$root/bench/vs_nsis/bench.nfm" >"$work/bench.nfm"

# Text: lines of words; executables: our own built programs end to end;
# random bytes: incompressible; programs: the built programs themselves,
# each file as it is (where the branch filter for x86 code matters).
make_payload() {
    local dir="$1" kind="$2" size="$3" n="$4"
    python3 - "$dir" "$kind" "$size" "$n" "$build" <<'PY'
import os, random, sys, glob
d, kind, size, n, build = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
os.makedirs(d, exist_ok=True)
if kind == 'programs':
    import shutil
    for p in sorted(glob.glob(build + '/*.exe') + glob.glob(build + '/*.DLL') + glob.glob(build + '/tests/*/*.exe')):
        # (renamed: setup.exe and the libraries' names are the setup's own)
        shutil.copyfile(p, os.path.join(d, 'built_' + os.path.basename(p)))
    sys.exit(0)
rnd = random.Random(14)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10))) for _ in range(5000)]
lines = [(' '.join(rnd.choices(words, k=rnd.randint(4, 14))) + '\r\n').encode() for _ in range(20000)]
# (not below the prefixes: their z: drive is the whole file system)
exes = b''.join(open(p, 'rb').read() for p in sorted(glob.glob(build + '/*.exe') + glob.glob(build + '/tests/*/*.exe'))[:40])
for i in range(n):
    k = kind if kind != 'mixed' else ('text', 'exe', 'random')[i % 3]
    if k == 'text':
        data = b''.join(rnd.choices(lines, k=size // 40 + 16))[:size]; name = 'text%04d.txt' % i
    elif k == 'exe':
        start = rnd.randrange(len(exes))
        data = (exes[start:] + exes * (size // len(exes) + 1))[:size]; name = 'prog%04d.exe' % i
    else:
        data = os.urandom(size); name = 'data%04d.bin' % i
    open(os.path.join(d, name), 'wb').write(data)
PY
}


now() { date +%s.%N; }
rounds=3
# One install into a fresh folder; prints seconds. Each starts with the
# disk at rest: the writes of the last install (or of building the
# payload) go out first, outside the timing, so no side pays for another's.
timed_install() {
    local target="$1"; shift
    rm -rf "$target"
    sync
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1 </dev/null
    local rc=$?
    t1=$(now)
    # A run that failed is no time of an install.
    [ $rc -eq 0 ] || echo "WARNING: $* ended with $rc" >&2
    python3 -c "print($t1 - $t0)"
}
target_of() { echo "$WINEPREFIX/drive_c/NimboBench/$1"; }
install_side() {
    local side="$1" out="$work/out/$1"
    case $side in
    folder) (cd "$out" && timed_install "$(target_of folder)" wine setup.exe /VERYSILENT '/DIR=C:\NimboBench\folder') ;;
    single | single_zlib)
        timed_install "$(target_of "$side")" wine "$out/setup.exe" /VERYSILENT "/DIR=C:\\NimboBench\\$side" ;;
    nsis_*) timed_install "$(target_of "$side")" wine "$out/setup.exe" /S "/D=C:\\NimboBench\\$side" ;;
    msi)
        timed_install "$(target_of msi)" wine start /wait msiexec /i "$(win "$out/setup.msi")" /qn \
            'INSTALLDIR=C:\NimboBench\msi'
        # Installed once, an MSI would only be repaired: it goes again
        # outside the timing.
        wine start /wait msiexec /x "$(win "$out/setup.msi")" /qn >/dev/null 2>&1 </dev/null ;;
    esac
}

# Builds every side from the payload; prints "size_<side>=bytes" pairs.
build_sides() {
    local payload="$1" out="$2" log="$work/build.log" c
    rm -rf "$out" && mkdir -p "$out/single" "$out/single_zlib" "$out/msi"
    wine "$build/nimbobuild.exe" --compress "$(win "$work/bench.nfm")" "$(win "$payload")" "$(win "$out/folder")" \
        >"$log" 2>&1 </dev/null || { cat "$log" >&2; return 1; }
    wine "$build/nimbobuild.exe" --compress --single "$(win "$work/bench.nfm")" "$(win "$payload")" \
        "$(win "$out/single/setup.exe")" >"$log" 2>&1 </dev/null || { cat "$log" >&2; return 1; }
    # For reference, no target: the same single file packed with deflate,
    # which tells our program's own pace from the codec's.
    wine "$build/nimbobuild.exe" --compress=zlib --single "$(win "$work/bench.nfm")" "$(win "$payload")" \
        "$(win "$out/single_zlib/setup.exe")" >"$log" 2>&1 </dev/null || { cat "$log" >&2; return 1; }
    for c in zlib lzma "/SOLID lzma"; do
        local side=nsis_${c#/SOLID }
        [ "$c" = "/SOLID lzma" ] && side=nsis_solid
        mkdir -p "$out/$side"
        makensis -V1 "-DCOMPRESSOR=$c" -DOUTFILE="$out/$side/setup.exe" -DPAYLOAD="$payload" \
            "$root/bench/vs_nsis/installer.nsi" >"$log" 2>&1 || { cat "$log" >&2; return 1; }
        echo "size_$side=$(stat -c %s "$out/$side/setup.exe")"
    done
    python3 "$root/bench/vs_nsis/msi_source.py" "$payload" "$out/msi/setup.wxs" &&
        (cd "$payload" && wixl -o "$out/msi/setup.msi" "$out/msi/setup.wxs") >"$log" 2>&1 || { cat "$log" >&2; return 1; }
    echo "size_folder=$(du -cb "$out/folder"/* | tail -1 | cut -f1)"
    echo "size_single=$(stat -c %s "$out/single/setup.exe")"
    echo "size_single_zlib=$(stat -c %s "$out/single_zlib/setup.exe")"
    echo "size_msi=$(stat -c %s "$out/msi/setup.msi")"
}

sides=(folder single nsis_zlib nsis_lzma nsis_solid msi single_zlib)
run_case() {
    local label="$1" kind="$2" size="$3" n="$4" targets="$5"
    local payload="$work/payload/$label" sizes
    make_payload "$payload" "$kind" "$size" "$n"
    n=$(ls "$payload" | wc -l)
    sizes=$(build_sides "$payload" "$work/out") || return 1
    declare -A times=()
    local r i side
    # Each round starts two sides further on.
    for r in $(seq 0 $((rounds - 1))); do
        for i in $(seq 0 $((${#sides[@]} - 1))); do
            side=${sides[$(((i + 2 * r) % ${#sides[@]}))]}
            times[$side]="${times[$side]:+${times[$side]},}$(install_side "$side")"
        done
    done
    for side in "${sides[@]}"; do
        local got
        got=$(find "$(target_of "$side")" -type f ! -name INSTALL.LOG 2>/dev/null | wc -l)
        # The MSI was removed after its last round.
        [ "$side" = msi ] || [ "$got" -eq "$n" ] || echo "$label: WARNING $side installed $got of $n files"
    done
    python3 "$root/bench/vs_nsis/report.py" "$label" "$targets" $sizes $stub_sizes \
        $(for side in "${sides[@]}"; do echo "time_$side=${times[$side]}"; done)
    local rc=$?
    rm -rf "$payload"
    for side in "${sides[@]}"; do rm -rf "$(target_of "$side")"; done
    return $rc
}

# Our program and NSIS's stub: the single file and NSIS LZMA solid of a
# payload of one empty file.
mkdir -p "$work/payload/stub" && : >"$work/payload/stub/empty.txt"
stub_sizes=$(build_sides "$work/payload/stub" "$work/out/stub" | sed -n 's/^size_\(single\|nsis_solid\)=/size_\1_stub=/p')
[ -n "$stub_sizes" ] || { echo "vs_nsis: the stub builds failed"; exit 1; }
rm -rf "$work/out/stub"

rc=0
# VS_NSIS_LARGE sets the number of 10 MiB files of the large payload (20);
# LZMA packs its random third slowly, so a quick look may take fewer.
large=${VS_NSIS_LARGE:-20}
run_case "$((large * 10)) MiB in $large files" mixed $((10 * 1024 * 1024)) "$large" large || rc=1
run_case "5000 files of 4 KiB" text 4096 5000 small || rc=1
run_case "built programs" programs 0 0 programs || rc=1
rm -rf "$work/out" "$work/payload"
exit $rc
