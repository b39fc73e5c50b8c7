# Prints one payload's figures from the times and sizes vs_nsis.sh measured:
# argv[1] the payload's label, argv[2] its kind of targets ("large",
# "small" or "programs": the size as the small payload's, a few megabytes
# where our program's own size counts, the times as the large one's), then NAME=VALUES pairs: the sizes ("size_<side>=bytes") and the
# times of each round ("time_<side>=t1,t2,..."; the rounds in order, so
# the i-th times of two sides were taken side by side).
import statistics
import sys

label, kind = sys.argv[1], sys.argv[2]
values = dict(a.split("=", 1) for a in sys.argv[3:])
size = {k[5:]: int(v) for k, v in values.items() if k.startswith("size_")}
time = {k[5:]: [float(t) for t in v.split(",")] for k, v in values.items() if k.startswith("time_")}
names = {"folder": "folder", "single": "single file", "nsis_zlib": "NSIS zlib", "nsis_lzma": "NSIS LZMA",
         "nsis_solid": "NSIS LZMA solid", "msi": "MSI", "single_zlib": "our single file with zlib"}
misses = 0


def verdict(ok):
    global misses
    misses += 0 if ok else 1
    return "ok" if ok else "MISS"


print(f"{label}: shipped bytes: " + ", ".join(f"{names[s]} {size[s]:,}" for s in names if s in size))
# Our program and NSIS's stub: each side's single file of one empty file.
program, stub = size["single_stub"], size["nsis_solid_stub"]
bound = size["nsis_solid"] * 1.01 if kind == "large" else size["nsis_solid"] + (program - stub)
how = "NSIS LZMA solid + 1%" if kind == "large" else f"NSIS LZMA solid + (our program {program:,} - NSIS stub {stub:,})"
print(f"{label}: single file {size['single']:,} bytes, {size['single'] / size['nsis_solid']:.3f} of NSIS LZMA solid "
      f"(target <= {how} = {int(bound):,}) {verdict(size['single'] <= bound)}")
print(f"{label}: install, best of {len(time['single'])}: " +
      ", ".join(f"{names[s]} {min(time[s]):.2f} s" for s in names if s in time))
targets = [("nsis_zlib", 0.6 if kind == "small" else 0.5, "<="), ("nsis_solid", 1.0, "<"), ("msi", 0.8, "<=")]
for ours in ("single", "folder"):
    for peer, target, op in targets:
        ratios = [o / p for o, p in zip(time[ours], time[peer])]
        best = min(time[ours]) / min(time[peer])
        ok = best < target if op == "<" else best <= target
        print(f"{label}: {names[ours]} / {names[peer]} time {best:.2f} best of {len(ratios)} "
              f"(per round median {statistics.median(ratios):.2f}, spread {min(ratios):.2f}-{max(ratios):.2f}; "
              f"target {op} {target}) {verdict(ok)}")
if "single_zlib" in time:
    ratios = [o / p for o, p in zip(time["single_zlib"], time["nsis_zlib"])]
    print(f"{label}: for reference, our single file with zlib ({size['single_zlib']:,} bytes) / NSIS zlib time "
          f"{min(time['single_zlib']) / min(time['nsis_zlib']):.2f} best of {len(ratios)} (per round median "
          f"{statistics.median(ratios):.2f}, spread {min(ratios):.2f}-{max(ratios):.2f}; no target)")
ratios = [s / f for s, f in zip(time["single"], time["folder"])]
print(f"{label}: single file / folder time {statistics.median(ratios):.2f} (median of {len(ratios)} rounds, "
      f"spread {min(ratios):.2f}-{max(ratios):.2f})")
sys.exit(1 if misses else 0)
