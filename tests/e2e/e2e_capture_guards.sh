# One instance out of ten started at once; a prompt, saved end on SIGTERM even while a clipboard
# owner never answers; a closed standard output does not end the program.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin

alive_count() {
    local n=0 pid
    for pid in "$@"; do kill -0 "$pid" 2>/dev/null && n=$((n + 1)); done
    echo "$n"
}

pids=()
for i in 0 1 2 3 4 5 6 7 8 9; do
    (cd data && CORVANA_DATA_DIR=$PWD exec "$CORVANA_BIN" >"../start$i.out" 2>"../start$i.err") &
    pids+=($!)
done
wait_for 20 eval '[ "$(alive_count "${pids[@]}")" -le 1 ]' || fail "$(alive_count "${pids[@]}") instances still running"
# Every start has ended but the one that runs, and that one is ready: no other can come now.
survivor=""
for i in "${!pids[@]}"; do
    if kill -0 "${pids[$i]}" 2>/dev/null; then
        survivor=$i
    else
        wait "${pids[$i]}" || fail "a second start exited with $? ($(grep -v '^QStandardPaths' "start$i.err" | tail -n 3))"
        report=$(sanitizer_report "start$i.err")
        [ -z "$report" ] || fail "sanitizer report from a second start: $report"
    fi
done
[ -n "$survivor" ] || fail "no instance is running"
wait_for 20 grep -q "Temp dir is valid" "start$survivor.out" || fail "the running instance never got ready"
[ "$(alive_count "${pids[@]}")" -eq 1 ] || fail "$(alive_count "${pids[@]}") instances running, expected 1"
CORVANA_PID=${pids[$survivor]} CORVANA_ERR=start$survivor.err CORVANA_ERR_FROM=0
stop_corvana
pass "ten simultaneous starts: one runs, nine exit 0"

ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"
start_corvana
rm -f "$ini" # written again only when it quits
before=$(started_capture_count)
"$E2E_PEER" hang >hang.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 eval '[ "$(started_capture_count)" -gt "$before" ]' || fail "the hung owner was not seen"
wait_for 10 grep -q asked hang.out || fail "corvana never asked the hung owner"
start=$(date +%s%N)
kill -TERM "$CORVANA_PID"
# Timed to the save: what follows is the sanitizers' own work at exit.
while [ ! -s "$ini" ] && [ $((($(date +%s%N) - start) / 1000000)) -lt 5000 ]; do sleep 0.01; done
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
await_corvana_exit 0
[ $elapsed_ms -lt 1000 ] || fail "SIGTERM took $elapsed_ms ms to save while a clipboard read hung"
grep -qx 'IsFirstStart=false' "$ini" || fail "settings not saved"
kill "${PEER_PIDS[0]}"
pass "SIGTERM during a hung clipboard read: settings saved after $elapsed_ms ms, clean exit"

rm -f "$ini"
mkfifo out.fifo
started=$(grep -c "Temp dir path is" corvana.err)
CORVANA_ERR_FROM=$(stat -c %s corvana.err)
(cd data && CORVANA_DATA_DIR=$PWD exec "$CORVANA_BIN" >../out.fifo 2>>../corvana.err) &
CORVANA_PID=$!
exec 6<out.fifo
wait_for 20 eval '[ "$(grep -c "Temp dir path is" corvana.err)" -gt "$started" ]' || fail "corvana did not start"
exec 6<&- # nobody reads its output any more
# A copied image is saved to a file: proof that the capture, which logs, ran to its end.
"$E2E_PEER" make-image sample.png || fail "cannot make the sample image"
xclip -selection clipboard -t image/png -i sample.png
wait_for 10 test -s data/images/image1.png || fail "no capture after the reader left"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "a closed standard output ended corvana"
stop_corvana
grep -qx 'IsFirstStart=false' "$ini" || fail "settings not saved"
pass "a closed standard output: corvana runs on and saves at the end"
finish
