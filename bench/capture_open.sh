# Key press (Print) to the capture window on screen, corvana beside Flameshot ("flameshot gui"
# to its window on screen), on one private 1920 x 1080 Xvfb, medians of 8. Both are timed the
# same way from outside (polling for the window), so the polling's cost falls on both.
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
source "$(dirname "$0")/bench_lib.sh"
bench_home
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    stop_private_x
    rm -rf "$BENCH_WORK"
}
trap cleanup EXIT
start_private_x -screen 0 1920x1080x24
now_ms() { echo $(($(date +%s%N) / 1000000)); }
shown() { xdotool search --onlyvisible "$@" >/dev/null 2>&1; }
until_shown() { until shown "$@"; do sleep 0.005; done; }
until_gone() { while shown "$@"; do sleep 0.02; done; }

out="$BENCH_WORK/out"
: >"$out"
(cd "$BENCH_WORK/run" && exec "$CORVANA_BUILD/project/corvana" >"$out" 2>/dev/null) &
pid=$!
until grep -q "Temp dir is valid" "$out"; do sleep 0.02; done
xdotool search --onlyvisible --name '^Corvana$' windowunmap >/dev/null 2>&1 || true
for i in $(seq 8); do
    start=$(now_ms)
    xdotool key Print
    until_shown --name '^Corvana capture$'
    echo $(($(now_ms) - start))
    xdotool key Escape
    until_gone --name '^Corvana capture$'
done >"$BENCH_WORK/ours.txt"
kill -TERM "$pid"
wait "$pid" || true
pid=""
ours=$(median <"$BENCH_WORK/ours.txt")

if command -v flameshot >/dev/null; then
    for i in $(seq 8); do
        start=$(now_ms)
        flameshot gui >/dev/null 2>&1 &
        gui=$!
        # It may end, or stay, without a window (no bus, or it could not grab): that start is
        # not counted.
        deadline=$((SECONDS + 20))
        until shown --class flameshot; do
            kill -0 "$gui" 2>/dev/null && [ $SECONDS -lt $deadline ] || break
            sleep 0.005
        done
        if shown --class flameshot; then
            echo $(($(now_ms) - start))
            xdotool key Escape
            until_gone --class flameshot
        fi
        kill "$gui" 2>/dev/null || true
        wait "$gui" 2>/dev/null || true
    done >"$BENCH_WORK/peer.txt"
    peer=$(median <"$BENCH_WORK/peer.txt")
    [ -n "$peer" ] || { echo "capture_open: Flameshot showed no window; corvana: $ours ms"; exit 0; }
    table_row "key press to the capture window shown, 1920x1080" "$ours ms" \
        "$peer ms Flameshot (flameshot gui)" "$(ratio "$ours" "$peer")"
else
    echo "capture_open: no flameshot here; corvana alone: $ours ms"
fi
