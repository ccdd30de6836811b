# Sourced inside the Xvfb sessions of the scripts that show a window (through
# scripts/wait-window.sh): starts openbox and waits, by the clock, until it manages windows,
# since a window mapped while it is still starting can stay unmapped. Sets wm to its process id.
start_window_manager() {
    local start=$SECONDS limit=120
    openbox >/dev/null 2>&1 &
    wm=$!
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
        if ! kill -0 "$wm" 2>/dev/null; then
            echo "The window manager (openbox) exited before it managed the screen" >&2
            return 1
        fi
        if [ $((SECONDS - start)) -ge "$limit" ]; then
            echo "The window manager did not start within $limit s" >&2
            return 1
        fi
        sleep 0.1
    done
}
