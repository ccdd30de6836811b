#!/usr/bin/env bash
# Starts the real window under Xvfb, moves and resizes it through the window manager, closes
# it, starts it again and checks that it comes back at the same size and place. Each start
# waits for the window as scripts/wait-window.sh does (QORUTIL_WINDOW_TIMEOUT, default 120 s;
# on a time-out the screen is saved to build/restart-timeout.png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
for tool in xdotool wmctrl; do
    command -v "$tool" >/dev/null || { apt-get update && apt-get install -y --no-install-recommends xdotool wmctrl; }
done
bash scripts/build.sh

work=$(mktemp -d /tmp/qorutil-restart.XXXXXX)
trap 'rm -rf "$work"' EXIT
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    source scripts/wait-window.sh
    start_window_session
    program=$1 work=$2 shot=$3
    geometry() {
        xdotool getwindowgeometry "$window" | sed -n "s/^ *Position: \([0-9,]*\).*/at \1/p; s/^ *Geometry: /size /p" | tr "\n" " "
    }
    start_program "$work" "$program"
    wait_for_window "QORUtil 1.0" "$shot"
    sleep 1  # the window manager places it
    echo "First start: $(geometry)"
    wmctrl -i -r "$window" -e 0,120,90,560,430
    sleep 1
    wanted=$(geometry)
    echo "Changed to:  $wanted"
    close_program
    start_program "$work" "$program"
    wait_for_window "QORUtil 1.0" "$shot"
    sleep 1
    again=$(geometry)
    echo "Restarted:   $again"
    close_program
    echo "formState.ini:"; sed "s/^/    /" "$work/formState.ini"
    if [ "$again" != "$wanted" ] || [[ "$wanted" != *"size 560x430"* ]]; then
        echo "The window came back as \"$again\", not as \"$wanted\" (560x430 wanted)" >&2
        exit 1
    fi
' _ "$PWD/build/app/qorutil" "$work" "$PWD/build/restart-timeout.png"
echo "Restart restored the size and position"
