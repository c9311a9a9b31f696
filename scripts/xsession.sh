# Sourced by run and the end-to-end tests: a private X server with a tray.
# start_private_x [--tray] [Xvfb options...]: starts Xvfb on a free display, exports DISPLAY,
# remembers the pids.
# stop_private_x: ends what start_private_x started.

start_private_x() {
    local fifo display tray=""
    if [ "${1:-}" = "--tray" ]; then
        tray=1
        shift
    fi
    fifo=$(mktemp -u "${TMPDIR:-/tmp}/corvana-xvfb.XXXXXX")
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp "$@" 3>"$fifo" >/dev/null 2>&1 &
    CORVANA_XVFB_PID=$!
    read -r -t 10 display <"$fifo" || true
    rm -f "$fifo"
    if [ -z "${display:-}" ]; then
        echo "Could not start Xvfb" >&2
        return 1
    fi
    export DISPLAY=":$display"
    if [ -n "$tray" ] && command -v trayer >/dev/null; then
        # trayer gives up when the server is not answering yet, or when another client still
        # holds the tray selection: start it again until its panel is there.
        local tries
        for tries in 1 2 3 4 5; do
            trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
            CORVANA_TRAYER_PID=$!
            local waited
            for waited in $(seq 40); do
                xdotool search --name '^panel$' >/dev/null 2>&1 && return 0
                kill -0 "$CORVANA_TRAYER_PID" 2>/dev/null || break
                sleep 0.1
            done
            kill "$CORVANA_TRAYER_PID" 2>/dev/null
        done
        echo "trayer did not start" >&2
    fi
}

# start_window_manager: openbox on $DISPLAY with its stock settings; returns once it manages
# windows (it has set _NET_SUPPORTING_WM_CHECK on the root).
start_window_manager() {
    openbox --sm-disable >/dev/null 2>&1 &
    CORVANA_WM_PID=$!
    local waited
    for waited in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$CORVANA_WM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "openbox did not start" >&2
    return 1
}

stop_private_x() {
    [ -n "${CORVANA_WM_PID:-}" ] && kill "$CORVANA_WM_PID" 2>/dev/null
    [ -n "${CORVANA_TRAYER_PID:-}" ] && kill "$CORVANA_TRAYER_PID" 2>/dev/null
    [ -n "${CORVANA_XVFB_PID:-}" ] && kill "$CORVANA_XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    return 0
}
