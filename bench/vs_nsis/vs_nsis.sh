#!/bin/bash
# Our setup against NSIS on the same payload: each installer is built
# (ours by nimbobuild with compression, NSIS's by makensis with zlib,
# x86-ansi), then installed silently into a fresh folder of one Wine prefix,
# timed from process start to exit, in interleaved rounds (each round
# starts with another side; each round gives a ratio). Prints the
# median time ratio ours / NSIS with its spread (lowest to highest round),
# and the ratio of the size of what ships. The same payload built as one
# file (--single) runs in the same rounds: its time ratio to the setup
# folder (target at most 1.05) and to NSIS. The size of what ships is also
# compared with NSIS's best, a solid LZMA installer (built, not timed).
# Targets: time at most 0.5 (large payload) and 1.0 (small); size within 5%
# of NSIS zlib, and at most 1.01 of NSIS solid LZMA on the large payload.
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
command -v makensis >/dev/null || { echo "vs_nsis: makensis missing (scripts/bootstrap.sh installs nsis)"; exit 1; }
[ -x "$build/nimbobuild.exe" ] || [ -f "$build/nimbobuild.exe" ] || { echo "vs_nsis: build the win32 tree first"; exit 1; }
rm -rf "$work/payload" "$work/ours" "$work/nsis" "$work/single"
mkdir -p "$work"
win() { winepath -w "$1" 2>/dev/null; }

# Until setup.exe takes /VERYSILENT, ours runs a form whose chain is the copy
# page alone (no page waits for an answer); with it, the directory page and
# the copy page with /VERYSILENT /DIR=.
if grep -qa VERYSILENT "$build/setup.exe"; then
    mode="/VERYSILENT /DIR"; first=suDir
else
    mode="copy page alone (no /VERYSILENT yet)"; first=suCopy
fi
sed "s/%FIRST%/$first/" "$root/bench/vs_nsis/bench.nfm" >"$work/bench.nfm"

