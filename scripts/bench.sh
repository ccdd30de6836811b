#!/usr/bin/env bash
# Builds and runs the converter benchmarks in build-bench/ (release build).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if ! dpkg-query -W -f='${Status}' libbenchmark-dev 2>/dev/null | grep -q "install ok installed"; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends libbenchmark-dev
fi
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQORUTIL_BUILD_TESTS=OFF -DQORUTIL_BUILD_BENCH=ON
cmake --build build-bench -j"$(nproc)" --target qorutil-bench
build-bench/bench/qorutil-bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true "$@"
