#!/bin/bash
# The long function check on a small tree of its own: which functions it
# lists (60 lines pass, 61 do not, counted from the line of the name;
# headers and C files count, the tests and other folders do not), how it
# names them, and its exit code.
set -u
check="$(cd "$(dirname "$0")/../.." && pwd)/scripts/long_functions.sh"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A function of `lines` lines from its name to its closing brace.
function_of() {
    local signature="$1" lines="$2" i
    echo "$signature"
    echo "{"
    for ((i = 0; i < lines - 3; i++)); do echo "    Step();"; done
    echo "}"
}

mkdir -p "$tree/src/base" "$tree/modules/comp" "$tree/tools/robot" "$tree/tests/base" "$tree/bench"
{
    echo "void Step();"
    function_of "void Fits()" 60
    echo
    # Its second line of parameters counts too.
    function_of "int TooLong(int a,
            int b)" 60
} >"$tree/src/base/a.cpp"
{
    echo "class TReader {"
    echo "public:"
    function_of "    void Inline()" 70
    echo "};"
} >"$tree/modules/comp/reader.h"
function_of "static void plain_c(void)" 62 >"$tree/tools/robot/c_part.c"
{
    echo "namespace {"
    echo "struct TParser {"
    function_of "    void Parse()" 61
    echo "};"
    echo "}  // namespace"
} >"$tree/tools/robot/parser.cpp"
function_of "void LongTest()" 100 >"$tree/tests/base/a_test.cpp"
function_of "void LongBench()" 100 >"$tree/bench/bench.cpp"

out="$("$check" "$tree")"
rc=$?
[ "$rc" -eq 1 ] || fail "exit code $rc with long functions, expected 1"
expected="Functions over 60 lines:
modules/comp/reader.h:3: TReader::Inline (70 lines)
src/base/a.cpp:63: TooLong (61 lines)
tools/robot/c_part.c:1: plain_c (62 lines)
tools/robot/parser.cpp:3: TParser::Parse (61 lines)"
[ "$out" = "$expected" ] || fail "listed:
$out
expected:
$expected"

# Split up, nothing is listed and the check passes.
function_of "void Fits()" 60 >"$tree/src/base/a.cpp"
rm "$tree/modules/comp/reader.h" "$tree/tools/robot/c_part.c" "$tree/tools/robot/parser.cpp"
out="$("$check" "$tree")"
rc=$?
[ "$rc" -eq 0 ] || fail "exit code $rc without long functions, expected 0"
[ -z "$out" ] || fail "listed without long functions: $out"

[ "$failures" -eq 0 ] && echo "long_functions_test: all passed"
exit $((failures > 0))
