#!/bin/bash
# After a test run: fails, with a list, when a process of a test prefix is
# still running: Wine's own processes (wineserver, explorer.exe,
# services.exe, ...) or the display and window manager started for one.
# Each of them carries its prefix in its environment (WINEPREFIX, which
# scripts/wine-env.sh exports before it starts anything).
#   scripts/leftovers.sh <build dir>      (prefixes below that folder)
set -uo pipefail
dir="$(cd "${1:?usage: scripts/leftovers.sh <build dir>}" && pwd)"

# This script's own ancestors may have the variable too (a shell that
# sourced wine-env.sh runs make test): they are not left over.
ancestors=" "
p=$$
while [ "$p" -gt 1 ] 2>/dev/null; do
    ancestors+="$p "
    p="$(awk '/^PPid:/ {print $2}' "/proc/$p/status" 2>/dev/null)"
    [ -n "$p" ] || break
done

list() {
    local e pid var
    for e in /proc/[0-9]*/environ; do
        pid="${e#/proc/}"
        pid="${pid%/environ}"
        [[ "$ancestors" == *" $pid "* ]] && continue
        # Read without starting a process for each of the machine's processes.
        { while IFS= read -r -d '' var; do
            case "$var" in
            WINEPREFIX="$dir"/*)
                printf '  %s %s (prefix %s)\n' "$pid" \
                    "$( (tr '\0' ' ' <"/proc/$pid/cmdline") 2>/dev/null | cut -c1-120)" "${var#WINEPREFIX="$dir"/}"
                break
                ;;
            WINEPREFIX=*) break ;;
            esac
        done <"$e"; } 2>/dev/null
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
