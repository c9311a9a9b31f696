# Start-up time and idle memory of corvana as shipped (no OpenGL integration) beside the same
# binary with Qt's GLX integration loaded, and CopyQ's idle memory (all its processes), on a
# private Xvfb with a tray. Medians of five starts each.
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
source "$(dirname "$0")/bench_lib.sh"
runs=5
bench_home
work=$BENCH_WORK
cleanup() {
    stop_private_x
    rm -rf "$work"
}
trap cleanup EXIT
start_private_x --tray
now_ms() { echo $(($(date +%s%N) / 1000000)); }

# measure GL_INTEGRATION: prints "startup_ms rss_kb" for each of $runs starts.
measure() {
    local run out pid start ready
    for run in $(seq "$runs"); do
        out="$work/run/out"
        : >"$out"
        start=$(now_ms)
        if [ "$1" = default ]; then
            (cd "$work/run" && exec "$CORVANA_BUILD/project/corvana" >"$out" 2>/dev/null) &
        else
            (cd "$work/run" && QT_XCB_GL_INTEGRATION=$1 exec "$CORVANA_BUILD/project/corvana" \
                >"$out" 2>/dev/null) &
        fi
        pid=$!
        until grep -q "Temp dir is valid" "$out"; do
            kill -0 "$pid" 2>/dev/null || { echo "corvana did not start" >&2; exit 1; }
            sleep 0.002
        done
        ready=$(now_ms)
        sleep 3 # idle: the first paints and the tray's embedding are done
        echo "$((ready - start)) $(rss_kb "$pid")"
        kill -TERM "$pid"
        wait "$pid" || true
    done
}

measure default >"$work/none.txt"
measure xcb_glx >"$work/glx.txt"

copyq_kb=""
if command -v copyq >/dev/null; then
    for run in $(seq 3); do
        copyq >/dev/null 2>&1 &
        pid=$!
        sleep 3
        rss_kb "$pid"
        copyq exit >/dev/null 2>&1 || kill -TERM "$pid"
        wait "$pid" 2>/dev/null || true
    done >"$work/copyq.txt"
    copyq_kb=$(median <"$work/copyq.txt")
fi

none_ms=$(cut -d' ' -f1 "$work/none.txt" | median)
glx_ms=$(cut -d' ' -f1 "$work/glx.txt" | median)
none_kb=$(cut -d' ' -f2 "$work/none.txt" | median)
glx_kb=$(cut -d' ' -f2 "$work/glx.txt" | median)
table_row "start-up to keyboard hooked and tray shown" "$none_ms ms" \
    "$glx_ms ms with Qt's GLX integration" "$(ratio "$none_ms" "$glx_ms")"
table_row "idle memory, without / with the GLX integration" "$(mb "$none_kb")" \
    "$(mb "$glx_kb")" "$(ratio "$none_kb" "$glx_kb")"
[ -n "$copyq_kb" ] && table_row "idle memory beside CopyQ (all its processes)" "$(mb "$none_kb")" \
    "$(mb "$copyq_kb") CopyQ" "$(ratio "$none_kb" "$copyq_kb")"
exit 0
