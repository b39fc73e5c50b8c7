#!/bin/bash
# Runs every fuzz target for a bounded time; fails if any finds a fault.
#   fuzz.sh <fuzz build dir> <win32 build dir> <seconds per target>
# The corpus of tests/fuzz/corpus/<target>/ seeds each run; what a run adds
# stays in the build tree, so the repository keeps only its small seeds.
set -uo pipefail
fuzz="$1"
win="$2"
seconds="$3"
root="$(cd "$(dirname "$0")/.." && pwd)"
corpus="$root/tests/fuzz/corpus"
failed=()

for target in script_stream form_reader form_text comp_format author_script payload; do
    work="$fuzz/runs/$target"
    mkdir -p "$work/corpus" "$work/artifacts"
    echo "== $target: $seconds s"
    if "$fuzz/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$corpus/$target" \
        >"$work/log.txt" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done' "$work/log.txt" | tr '\n' ' '
        echo
    else
        failed+=("$target")
        tail -40 "$work/log.txt"
    fi
done

# The install log reader reads through the platform's profile services.
echo "== install_log (Wine): $seconds s"
seeds=""
for f in "$corpus"/install_log/*; do seeds+="Z:${f//\//\\};"; done
if NIMBO_FUZZ_SECONDS="$seconds" NIMBO_FUZZ_CORPUS="$seeds" \
    "$root/scripts/wine-run.sh" "$win/tests/fuzz/fuzz_install_log.exe" >"$fuzz/runs/install_log.txt" 2>&1; then
    grep -E 'damaged logs|PASSED' "$fuzz/runs/install_log.txt"
else
    failed+=(install_log)
    tail -40 "$fuzz/runs/install_log.txt"
fi
"$root/scripts/wine-env.sh" stop

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzzing found faults in: ${failed[*]}"
    exit 1
fi
echo "every fuzz target ran clean"
