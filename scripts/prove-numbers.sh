#!/usr/bin/env bash
# Proves the three-decimal number formatter equal to printf on every f32 bit pattern.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
cd build
ctest -C Exhaustive -L exhaustive --output-on-failure
