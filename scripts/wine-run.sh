#!/bin/bash
# Runs a Windows program under Wine for CTest: in the build tree's prefix,
# on the Xvfb display, with its output through a file (Wine's processes keep
# a pipe open until wineserver ends).
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
out="$(mktemp)"
wine "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
