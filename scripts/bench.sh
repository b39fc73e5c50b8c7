#!/bin/bash
# `make bench`: every benchmark of both trees, each printing its ratios.
# Like `make test`, it ends the Wine server and the Xvfb display it used.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
trap '"$root/scripts/wine-env.sh" stop' EXIT
rc=0
for b in $(find "$root/build/host/bench" -type f -name 'bench_*' -perm -u+x 2>/dev/null | sort); do
    echo "== $(basename "$b")"
    "$b" || rc=1
done
for b in $(find "$root/build/win32/bench" -type f -name 'bench_*.exe' 2>/dev/null | sort); do
    echo "== $(basename "$b")"
    "$root/scripts/wine-run.sh" "$b" || rc=1
done
exit $rc
