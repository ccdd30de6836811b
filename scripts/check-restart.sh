#!/usr/bin/env bash
# Starts the real window under Xvfb, moves and resizes it through the window manager, closes
# it, starts it again and checks that it comes back at the same size and place.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
for tool in xdotool wmctrl; do
    command -v "$tool" >/dev/null || { apt-get update && apt-get install -y --no-install-recommends xdotool wmctrl; }
done
bash scripts/build.sh

work=$(mktemp -d /tmp/qorutil-restart.XXXXXX)
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    trap "kill \$wm 2>/dev/null || true" EXIT
    program=$1
    source scripts/window-manager.sh
    start_window_manager
    cd "$2"
    geometry() {
        local id
        id=$(xdotool search --sync --name "^QORUtil 1.0$" | head -1)
        xdotool getwindowgeometry "$id" | sed -n "s/^ *Position: \([0-9,]*\).*/at \1/p; s/^ *Geometry: /size /p" | tr "\n" " "
    }
    "$program" & app=$!; sleep 2
    echo "First start: $(geometry)"
    wmctrl -r "QORUtil 1.0" -e 0,120,90,560,430
    sleep 1
    wanted=$(geometry)
    echo "Changed to:  $wanted"
    wmctrl -c "QORUtil 1.0"
    wait "$app"
    "$program" & app=$!; sleep 2
    again=$(geometry)
    echo "Restarted:   $again"
    wmctrl -c "QORUtil 1.0"
    wait "$app"
    echo "formState.ini:"; sed "s/^/    /" formState.ini
    [ "$again" = "$wanted" ] && [[ "$wanted" == *"size 560x430"* ]]
' _ "$PWD/build/app/qorutil" "$work" && echo "Restart restored the size and position ($work)"
