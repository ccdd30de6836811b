#!/usr/bin/env bash
# Tests the page: the WebAssembly module under node against the native command line, then the
# page itself in headless Chromium (web/tests/). Needs the native build (scripts/build.sh) and
# the page (scripts/web.sh). Each suite has a time limit (and the slow tests their own), so a hung
# browser fails the run instead of stopping it; any failure fails it loudly.
set -euo pipefail
cd "$(dirname "$0")/.."
# The page is one file, and a small one: at most 1.5 MB with its script and WebAssembly.
size=$(stat -c %s build-web/qorutil.html)
if [ "$size" -gt 1500000 ]; then
    echo "FAILED: build-web/qorutil.html is $size bytes; at most 1500000" >&2
    exit 1
fi
echo "== the page: $size bytes of at most 1500000"
status=0
for suite in module edit browser editor canvas keeping timeline; do
    echo "== web/tests/$suite.test.mjs"
    timeout --kill-after=30 1200 node --test "web/tests/$suite.test.mjs" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAILED: web/tests/$suite.test.mjs (exit status $status)" >&2
        exit "$status"
    fi
done
