# Sourced inside the Xvfb sessions of the scripts that show a window (run.sh, preview-shot.sh,
# check-restart.sh): starts the window manager, starts the program with its output kept aside,
# waits for its window by the clock and, when the window does not come, saves what the screen
# shows and prints the program's own output. Everything it starts is stopped when the session
# ends, however it ends (xvfb-run then stops the X server).
#
#   source scripts/wait-window.sh
#   start_window_session                       # the window manager; sets the EXIT trap
#   start_program DIR COMMAND [ARGUMENT...]    # in DIR; sets app (its process id) and app_log
#   wait_for_window "TITLE" SHOT.png           # sets window (its id), or fails after the timeout
#   close_program                              # asks the window to close, waits for the program
#
# QORUTIL_WINDOW_TIMEOUT sets the wait in seconds (default 120: a first start on a loaded
# machine builds the font and shader caches). The caller runs under `set -euo pipefail`.

source "$(dirname "${BASH_SOURCE[0]}")/window-manager.sh"

window_timeout=${QORUTIL_WINDOW_TIMEOUT:-120}
app=
app_log=
window=

# Stops the program and the window manager, gently first, and removes the program's log.
stop_window_session() {
    local pid
    for pid in $app ${wm:-}; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $app ${wm:-}; do
        for ((tries = 0; tries < 50; ++tries)); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    app=
    wm=
    [ -z "$app_log" ] || rm -f "$app_log"
}

start_window_session() {
    trap stop_window_session EXIT
    # A signal ends the session through the EXIT trap as well.
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
    start_window_manager
}

# start_program DIR COMMAND [ARGUMENT...]: runs the command in DIR in the background, its
# standard output and error into a log of its own (printed when its window fails to show).
start_program() {
    local dir=$1
    shift
    [ -n "$app_log" ] || app_log=$(mktemp /tmp/qorutil-window-log.XXXXXX)
    : >"$app_log"
    (cd "$dir" && exec "$@") >"$app_log" 2>&1 &
    app=$!
}

print_program_output() {
    echo "---- The program's own output (standard output and error):" >&2
    if [ -s "$app_log" ]; then
        sed 's/^/    /' "$app_log" >&2
    else
        echo "    (nothing)" >&2
    fi
    echo "----" >&2
}

# wait_for_window TITLE SHOT: waits until a visible window titled exactly TITLE shows, saying
# every 10 seconds what it waits for; sets window to its id. Fails when the program exits
# first, or when the window has not shown after QORUTIL_WINDOW_TIMEOUT seconds: then the
# screen is saved to SHOT and the program's output printed.
wait_for_window() {
    local title=$1 shot=$2 start=$SECONDS next=0 elapsed status pattern
    # The title, as the anchored regular expression that xdotool matches names with.
    pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$+?(){}|/]/\\&/g')\$"
    window=
    while :; do
        elapsed=$((SECONDS - start))
        if ! kill -0 "$app" 2>/dev/null; then
            wait "$app" && status=0 || status=$?
            app=
            echo "The program exited (status $status) after $elapsed s, before its window \"$title\" appeared" >&2
            print_program_output
            return 1
        fi
        window=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -1) || true
        if [ -n "$window" ]; then
            echo "The window \"$title\" appeared after $elapsed s"
            return 0
        fi
        if [ "$elapsed" -ge "$window_timeout" ]; then
            echo "The window \"$title\" did not appear within $window_timeout s" >&2
            mkdir -p "$(dirname "$shot")"
            if import -window root "$shot" 2>/dev/null; then
                echo "What the screen showed instead is saved in $shot" >&2
            else
                echo "The screen could not be saved to $shot" >&2
            fi
            print_program_output
            return 1
        fi
        if [ "$elapsed" -ge "$next" ]; then
            echo "Waiting for the window \"$title\" to appear ($elapsed s of $window_timeout s)..."
            next=$((next + 10))
        fi
        sleep 0.2
    done
}

# close_program: closes the window through the window manager, as a person would, and waits
# (30 s at most) for the program to end; fails if it does not or ends with an error.
close_program() {
    local status start=$SECONDS
    wmctrl -i -c "$window" 2>/dev/null || xdotool windowclose "$window" 2>/dev/null || true
    while kill -0 "$app" 2>/dev/null; do
        if [ $((SECONDS - start)) -ge 30 ]; then
            echo "The program did not end within 30 s of its window being closed" >&2
            print_program_output
            return 1
        fi
        sleep 0.1
    done
    wait "$app" && status=0 || status=$?
    app=
    if [ "$status" -ne 0 ]; then
        echo "The program ended with status $status when its window was closed" >&2
        print_program_output
        return 1
    fi
}
