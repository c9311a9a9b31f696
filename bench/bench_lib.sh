# Shared by the benchmark scripts: a private home, memory readings and medians.

# bench_home: HOME and the XDG folders in a fresh folder ($BENCH_WORK), removed by the caller;
# the program's data in $BENCH_WORK/run.
bench_home() {
    BENCH_WORK=$(mktemp -d "${TMPDIR:-/tmp}/corvana-bench.XXXXXX")
    export HOME="$BENCH_WORK/home" XDG_CONFIG_HOME="$BENCH_WORK/config" \
           XDG_DATA_HOME="$BENCH_WORK/data" XDG_CACHE_HOME="$BENCH_WORK/cache" \
           XDG_RUNTIME_DIR="$BENCH_WORK/runtime" CORVANA_SETTINGS_DIR="$BENCH_WORK/settings" \
           CORVANA_DATA_DIR="$BENCH_WORK/run"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$XDG_RUNTIME_DIR" \
             "$CORVANA_SETTINGS_DIR" "$BENCH_WORK/run"
    chmod 700 "$XDG_RUNTIME_DIR"
}

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
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

# table_row FIGURE OURS PEER RATIO: one row of bench/run's closing table, printed as it comes.
table_row() { printf 'TABLE| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4"; }
