#!/bin/bash
# The layout check on a small repository of its own: a file laid out as the
# repository's .clang-format says passes, one that is not fails and is
# named, and a file git does not track is not looked at.
set -u
root="$(cd "$(dirname "$0")/../.." && pwd)"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

cd "$tree" && git init -q . && cp "$root/.clang-format" .
mkdir -p src
printf 'int Twice(int v) { return 2 * v; }\n' >src/good.cpp
git add -A
out="$("$root/scripts/format_check.sh" "$tree" 2>&1)" || fail "a tree laid out as it should fails: $out"

printf 'int  Thrice(int v){return 3*v;}\n' >src/bad.cpp
printf 'int  Loose ( ) ;\n' >src/untracked.h
git add src/bad.cpp
out="$("$root/scripts/format_check.sh" "$tree" 2>&1)" && fail "a file laid out otherwise passes"
grep -q "src/bad.cpp" <<<"$out" || fail "the file is not named: $out"
grep -q "src/good.cpp\|untracked" <<<"$out" && fail "other files are named: $out"

[ "$failures" -eq 0 ] && echo "format check: all cases pass"
exit $((failures > 0))
