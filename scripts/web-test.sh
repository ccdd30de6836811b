#!/usr/bin/env bash
# Tests the page: the WebAssembly module under node against the native command line, then the
# page itself in headless Chromium (web/tests/). Needs the native build (scripts/build.sh) and
# the page (scripts/web.sh). Each suite has a time limit (and the slow tests their own), so a hung
# browser fails the run instead of stopping it; any failure fails it loudly.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0
for suite in module edit browser editor; do
    echo "== web/tests/$suite.test.mjs"
    timeout --kill-after=30 1200 node --test "web/tests/$suite.test.mjs" || status=$?
    if [ "$status" -ne 0 ]; then
        echo "FAILED: web/tests/$suite.test.mjs (exit status $status)" >&2
        exit "$status"
    fi
done
