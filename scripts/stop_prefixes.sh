#!/bin/bash
# Ends the Wine servers and displays of every prefix below a build folder
# (the tree's own and those of the tests that need their own), as the end
# of a test run does before it looks for leftovers.
#   scripts/stop_prefixes.sh <build dir>
set -uo pipefail
dir="$(cd "${1:?usage: scripts/stop_prefixes.sh <build dir>}" && pwd)"
for p in "$dir"/wineprefix*; do
    [ -d "$p" ] && NIMBO_WINEPREFIX="$p" "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh" stop
done
exit 0
