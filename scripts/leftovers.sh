#!/bin/bash
# After a test run: fails, with a list, when a process of a test prefix is
# still running: Wine's own processes (wineserver, explorer.exe,
# services.exe, ...) or the display and window manager started for one.
# Each of them carries its prefix in its environment (WINEPREFIX, which
# scripts/wine-env.sh exports before it starts anything).
#   scripts/leftovers.sh <build dir>      (prefixes below that folder)
set -uo pipefail
dir="$(cd "${1:?usage: scripts/leftovers.sh <build dir>}" && pwd)"

source "$(dirname "${BASH_SOURCE[0]}")/prefix_processes.sh"

list() {
    local pid prefix
    nimbo_prefix_processes "$dir/*" | while read -r pid prefix; do
        printf '  %s %s (prefix %s)\n' "$pid" \
            "$( (tr '\0' ' ' <"/proc/$pid/cmdline") 2>/dev/null | cut -c1-120)" "${prefix#"$dir"/}"
    done
}

# Stopped servers take their processes with them, not at once.
end=$((SECONDS + 10))
while :; do
    left="$(list)"
    [ -z "$left" ] && exit 0
    [ $SECONDS -ge $end ] && break
    sleep 0.2
done
echo "FAILED: processes of test prefixes are still running after the tests:"
echo "$left"
exit 1
