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

# start_window_manager [openbox|xfwm4]: a window manager on $DISPLAY (openbox by default);
# returns once it manages windows (it has set _NET_SUPPORTING_WM_CHECK on the root). openbox
# gets a private copy of the stock settings without the Print bindings, which would take the
# key from the program under test.
start_window_manager() {
    local wm=${1:-openbox} conf
    case "$wm" in
    openbox)
        conf=$(mktemp "${TMPDIR:-/tmp}/corvana-openbox.XXXXXX")
        sed '/<keybind key="\(A-\)\?Print">/,/<\/keybind>/d' /etc/xdg/openbox/rc.xml >"$conf"
        openbox --sm-disable --config-file "$conf" >/dev/null 2>&1 &
        ;;
    xfwm4)
        # No compositor: the tests read the screen's pixels, and it would only slow them.
        xfwm4 --compositor=off --sm-client-disable >/dev/null 2>&1 &
        ;;
    *)
        echo "unknown window manager $wm" >&2
        return 1
        ;;
    esac
    CORVANA_WM_PID=$!
    local waited
    for waited in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        kill -0 "$CORVANA_WM_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "$wm did not start" >&2
    return 1
}

# start_panel: tint2 with its stock settings (a panel at the bottom with a task list, a
# system tray and a clock); returns once its panel is there (a tray icon shown before the tray
# takes the tray selection is embedded when it does).
start_panel() {
    local conf
    conf=$(mktemp "${TMPDIR:-/tmp}/corvana-tint2.XXXXXX")
    cp /etc/xdg/tint2/tint2rc "$conf"
    tint2 -c "$conf" >/dev/null 2>&1 &
    CORVANA_PANEL_PID=$!
    local waited
    for waited in $(seq 100); do
        xdotool search --class '^tint2$' >/dev/null 2>&1 && return 0
        kill -0 "$CORVANA_PANEL_PID" 2>/dev/null || break
        sleep 0.1
    done
    echo "tint2 did not start" >&2
    return 1
}

stop_private_x() {
    [ -n "${CORVANA_PANEL_PID:-}" ] && kill "$CORVANA_PANEL_PID" 2>/dev/null
    [ -n "${CORVANA_WM_PID:-}" ] && kill "$CORVANA_WM_PID" 2>/dev/null
    [ -n "${CORVANA_TRAYER_PID:-}" ] && kill "$CORVANA_TRAYER_PID" 2>/dev/null
    [ -n "${CORVANA_XVFB_PID:-}" ] && kill "$CORVANA_XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    return 0
}
