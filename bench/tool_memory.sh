# Memory at idle and after the screen tools close, at 1920 x 1080 and 3840 x 2160: corvana
# after 8 and 30 captures (Print, Escape) and after a zoom with pen and a live zoom, beside
# Flameshot's daemon after 8 of its captures, in the same run.
set -euo pipefail
source "$(dirname "$0")/bench_lib.sh"
bench_home
xvfb_pid=""
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$BENCH_WORK"
}
trap cleanup EXIT

start_screen() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    mkfifo "$BENCH_WORK/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -nolisten tcp 3>"$BENCH_WORK/display" >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$(head -n 1 "$BENCH_WORK/display")"
    rm -f "$BENCH_WORK/display"
}
shown() { xdotool search --onlyvisible "$@" >/dev/null 2>&1; }
until_shown() { until shown "$@"; do sleep 0.02; done; }
until_gone() { while shown "$@"; do sleep 0.02; done; }
# settled PID: its memory two seconds after the last tool closed.
settled() {
    sleep 2
    rss_kb "$1"
}
captures() {
    local i
    for i in $(seq "$1"); do
        xdotool key Print
        until_shown --name '^Corvana capture$'
        xdotool key Escape
        until_gone --name '^Corvana capture$'
    done
}

corvana_round() {
    local size=$1 pid idle after8 after30 zoomed
    (cd "$BENCH_WORK/run" && exec "$CORVANA_BUILD/project/corvana" >"$BENCH_WORK/out" 2>/dev/null) &
    pid=$!
    until grep -q "Temp dir is valid" "$BENCH_WORK/out" 2>/dev/null; do sleep 0.05; done
    # The first start shows the main window: out of the way.
    xdotool search --onlyvisible --name '^Corvana$' windowunmap >/dev/null 2>&1 || true
    idle=$(settled "$pid")
    captures 8
    after8=$(settled "$pid")
    captures 22
    after30=$(settled "$pid")
    xdotool mousemove 300 300 key ctrl+2
    until_shown --name '^Corvana zoom$'
    sleep 0.5
    xdotool key Escape
    until_gone --name '^Corvana zoom$'
    xdotool key ctrl+1
    sleep 0.5
    xdotool key ctrl+1
    zoomed=$(settled "$pid")
    kill -TERM "$pid"
    wait "$pid" || true
    echo "$idle $after8 $after30 $zoomed"
}

flameshot_round() {
    local pid idle after8 i
    flameshot >/dev/null 2>&1 &
    pid=$!
    sleep 2
    idle=$(rss_kb "$pid")
    for i in $(seq 8); do
        flameshot gui >/dev/null 2>&1 &
        until_shown --class flameshot
        sleep 0.3
        xdotool key Escape
        until_gone --class flameshot
        wait $! 2>/dev/null || true
    done
    after8=$(settled "$pid")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null || true
    echo "$idle $after8"
}

for size in 1920x1080 3840x2160; do
    start_screen "$size"
    read -r idle after8 after30 zoomed <<<"$(corvana_round "$size")"
    peer_idle="" peer8=""
    if command -v flameshot >/dev/null; then
        read -r peer_idle peer8 <<<"$(flameshot_round)"
    fi
    if [ -n "$peer_idle" ]; then
        table_row "idle memory, $size" "$(mb "$idle")" "$(mb "$peer_idle") Flameshot" \
            "$(ratio "$idle" "$peer_idle")"
        table_row "after 8 captures, $size" "$(mb "$after8")" "$(mb "$peer8") Flameshot" \
            "$(ratio "$after8" "$peer8")"
    else
        table_row "after 8 captures, $size" "$(mb "$after8")" "$(mb "$idle") (its own idle)" \
            "$(ratio "$after8" "$idle")"
    fi
    table_row "after 30 captures, $size" "$(mb "$after30")" "$(mb "$idle") (its own idle)" \
        "$(ratio "$after30" "$idle")"
    table_row "after a zoom with pen and a live zoom, $size" "$(mb "$zoomed")" \
        "$(mb "$idle") (its own idle)" "$(ratio "$zoomed" "$idle")"
done
