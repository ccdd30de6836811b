#!/usr/bin/env bash
# Builds, writes the sample walker, its images and the parade that attaches it, shows
# qorutil-preview playing the parade under Xvfb (1024x768) and saves the screen to
# docs/preview.png. Fails if the window never shows
# or the program dies first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

work=$(mktemp -d /tmp/qorutil-preview.XXXXXX)
trap 'rm -rf "$work"' EXIT
build/tests/qorutil-sample "$work" >/dev/null
# The preview's own settings, in a configuration folder of this run: the image folder.
mkdir -p "$work/config/QORUtil"
printf '[General]\nimageFolder=%s\n' "$work/images" >"$work/config/QORUtil/qorutil-preview.conf"
mkdir -p docs
XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    source scripts/window-manager.sh
    start_window_manager
    "$1" "$2" & app=$!
    trap "kill \$app \$wm 2>/dev/null || true" EXIT
    timeout 30 xdotool search --sync --onlyvisible --name "parade.reanim - QORUtil Preview" >"$4/window" & search=$!
    while kill -0 "$search" 2>/dev/null; do
        kill -0 "$app" 2>/dev/null || { echo "qorutil-preview exited before its window appeared" >&2; exit 1; }
        sleep 0.1
    done
    wait "$search" || { echo "The preview window did not appear within 30 seconds" >&2; exit 1; }
    window=$(head -1 "$4/window")
    # The whole window on the screen, title bar included.
    xdotool windowmove "$window" 0 0 windowsize "$window" 1024 740 windowactivate --sync "$window"
    sleep 1
    xdotool mousemove "$5" "$6" click 1     # select the standing walker in the track list
    xdotool mousemove 200 400 click 1       # back to the canvas
    xdotool key f key b key space           # fit the clip to the canvas, show its box and play
    sleep 0.6
    import -window root "$3"
    kill -0 "$app"  # still alive after the screenshot
' _ "$PWD/build/preview/qorutil-preview" "$work/parade.reanim" "$PWD/docs/preview.png" "$work" \
    "${TRACK_X:-860}" "${TRACK_Y:-95}"
echo "Screenshot saved to docs/preview.png"
