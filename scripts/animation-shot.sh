#!/usr/bin/env bash
# Builds, writes the sample parade (which attaches the walker) and exports its clip "march"
# with qorutil-cli render as the looping GIF shown in the README, docs/parade.gif.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

work=$(mktemp -d /tmp/qorutil-animation.XXXXXX)
trap 'rm -rf "$work"' EXIT
build/tools/qorutil-sample "$work" >/dev/null
mkdir -p docs
build/cli/qorutil-cli render "$work/parade.reanim" --clip march --images "$work/images" \
    --background white --animation docs/parade.gif
echo "Animation saved to docs/parade.gif"
