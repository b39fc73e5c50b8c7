#!/bin/sh
# Lists every function of the program's sources (src/, modules/, tools/; not
# the tests) longer than 60 lines, from the line of its name to its closing
# brace, and fails when there is one: a longer function is split into named
# steps.
#   scripts/long_functions.sh [source root]      (default: this checkout)
set -eu
limit=60
root="${1:-$(dirname "$0")/..}"
cd "$root"

if ! command -v ctags >/dev/null 2>&1; then
    echo "long_functions: ctags (universal-ctags) is missing; run scripts/bootstrap.sh" >&2
    exit 2
fi
dirs=""
for d in src modules tools; do
    if [ -d "$d" ]; then dirs="$dirs $d"; fi
done
[ -n "$dirs" ] || exit 0

# shellcheck disable=SC2086  # the folders are split on purpose
tags="$(ctags -R --languages=C++,C --langmap=C++:+.h --kinds-C++=f --kinds-C=f --fields=+ne -o - $dirs)"
long="$(printf '%s\n' "$tags" | awk -F'\t' -v limit="$limit" '
    {
        line = ""; end = ""; scope = ""
        for (i = 4; i <= NF; i++) {
            if ($i ~ /^line:/) line = substr($i, 6)
            else if ($i ~ /^end:/) end = substr($i, 5)
            else if ($i ~ /^(class|struct):/) scope = substr($i, index($i, ":") + 1) "::"
        }
        gsub(/__anon[0-9a-f]+::/, "", scope)  # how ctags names an unnamed namespace
        if (line != "" && end != "" && end - line + 1 > limit)
            printf "%s:%d: %s%s (%d lines)\n", $2, line, scope, $1, end - line + 1
    }' | sort -t: -k1,1 -k2,2n)"

if [ -n "$long" ]; then
    echo "Functions over $limit lines:"
    printf '%s\n' "$long"
    exit 1
fi
