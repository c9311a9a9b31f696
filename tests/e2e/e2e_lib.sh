# Shared by the end-to-end tests: a private X server, the real corvana, and small checks.
# Runs inside run-isolated.sh, so the working directory and HOME are the test's own.
set -u
source "$CORVANA_SOURCE/scripts/xsession.sh"
source "$CORVANA_SOURCE/tests/e2e/report_lib.sh"

E2E_NAME=$(basename "$0" .sh)
E2E_PASSED=0
CORVANA_PID=""
CORVANA_ERR=corvana.err
CORVANA_ERR_FROM=0
PEER_PIDS=()

e2e_end() {
    [ -n "$CORVANA_PID" ] && kill "$CORVANA_PID" 2>/dev/null
    for pid in "${PEER_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    stop_private_x
}

finish() {
    [ -n "$CORVANA_PID" ] && stop_corvana
    e2e_end
    echo "$E2E_PASSED passed, 0 failed"
    exit 0
}


e2e_begin() {
    start_private_x "$@" || fail "no X server"
    mkdir -p data
}

# Starts corvana in ./data with its output in corvana.out and corvana.err.
start_corvana() {
    CORVANA_ERR=corvana.err
    CORVANA_ERR_FROM=$(stat -c %s corvana.err 2>/dev/null || echo 0)
    (cd data && CORVANA_DATA_DIR=$PWD exec "$CORVANA_BIN" >>../corvana.out 2>>../corvana.err) &
    CORVANA_PID=$!
    local ready_before
    ready_before=$(grep -c "Temp dir is valid" corvana.out 2>/dev/null || true)
    wait_for 20 eval '[ "$(grep -c "Temp dir is valid" corvana.out 2>/dev/null || true)" -gt "${ready_before:-0}" ]' ||
        fail "corvana did not start"
}

# sanitizer_report FILE [FROM]: the first sanitizer line in FILE from byte FROM on, if any.
sanitizer_report() {
    tail -c +$((${2:-0} + 1)) "$1" 2>/dev/null |
        grep -m 1 -E 'ERROR: [A-Za-z]*Sanitizer|runtime error:|SUMMARY: [A-Za-z]*Sanitizer'
}

# running PID: the process is there and not yet a zombie waiting to be reaped.
running() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null)
    [ -n "$state" ] && [ "${state#Z}" = "$state" ]
}

# await_corvana_exit [STATUS]: waits for the running corvana to end (30 s at most), then fails
# the test unless it exited with STATUS (0) and its standard error ($CORVANA_ERR from byte
# $CORVANA_ERR_FROM) holds no sanitizer report.
await_corvana_exit() {
    local expected=${1:-0} pid=$CORVANA_PID rc report
    if ! wait_for 30 eval '! running "$pid"'; then
        kill -KILL "$pid" 2>/dev/null
        fail "corvana did not end within 30 s"
    fi
    wait "$pid"
    rc=$?
    CORVANA_PID=""
    report=$(sanitizer_report "$CORVANA_ERR" "$CORVANA_ERR_FROM")
    [ -z "$report" ] || fail "sanitizer report from corvana: $report"
    [ "$rc" -eq "$expected" ] || fail "corvana exited with status $rc, expected $expected"
}

# stop_corvana [SIGNAL]: ends corvana as the desktop would (SIGTERM) and judges how it ended.
stop_corvana() {
    kill -s "${1:-TERM}" "$CORVANA_PID"
    await_corvana_exit 0
}

# Finished captures: the next copy must not take the clipboard while one is still being read,
# or that read gets the next owner's content.
capture_count() {
    grep -c "END copy_to_corvana_clipboard()" corvana.out 2>/dev/null || true
}

# While paused a capture stops right after its start line.
started_capture_count() {
    grep -c "START copy_to_corvana_clipboard()" corvana.out 2>/dev/null || true
}

copy_while_paused() {
    local before
    before=$(started_capture_count)
    printf '%s' "$1" | xclip -selection clipboard -i
    wait_for 10 eval '[ "$(started_capture_count)" -gt "$before" ]' || fail "copy of '$1' not seen"
}

# copy TEXT: another program (xclip) takes the clipboard; waits until corvana has captured it.
copy() {
    local before
    before=$(capture_count)
    printf '%s' "$1" | xclip -selection clipboard -i
    wait_for 10 eval '[ "$(capture_count)" -gt "$before" ]' || fail "copy of '$1' not captured"
}

# open_keylog MODE [LOG]: the peer's window that logs the keys it gets (MODE keylog, pastelog or
# keytime) into LOG (keys.log), mapped; sets $logger.
open_keylog() {
    "$E2E_PEER" "$1" "${2:-keys.log}" >/dev/null 2>&1 &
    PEER_PIDS+=($!)
    wait_for 10 eval 'xdotool search --onlyvisible --name corvana-keylog >/dev/null 2>&1' ||
        fail "no keylog window"
    logger=$(xdotool search --onlyvisible --name corvana-keylog | head -n 1)
}

# open_featherpad: a real Qt editor on ./pasted.txt, mapped; sets $out and $editor.
open_featherpad() {
    out="$PWD/pasted.txt"
    : >"$out"
    featherpad --standalone "$out" >featherpad.log 2>&1 &
    PEER_PIDS+=($!)
    wait_for 20 eval 'xdotool search --onlyvisible --class featherpad >/dev/null 2>&1' || fail "featherpad did not open"
    editor=$(xdotool search --onlyvisible --class featherpad | head -n 1)
}
