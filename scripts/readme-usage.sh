#!/usr/bin/env bash
# Writes README.md's usage block, between its "usage: begin" and "usage: end" markers, from the
# "Usage:" lines the built programs print for --help. With --check it changes nothing and fails,
# showing the difference, when the block is not what the programs print (ctest readme_usage).
# Usage: scripts/readme-usage.sh [--check] [BUILD_DIR]   (default: build)
set -euo pipefail
check=no
if [ "${1:-}" = --check ]; then check=yes; shift; fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
readme=$root/README.md
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The usage lines of one program: from "Usage:" to the first empty line. The windows answer
# --help before they need a display.
usage_of() { "$@" --help | sed -n '/^Usage:/,/^$/p' | sed '/^$/d'; }
{
    echo '```text'
    usage_of "$build/app/qorutil"
    usage_of "$build/preview/qorutil-preview"
    usage_of "$build/cli/qorutil-cli"
    echo '```'
} >"$work/block"

begin='^<!-- usage: begin'
end='^<!-- usage: end'
if [ "$(grep -c "$begin" "$readme")" != 1 ] || [ "$(grep -c "$end" "$readme")" != 1 ]; then
    echo "readme-usage.sh: README.md needs one usage: begin and one usage: end marker" >&2
    exit 1
fi
awk -v block="$work/block" -v begin="$begin" -v end="$end" '
    $0 ~ begin { print; while ((getline line < block) > 0) print line; skipping = 1; next }
    $0 ~ end { skipping = 0 }
    !skipping { print }
' "$readme" >"$work/README.md"

if [ "$check" = yes ]; then
    if ! diff -u "$readme" "$work/README.md"; then
        echo "README.md's usage block is not what the programs print: run bash scripts/readme-usage.sh" >&2
        exit 1
    fi
    echo "README.md's usage block is what the programs print"
else
    cat "$work/README.md" >"$readme"
fi
