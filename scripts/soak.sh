#!/bin/bash
# The Wine test suite, run again and again on a loaded machine, to find the
# tests that depend on timing.
#   scripts/soak.sh [runs] [ctest arguments...]     (runs: 3 unless given)
# Builds nothing: run `make win32` first. While the runs last, stress-ng
# keeps both processors busy (SOAK_LOAD: its arguments, "--cpu 2" unless
# set; SOAK_LOAD=none runs without load). Each run's output goes to
# build/soak/run-N.log; at the end the script prints which tests failed in
# how many runs, and how (Failed, Timeout, ...). A run also fails when a
# process of a test prefix outlives it, as `make test` does. Exit code 0
# when every run passed.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build/win32"
runs="${1:-3}"
[ $# -gt 0 ] && shift
case "$runs" in '' | *[!0-9]* | 0)
    echo "usage: scripts/soak.sh [runs] [ctest arguments...]" >&2
    exit 2
    ;;
esac
if [ ! -f "$build/CTestTestfile.cmake" ]; then
    echo "soak: no Wine build in $build; run make win32 first" >&2
    exit 2
fi
if ! command -v stress-ng >/dev/null; then
    echo "soak: stress-ng is missing; scripts/bootstrap.sh installs it" >&2
    exit 2
fi

out="$root/build/soak"
rm -rf "$out"
mkdir -p "$out"

load_pid=""
stop_load() {
    if [ -n "$load_pid" ]; then
        kill "$load_pid" 2>/dev/null
        wait "$load_pid" 2>/dev/null
        load_pid=""
    fi
}
trap 'stop_load; "$root/scripts/wine-env.sh" stop' EXIT
trap 'exit 130' INT TERM

load="${SOAK_LOAD:---cpu 2}"
if [ "$load" != none ]; then
    # Bounded even if this script is killed without its trap running.
    # shellcheck disable=SC2086
    stress-ng $load --timeout "$((runs * 60))m" --quiet >"$out/stress-ng.log" 2>&1 &
    load_pid=$!
    echo "soak: load: stress-ng $load (pid $load_pid)"
fi

declare -A failed
passed_runs=0
for n in $(seq 1 "$runs"); do
    log="$out/run-$n.log"
    start=$(date +%s)
    (cd "$build" && ctest --output-on-failure "$@") >"$log" 2>&1
    rc=$?
    # Every run ends as `make test` does (every prefix of the tree
    # stopped), and the next starts from there.
    "$root/scripts/stop_prefixes.sh" "$build"
    if ! "$root/scripts/leftovers.sh" "$build" >>"$log" 2>&1; then
        [ $rc -eq 0 ] && rc=1
        echo "The following tests FAILED:" >>"$log"
        echo "  0 - processes_left_over (Failed)" >>"$log"
    fi
    secs=$(($(date +%s) - start))
    # ctest's summary: "  12 - e2e_window_manager (Failed)".
    list="$(sed -n '/^The following tests FAILED:/,$p' "$log" |
        sed -n 's/^[[:space:]]*[0-9]\+ - \([^ ]*\) (\(.*\))[[:space:]]*$/\1 \2/p')"
    if [ $rc -eq 0 ]; then
        passed_runs=$((passed_runs + 1))
        echo "soak: run $n/$runs passed (${secs} s)"
    elif [ -z "$list" ]; then
        echo "soak: run $n/$runs: ctest failed with code $rc and no failed test (${secs} s); see $log"
        failed["(ctest itself)"]+="exit $rc;"
    else
        echo "soak: run $n/$runs: $(echo "$list" | wc -l) failed (${secs} s); see $log"
        while read -r name how; do
            echo "  $name ($how)"
            failed["$name"]+="$how;"
        done <<<"$list"
    fi
done
stop_load

echo "soak: $passed_runs of $runs runs passed"
[ "$passed_runs" -eq "$runs" ] && exit 0
echo "soak: failed tests (runs failed of $runs, how):"
for name in "${!failed[@]}"; do
    hows="${failed[$name]}"
    count=$(tr -cd ';' <<<"$hows" | wc -c)
    summary="$(tr ';' '\n' <<<"$hows" | sed '/^$/d' | sort | uniq -c | awk '{c=$1; $1=""; printf "%s%s x%d", sep, substr($0, 2), c; sep=", "}')"
    printf '  %-40s %d/%d  %s\n' "$name" "$count" "$runs" "$summary"
done | sort
exit 1
