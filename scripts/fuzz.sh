#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz/ (clang, ASan and UBSan), writes their seed
# corpora with our own generator and runs each for a bounded time. Any crash, leak,
# sanitizer report, timeout or round-trip inequality fails the script; the input that did it
# is kept in build-fuzz/findings/ and shown in hex.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
# The sanitizers name source lines in their reports through llvm-symbolizer.
export PATH="$PATH:/usr/lib/llvm-14/bin"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQORUTIL_FUZZ=ON -DQORUTIL_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)"

out=build-fuzz/run
rm -rf "$out" build-fuzz/findings
mkdir -p "$out" build-fuzz/findings
build-fuzz/fuzz/qorutil-fuzz-seeds "$out/seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen

# target, seed kind, longest input: a compiled file inflates up to about a thousand times
# its size, so its inputs stay smaller than bodies and texts.
targets=(
    "fuzz_compiled compiled 16384"
    "fuzz_body body 32768"
    "fuzz_text text 32768"
    "fuzz_text_roundtrip text 32768"
    "fuzz_body_roundtrip body 32768"
    "fuzz_edit body 1024"
)
failed=0
for entry in "${targets[@]}"; do
    read -r target kind max_len <<<"$entry"
    corpus="$out/$target"
    findings="build-fuzz/findings/$target-"
    mkdir -p "$corpus"
    dict=()
    [ "$kind" = text ] && dict=(-dict=fuzz/reanim.dict)
    start=$SECONDS
    status=0
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len="$max_len" \
        -artifact_prefix="$findings" -print_final_stats=1 "${dict[@]}" "$corpus" "$out/seeds/$kind" \
        >"$out/$target.log" 2>&1 || status=$?
    runs=$(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$out/$target.log" || true)
    echo "$target: ${runs:-no runs finished}, $((SECONDS - start)) s, exit status $status"
    if [ "$status" -ne 0 ] || grep -q 'runtime error:\|ERROR: \(Address\|Leak\|libFuzzer\)Sanitizer\|ERROR: libFuzzer' "$out/$target.log"; then
        failed=1
        echo "---- $target FAILED; the end of its log ($out/$target.log):"
        tail -n 60 "$out/$target.log"
        for finding in "$findings"*; do
            [ -e "$finding" ] || continue
            echo "---- reproducer: $finding ($(stat -c %s "$finding") bytes); run again with: build-fuzz/fuzz/$target $finding"
            od -A x -t x1z -v "$finding" | head -n 64
        done
    fi
done
exit "$failed"
