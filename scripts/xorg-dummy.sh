# Sourced by end-to-end tests and benchmarks that need several screens side by side, which
# Xvfb cannot give (its Xinerama puts every screen at 0,0). Xorg's dummy driver can.
# start_dummy_x WxH [[below:]WxH...]: starts Xorg on a free display with those screens left to
# right, or a screen below the one before it when written below:WxH; exports DISPLAY.
# stop_dummy_x: ends it.

start_dummy_x() {
    local dir conf fifo display i
    dir=$(mktemp -d "${TMPDIR:-/tmp}/corvana-xorg.XXXXXX")
    conf="$dir/xorg.conf"
    CORVANA_XORG_DIR=$dir
    mkdir -p "$dir/conf.d"
    {
        echo 'Section "ServerFlags"'
        echo '  Option "AutoAddDevices" "false"'
        echo '  Option "AutoEnableDevices" "false"'
        echo '  Option "DontVTSwitch" "true"'
        echo 'EndSection'
        echo 'Section "Monitor"'
        echo '  Identifier "m"'
        echo '  HorizSync 5.0-1000.0'
        echo '  VertRefresh 5.0-200.0'
        echo 'EndSection'
        i=0
        for size in "$@"; do
            size=${size#below:}
            local w=${size%x*} h=${size#*x}
            # Room for the frame buffer in kB, with margin.
            local ram=$(((w * h * 4 / 1024) + 4096))
            echo "Section \"Device\""
            echo "  Identifier \"d$i\""
            echo "  Driver \"dummy\""
            echo "  VideoRam $ram"
            echo "EndSection"
            echo "Section \"Screen\""
            echo "  Identifier \"s$i\""
            echo "  Device \"d$i\""
            echo "  Monitor \"m\""
            echo "  DefaultDepth 24"
            echo "  SubSection \"Display\""
            echo "    Depth 24"
            echo "    Virtual $w $h"
            echo "  EndSubSection"
            echo "EndSection"
            i=$((i + 1))
        done
        echo 'Section "ServerLayout"'
        echo '  Identifier "layout"'
        echo '  Screen 0 "s0"'
        local args=("$@")
        for ((i = 1; i < $#; i++)); do
            local where=RightOf
            [ "${args[$i]#below:}" != "${args[$i]}" ] && where=Below
            echo "  Screen $i \"s$i\" $where \"s$((i - 1))\""
        done
        echo '  Option "Xinerama" "on"'
        echo 'EndSection'
    } >"$conf"
    fifo="$dir/displayfd"
    mkfifo "$fifo"
    Xorg -config "$conf" -configdir "$dir/conf.d" -logfile "$dir/Xorg.log" -noreset \
        -nolisten tcp -displayfd 3 3>"$fifo" >/dev/null 2>&1 &
    CORVANA_XORG_PID=$!
    read -r -t 20 display <"$fifo" || true
    if [ -z "${display:-}" ]; then
        echo "Could not start Xorg with the dummy driver; see $dir/Xorg.log" >&2
        return 1
    fi
    export DISPLAY=":$display"
}

stop_dummy_x() {
    [ -n "${CORVANA_XORG_PID:-}" ] && kill "$CORVANA_XORG_PID" 2>/dev/null
    wait "${CORVANA_XORG_PID:-}" 2>/dev/null
    [ -n "${CORVANA_XORG_DIR:-}" ] && rm -rf "$CORVANA_XORG_DIR"
    CORVANA_XORG_PID=""
    return 0
}
