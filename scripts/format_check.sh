#!/bin/sh
# Fails when a C++ source of the checkout is not laid out as .clang-format
# says, naming the files; `clang-format -i <file>` lays one out.
#   scripts/format_check.sh [source root]      (default: this checkout)
set -eu
cd "${1:-$(dirname "$0")/..}"
if ! command -v clang-format >/dev/null 2>&1; then
    echo "format_check: clang-format is missing; run scripts/bootstrap.sh" >&2
    exit 2
fi
bad=""
for f in $(git ls-files '*.cpp' '*.h'); do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad="$bad $f"
done
if [ -n "$bad" ]; then
    echo "Not laid out as .clang-format says (clang-format -i to mend):"
    for f in $bad; do echo "  $f"; done
    exit 1
fi
