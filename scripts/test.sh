#!/usr/bin/env bash
# Installs, builds and runs the whole test suite through CTest, headless; then builds and
# runs it again with AddressSanitizer and UBSan (build-asan/), fuzzes the core
# (scripts/fuzz.sh, build-fuzz/), and builds and tests the page (scripts/web.sh, build-web/,
# scripts/web-test.sh). Prints the time each step took; any failure stops it.
set -euo pipefail
cd "$(dirname "$0")/.."
export QT_QPA_PLATFORM=offscreen
# The sanitizers name source lines in their reports through llvm-symbolizer.
export PATH="$PATH:/usr/lib/llvm-14/bin"

times=()
step() {
    local name=$1 start=$SECONDS status=0
    shift
    echo "==== $name"
    "$@" || status=$?
    times+=("$(printf '%-34s %5d s%s' "$name" $((SECONDS - start)) "$([ "$status" -eq 0 ] || echo ", FAILED ($status)")")")
    echo "==== $name took $((SECONDS - start)) s"
    return "$status"
}
report() {
    echo "==== Time per step"
    printf '  %s\n' "${times[@]}"
}
trap report EXIT

step "install dependencies" bash scripts/install-deps.sh
step "build" bash scripts/build.sh
step "test" ctest --test-dir build --output-on-failure --timeout 600
step "build with ASan and UBSan" bash -c 'set -euo pipefail
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORUTIL_SANITIZE=ON -DQORUTIL_WERROR=ON >/dev/null
    cmake --build build-asan -j"$(nproc)"'
step "test with ASan and UBSan" ctest --test-dir build-asan --output-on-failure --timeout 1200
step "fuzz" bash scripts/fuzz.sh "${QORUTIL_FUZZ_SECONDS:-60}"
step "build the page" bash scripts/web.sh
step "test the page" bash scripts/web-test.sh
