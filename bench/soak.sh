# A long run: 2,000 copies (one in ten an image, one in ten a 200 KB text, the rest short texts)
# with a capture (Print, Escape) and a zoom every 100 copies, on a private 1920 x 1080 Xvfb.
# Memory after the first 200 copies beside memory at the end: the history is full by then, so
# what grows afterwards is what the run keeps. The autocomplete store keeps every copied text, but
# the large ones wait in a temporary file, so its file grows by far more than memory does.
# SOAK_COPIES changes the number of copies (for a quick try).
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
source "$(dirname "$0")/bench_lib.sh"
copies=${SOAK_COPIES:-2000}
bench_home
work=$BENCH_WORK
pid=""
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null
    stop_private_x
    rm -rf "$work"
}
trap cleanup EXIT
# With a tray, as on a desktop: without one every saved image opens a message box of its own.
start_private_x --tray -screen 0 1920x1080x24
out="$work/out"

# Five different pictures (copied in turn) and a 200 KB text made distinct per copy.
for i in 1 2 3 4 5; do
    convert -size 640x480 "plasma:" -seed "$i" +noise Random "$work/picture$i.png" 2>/dev/null ||
        convert -size 640x480 "xc:rgb($((i * 40)),90,160)" "$work/picture$i.png"
done
head -c 150000 /dev/urandom | base64 -w 100 >"$work/big.txt"

# until LIMIT COMMAND...: polls the condition; gives up after LIMIT seconds.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && { echo "soak: gave up waiting for: $*" >&2; exit 1; }
        sleep 0.01
    done
}
# captured FROM: corvana logged a finished capture after byte FROM of its output.
captured() { tail -c +"$(($1 + 1))" "$out" | grep -q "END copy_to_corvana_clipboard()"; }
shown() { xdotool search --onlyvisible "$@" >/dev/null 2>&1; }
gone() { ! shown "$@"; }

copy() {
    local n=$1 from
    from=$(stat -c %s "$out")
    if [ $((n % 10)) -eq 5 ]; then
        xclip -selection clipboard -t image/png -i "$work/picture$((n / 10 % 5 + 1)).png"
    elif [ $((n % 10)) -eq 0 ]; then
        { printf 'copy %d\n' "$n"; cat "$work/big.txt"; } | xclip -selection clipboard -i
    else
        printf 'short text number %d' "$n" | xclip -selection clipboard -i
    fi
    until_true 20 captured "$from"
}

tools() {
    xdotool key Print
    until_true 20 shown --name '^Corvana capture$'
    xdotool key Escape
    until_true 20 gone --name '^Corvana capture$'
    xdotool mousemove 300 300 key ctrl+2
    until_true 20 shown --name '^Corvana zoom$'
    xdotool key Escape
    until_true 20 gone --name '^Corvana zoom$'
}

: >"$out"
(cd "$work/run" && exec "$CORVANA_BUILD/project/corvana" >"$out" 2>/dev/null) &
pid=$!
until_true 20 grep -q "Temp dir is valid" "$out"
xdotool search --onlyvisible --name '^Corvana$' windowunmap >/dev/null 2>&1 || true
store="$work/run/autocomplete.json"
store_bytes() { stat -c %s "$store" 2>/dev/null || echo 0; }

start=$SECONDS
early_kb="" early_store=0
for n in $(seq "$copies"); do
    copy "$n"
    [ $((n % 100)) -eq 0 ] && tools
    if [ "$n" -eq 200 ]; then
        early_kb=$(rss_kb "$pid")
        early_store=$(store_bytes)
    fi
done
end_kb=$(rss_kb "$pid")
end_store=$(store_bytes)
seen=$(grep -c "END copy_to_corvana_clipboard()" "$out" || true)
[ "$seen" -ge "$copies" ] || { echo "soak: only $seen of $copies copies captured" >&2; exit 1; }
kill -TERM "$pid"
wait "$pid" || true
pid=""
[ -n "$early_kb" ] || { echo "soak: fewer than 200 copies" >&2; exit 1; }

growth=$((end_kb - early_kb))
store_kb=$(((end_store - early_store) / 1024))
goal=$((10 * 1024))
echo "soak: $copies copies in $((SECONDS - start)) s; the autocomplete store's file grew $(mb "$store_kb")"
table_row "soak of $copies copies: memory at the end" "$(mb "$end_kb")" \
    "$(mb "$early_kb") after 200 copies" "$(ratio "$end_kb" "$early_kb")"
table_row "soak: growth from copy 200 to the end (store file +$(mb "$store_kb"))" "$(mb "$growth")" \
    "$(mb "$goal") (goal)" "$(ratio "$growth" "$goal")"