# Text: lines of words; executables: our own built programs end to end;
# random bytes: incompressible.
make_payload() {
    local dir="$1" kind="$2" size="$3" n="$4"
    python3 - "$dir" "$kind" "$size" "$n" "$build" <<'PY'
import os, random, sys, glob
d, kind, size, n, build = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
os.makedirs(d, exist_ok=True)
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
# Six rounds: each side takes each place in the order twice.
rounds=6
# One install into a fresh folder; prints seconds. Each starts with the
# disk at rest: the writes of the last install (or of building the
# payload) go out first, outside the timing, so neither side pays for the
# other's.
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
ours_install() {
    if [ "$first" = suDir ]; then
        (cd "$work/ours" && timed_install "$1" wine setup.exe /VERYSILENT '/DIR=C:\NimboBench\ours')
    else
        (cd "$work/ours" && timed_install "$1" wine setup.exe)
    fi
}
nsis_install() { timed_install "$1" wine "$work/nsis/setup.exe" /S '/D=C:\NimboBench\nsis'; }
single_install() { timed_install "$1" wine "$work/single/setup.exe" /VERYSILENT '/DIR=C:\NimboBench\single'; }

run_case() {
    local label="$1" kind="$2" size="$3" n="$4" target_ratio="$5"
    local payload="$work/payload/$label"
    make_payload "$payload" "$kind" "$size" "$n"
    rm -rf "$work/ours" "$work/nsis" "$work/single" && mkdir -p "$work/nsis" "$work/single"
    wine "$build/nimbobuild.exe" --compress "$(win "$work/bench.nfm")" "$(win "$payload")" "$(win "$work/ours")" \
        >"$work/build.log" 2>&1 </dev/null || { cat "$work/build.log"; return 1; }
    wine "$build/nimbobuild.exe" --compress --single "$(win "$work/bench.nfm")" "$(win "$payload")" \
        "$(win "$work/single/setup.exe")" >"$work/build.log" 2>&1 </dev/null || { cat "$work/build.log"; return 1; }
    makensis -V1 -DOUTFILE="$work/nsis/setup.exe" -DPAYLOAD="$payload" "$root/bench/vs_nsis/installer.nsi" \
        >"$work/makensis.log" 2>&1 || { cat "$work/makensis.log"; return 1; }
    makensis -V1 -DOUTFILE="$work/nsis/solid.exe" -DPAYLOAD="$payload" "-DCOMPRESSOR=/SOLID lzma" \
        "$root/bench/vs_nsis/installer.nsi" >"$work/makensis.log" 2>&1 || { cat "$work/makensis.log"; return 1; }
    local ours_dir="$WINEPREFIX/drive_c/NimboBench/ours" nsis_dir="$WINEPREFIX/drive_c/NimboBench/nsis"
    local single_dir="$WINEPREFIX/drive_c/NimboBench/single"
    local ours_t="" nsis_t="" single_t="" r side
    # Each round starts with another side: ours, NSIS, the single file.
    for r in $(seq 1 $rounds); do
        for side in $(printf '%s\n' ours nsis single ours nsis | tail -n +$(((r - 1) % 3 + 1)) | head -3); do
            case $side in
            ours) ours_t="$ours_t $(ours_install "$ours_dir")" ;;
            nsis) nsis_t="$nsis_t $(nsis_install "$nsis_dir")" ;;
            single) single_t="$single_t $(single_install "$single_dir")" ;;
            esac
        done
    done
    local got_ours got_nsis
    got_ours=$(find "$ours_dir" -type f ! -name INSTALL.LOG | wc -l)
    got_nsis=$(find "$nsis_dir" -type f | wc -l)
    [ "$(find "$single_dir" -type f ! -name INSTALL.LOG | wc -l)" -eq "$n" ] ||
        echo "$label: WARNING the single file installed $(find "$single_dir" -type f ! -name INSTALL.LOG | wc -l) files"
    local ours_b nsis_b
    ours_b=$(du -cb "$work/ours"/* | tail -1 | cut -f1)
    nsis_b=$(stat -c %s "$work/nsis/setup.exe")
    python3 - "$label" "$ours_t" "$nsis_t" "$ours_b" "$nsis_b" "$target_ratio" "$got_ours" "$got_nsis" "$n" "$single_t" \
        "$(stat -c %s "$work/single/setup.exe")" "$(stat -c %s "$work/nsis/solid.exe")" <<'PY'
import statistics, sys
label, ot, nt, ob, nb, target, go, gn, n, st, sb, solid = sys.argv[1:]
ot, nt, st = [float(t) for t in ot.split()], [float(t) for t in nt.split()], [float(t) for t in st.split()]
ob, nb, target = int(ob), int(nb), float(target)
ratios = [o / t for o, t in zip(ot, nt)]
print(f"{label}: install ours {statistics.median(ot):.2f} s, NSIS {statistics.median(nt):.2f} s (medians), "
      f"ratio {statistics.median(ratios):.2f} (median of {len(ratios)} rounds, spread {min(ratios):.2f}-{max(ratios):.2f}; "
      f"target <= {target:.1f})")
print(f"{label}: shipped ours {ob} bytes, NSIS {nb} bytes, ratio {ob/nb:.3f} (target at most 1.05)")
print(f"{label}: shipped ours {ob} bytes, single file {sb} bytes, NSIS solid LZMA {solid} bytes, "
      f"ratios {ob/int(solid):.3f} and {int(sb)/int(solid):.3f}")
to_folder = [s / o for s, o in zip(st, ot)]
to_nsis = [s / t for s, t in zip(st, nt)]
print(f"{label}: single file {statistics.median(st):.2f} s, ratio to the setup folder {statistics.median(to_folder):.2f} "
      f"(median of {len(to_folder)} rounds, spread {min(to_folder):.2f}-{max(to_folder):.2f}; target <= 1.05), "
      f"to NSIS {statistics.median(to_nsis):.2f} (spread {min(to_nsis):.2f}-{max(to_nsis):.2f}); "
      f"{int(sb)} bytes")
if int(go) != int(n) or int(gn) != int(n):
    print(f"{label}: WARNING installed files: ours {go}, NSIS {gn}, expected {n}")
PY
    rm -rf "$payload" "$ours_dir" "$nsis_dir" "$single_dir"
}

echo "ours driven by: $mode"
rc=0
run_case "200 MiB in 20 files" mixed $((10 * 1024 * 1024)) 20 0.5 || rc=1
run_case "5000 files of 4 KiB" text 4096 5000 1.0 || rc=1
rm -rf "$work/ours" "$work/nsis" "$work/single" "$work/payload"
exit $rc
