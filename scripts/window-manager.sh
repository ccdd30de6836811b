# Sourced inside the Xvfb sessions of the scripts that show a window: starts openbox and
# waits until it manages windows, since a window mapped while it is still starting can stay
# unmapped. Sets wm to its process id.
start_window_manager() {
    openbox >/dev/null 2>&1 &
    wm=$!
    for ((tries = 0; tries < 100; ++tries)); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && return 0
        sleep 0.1
    done
    echo "The window manager did not start within 10 seconds" >&2
    return 1
}
