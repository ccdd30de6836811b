#!/usr/bin/env bash
# Installs, builds, round-trips the bundled example through both converters, then shows the
# window. Without a display it shows the window on a virtual one, saves a screenshot and exits.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

work=$(mktemp -d /tmp/qorutil-example.XXXXXX)
cp examples/walk.reanim.compiled "$work/"
cli=build/cli/qorutil-cli
echo "== Decompile the bundled example"
"$cli" decompile "$work/walk.reanim.compiled"
cp "$work/walk.reanim.compiled" "$work/original.reanim.compiled"
echo "== Compile the text again"
"$cli" compile "$work/walk.reanim"
echo "== Decompile the re-compiled file"
"$cli" decompile -o "$work/again.reanim" "$work/walk.reanim.compiled"
if cmp -s "$work/walk.reanim" "$work/again.reanim" && cmp -s "$work/original.reanim.compiled" "$work/walk.reanim.compiled"; then
    echo "Round trip exact: the text and the compiled file came back byte for byte ($work)"
else
    echo "Round trip NOT exact, see $work" >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
    echo "== Starting the window"
    (cd "$work" && exec "$OLDPWD/build/app/qorutil")
    exit 0
fi

shot="$PWD/build/qorutil-window.png"
echo "== No display: showing the window under Xvfb for a screenshot"
# Fails unless the window really shows: a program that dies at start, or whose window never
# maps within 30 seconds, stops the script before any screenshot is taken.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    source scripts/window-manager.sh
    start_window_manager
    (cd "$1" && exec "$2") & app=$!
    trap "kill \$app \$wm 2>/dev/null || true" EXIT
    for ((tries = 0; ; ++tries)); do
        if ! kill -0 "$app" 2>/dev/null; then
            wait "$app" && status=0 || status=$?
            echo "The window program exited (status $status) before its window appeared" >&2
            exit 1
        fi
        xdotool search --onlyvisible --name "^QORUtil 1.0$" >/dev/null && break
        if [ "$tries" -ge 300 ]; then
            echo "The window did not appear within 30 seconds" >&2
            exit 1
        fi
        sleep 0.1
    done
    sleep 0.5  # mapped is not yet painted
    import -window root "$3"
    kill -0 "$app"  # still alive after the screenshot, or the picture may show a dying window
' _ "$work" "$PWD/build/app/qorutil" "$shot"
echo "Screenshot of the window saved to $shot"
