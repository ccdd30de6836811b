#!/usr/bin/env bash
# Configures and builds everything into build/ with warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORUTIL_WERROR=ON "$@"
cmake --build build -j"$(nproc)"
