# Start-up time and idle memory of corvana as shipped (no OpenGL integration) beside the same
# binary with Qt's GLX integration loaded, and CopyQ's idle memory (all its processes), on a
# private Xvfb with a tray. Medians of five starts each.
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
runs=5
work=$(mktemp -d "${TMPDIR:-/tmp}/corvana-bench.XXXXXX")
cleanup() {
    stop_private_x
    rm -rf "$work"
}
trap cleanup EXIT
start_private_x --tray
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
       XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
       CORVANA_SETTINGS_DIR="$work/settings"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" \
         "$CORVANA_SETTINGS_DIR" "$work/run"
chmod 700 "$XDG_RUNTIME_DIR"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# rss_kb PID...: resident memory of the processes and their children, in kB.
rss_kb() {
    local total=0 pid child kb
    for pid in "$@"; do
        for child in $pid $(ps -o pid= --ppid "$pid" 2>/dev/null); do
            kb=$(awk '/^VmRSS:/ {print $2}' "/proc/$child/status" 2>/dev/null || echo 0)
            total=$((total + ${kb:-0}))
        done
    done
    echo "$total"
}
median() { sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
mb() { awk -v kb="$1" 'BEGIN {printf "%.1f MB", kb / 1024}'; }

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
printf 'start-up to keyboard hooked and tray shown: %d ms; with the GLX integration %d ms (ratio %.2f)\n' \
    "$none_ms" "$glx_ms" "$(awk -v a="$none_ms" -v b="$glx_ms" 'BEGIN {print a / b}')"
printf 'idle memory: %s; with the GLX integration %s (ratio %.2f)%s\n' \
    "$(mb "$none_kb")" "$(mb "$glx_kb")" "$(awk -v a="$none_kb" -v b="$glx_kb" 'BEGIN {print a / b}')" \
    "${copyq_kb:+; CopyQ $(mb "$copyq_kb") (ratio $(awk -v a="$none_kb" -v b="$copyq_kb" 'BEGIN {printf "%.2f", a / b}'))}"
