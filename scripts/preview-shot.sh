#!/usr/bin/env bash
# Builds, writes the sample walker, its images and the parade that attaches it, shows
# qorutil-preview playing the parade under Xvfb (1024x768) and saves the screen to
# docs/preview.png. Fails if the window never shows or the program dies first
# (scripts/wait-window.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

work=$(mktemp -d /tmp/qorutil-preview.XXXXXX)
trap 'rm -rf "$work"' EXIT
build/tools/qorutil-sample "$work" >/dev/null
# The preview's own settings, in a configuration folder of this run: the image folder.
mkdir -p "$work/config/QORUtil"
printf '[General]\nimageFolder=%s\n' "$work/images" >"$work/config/QORUtil/qorutil-preview.conf"
mkdir -p docs
# The window must show within QORUTIL_WINDOW_TIMEOUT seconds (default 120); if it does not,
# the screen is saved to build/preview-timeout.png and the program's own output printed.
XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    source scripts/wait-window.sh
    start_window_session
    start_program "$PWD" "$1" "$2"
    wait_for_window "parade.reanim - QORUtil Preview" "$4"
    # The whole window on the screen, title bar included.
    xdotool windowmove "$window" 0 0 windowsize "$window" 1024 740 windowactivate --sync "$window"
    sleep 1
    xdotool mousemove "$5" "$6" click 1     # select the standing walker in the track list
    xdotool mousemove 200 400 click 1       # back to the canvas
    xdotool key f key b key space           # fit the clip to the canvas, show its box and play
    sleep 0.6
    import -window root "$3"
    # Still alive after the screenshot.
    kill -0 "$app" 2>/dev/null || { echo "qorutil-preview exited while its window was shown" >&2; exit 1; }
' _ "$PWD/build/preview/qorutil-preview" "$work/parade.reanim" "$PWD/docs/preview.png" "$PWD/build/preview-timeout.png" \
    "${TRACK_X:-860}" "${TRACK_Y:-95}"
echo "Screenshot saved to docs/preview.png"
