#!/bin/bash
# Runs a Windows program under Wine for CTest: in the build tree's prefix,
# on the Xvfb display, with its output through a file (Wine's processes keep
# a pipe open until wineserver ends).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out="$(mktemp)"
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
# A connection to the Wine server lost before the program ran is Wine's
# hiccup, not the program's result: try once more.
if [ $rc -ne 0 ] && grep -q '^wine client error' "$out"; then
    sleep 1
    wine "$@" >"$out" 2>&1 </dev/null
    rc=$?
fi
cat "$out"
rm -f "$out"
exit $rc
