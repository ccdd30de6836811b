#!/usr/bin/env bash
# Release build in build-bench/, then: the whole programs on a generated set of animations
# against zlib-only programs, as ratios measured in this run, with peak memory; then the
# stage benchmarks (3 repetitions each). Arguments go to the stage benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh libbenchmark-dev
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DQORUTIL_BUILD_TESTS=OFF -DQORUTIL_BUILD_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)" --target qorutil-cli qorutil-bench qorutil-bench-edit qorutil-benchdata inflate-only deflate-only measure

bin=build-bench/bench
cli=build-bench/cli/qorutil-cli
data=$(mktemp -d /tmp/qorutil-bench.XXXXXX)
trap 'rm -rf "$data"' EXIT
"$bin/qorutil-benchdata" "$data"
repeats=5
measure() { "$bin/measure" "$repeats" "" "$@"; }
# Each run starting with no outputs, as a first conversion of a folder does.
measure_new() { local setup=$1; shift; "$bin/measure" "$repeats" "$setup" "$@"; }
size() { stat -c %s "$1"; }

read -r dec_ms dec_kb < <(measure_new "rm -f $data/set/compiled/*.reanim" "$cli" decompile -j 1 "$data/set/compiled")
read -r rdec_ms _ < <(measure "$cli" decompile -j 1 "$data/set/compiled")
read -r inf_ms inf_kb < <(measure "$bin/inflate-only" "$data"/set/compiled/*.reanim.compiled)
read -r com_ms com_kb < <(measure_new "rm -f $data/set/text/*.compiled" "$cli" compile -j 1 "$data/set/text")
read -r rcom_ms _ < <(measure "$cli" compile -j 1 "$data/set/text")
read -r def_ms def_kb < <(measure "$bin/deflate-only" "$data"/set/body/*.body)
read -r _ big_dec_kb < <(measure "$cli" decompile "$data/large/compiled/large.reanim.compiled")
read -r _ big_com_kb < <(measure "$cli" compile "$data/large/text/large.reanim")

same=yes
for original in "$data"/set/compiled/*.reanim.compiled "$data/large/compiled/large.reanim.compiled"; do
    name=$(basename "$original")
    folder=$(dirname "$(dirname "$original")")
    cmp -s "$original" "$folder/text/$name" || same=no
done

body_bytes=$(cat "$data"/set/body/*.body | wc -c)
text_bytes=$(cat "$data"/set/text/*.reanim | wc -c)
big_body=$(size "$data/large/body/large.body")
big_text=$(size "$data/large/text/large.reanim")
mb() { awk -v b="$1" 'BEGIN { printf "%.1f", b / 1048576 }'; }

echo
echo "Set: $(ls "$data"/set/body | wc -l) files, $(mb "$body_bytes") MB of body, $(mb "$text_bytes") MB of text;" \
     "large file: $(mb "$big_body") MB of body, $(mb "$big_text") MB of text. Best of $repeats runs."
echo "Load average while measuring: $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v dec="$dec_ms" -v inf="$inf_ms" -v com="$com_ms" -v def="$def_ms" -v rdec="$rdec_ms" -v rcom="$rcom_ms" \
    -v bdk="$big_dec_kb" -v bck="$big_com_kb" -v bb="$big_body" -v bt="$big_text" -v same="$same" 'BEGIN {
    mib = 1048576
    printf "| %-40s | %12s | %12s | %7s | %-8s | %-4s |\n", "measure", "QORUtil", "baseline", "ratio", "goal", "met"
    printf "|%s|%s|%s|%s|%s|%s|\n", "------------------------------------------", "--------------", "--------------", "---------", "----------", "------"
    row("decompile set, one thread (ms)", dec, inf, "<= 1.0x")
    row("  the same, replacing its outputs (ms)", rdec, inf, "<= 1.0x")
    row("compile set, one thread (ms)", com, def, "<= 1.5x")
    row("  the same, replacing its outputs (ms)", rcom, def, "<= 1.5x")
    memrow("decompile large file, peak (MB)", bdk * 1024 / mib, (2 * bb + 20 * mib) / mib)
    memrow("compile large file, peak (MB)", bck * 1024 / mib, (bt + 2 * bb + 30 * mib) / mib)
    printf "| %-40s | %12s | %12s | %7s | %-8s | %-4s |\n", "compiled bytes identical to the originals", same, "", "", "yes", same
}
function row(name, ours, base, goal,   ratio, limit) {
    ratio = ours / base; limit = substr(goal, 4) + 0
    printf "| %-40s | %12.1f | %12.1f | %6.2fx | %-8s | %-4s |\n", name, ours, base, ratio, goal, ratio <= limit ? "yes" : "no"
}
function memrow(name, ours, limit) {
    printf "| %-40s | %12.1f | %12.1f | %6.2fx | %-8s | %-4s |\n", name, ours, limit, ours / limit, "< limit", ours < limit ? "yes" : "no"
}'
echo
echo "(baselines: inflate-only and deflate-only run zlib alone over the same files; the memory"
echo " limits are 2 x body + 20 MB for decompile and text + 2 x body + 30 MB for compile)"
echo
build-bench/bench/qorutil-bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true "$@"

# The editing model on a large real-shaped animation: an edit and the current frame's state
# (goal: within 2 ms), a drag's move, undo of 1,000 steps (goal: within 100 ms), against the
# whole animation evaluated again, the baseline a change avoids.
echo
build-bench/bench/qorutil-bench-edit --benchmark_repetitions=3 --benchmark_report_aggregates_only=true "$@"

# The page's module against the native command line, both in this run (needs scripts/web.sh).
if [ -f build-web/module/qorutil.js ]; then
    echo
    QORUTIL_CLI="$PWD/$cli" node web/tests/bench.mjs
    # The editor's speed on the largest file it is held to: in the module under node, and a drag
    # on the page in Chromium (each prints its table of goals; a goal missed fails this script).
    missed=0
    echo
    node --disable-warning=MODULE_TYPELESS_PACKAGE_JSON web/tests/bench-edit.mjs || missed=1
    echo
    QORUTIL_CLI="$PWD/$cli" node web/tests/bench-drag.mjs || missed=1
    [ "$missed" = 0 ] || { echo "An editing speed goal is missed (the tables above say which)."; exit 1; }
else
    echo
    echo "(the page's module is not built: bash scripts/web.sh, then this again, to compare it)"
fi
