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
    (cd data && exec "$CORVANA_BIN" >"../start$i.out" 2>"../start$i.err") &
    pids+=($!)
done
wait_for 20 eval '[ "$(alive_count "${pids[@]}")" -le 1 ]' || fail "$(alive_count "${pids[@]}") instances still running"
sleep 1 # a late second instance would show up now
[ "$(alive_count "${pids[@]}")" -eq 1 ] || fail "$(alive_count "${pids[@]}") instances running, expected 1"
for pid in "${pids[@]}"; do
    if kill -0 "$pid" 2>/dev/null; then
        CORVANA_PID=$pid
    else
        wait "$pid" || fail "a second start exited with $? ($(cat start*.err | grep -v '^QStandardPaths' | tail -n 3))"
    fi
done
stop_corvana || fail "the one instance exited non-zero"
pass "ten simultaneous starts: one runs, nine exit 0"

ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"
start_corvana
rm -f "$ini" # written again only when it quits
before=$(started_capture_count)
"$E2E_PEER" hang >hang.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 eval '[ "$(started_capture_count)" -gt "$before" ]' || fail "the hung owner was not seen"
sleep 0.2 # corvana now waits for the hung owner's answer
start=$(date +%s%N)
kill -TERM "$CORVANA_PID"
# Timed to the save: what follows is the sanitizers' own work at exit.
while [ ! -s "$ini" ] && [ $((($(date +%s%N) - start) / 1000000)) -lt 5000 ]; do sleep 0.01; done
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
wait "$CORVANA_PID" || fail "corvana exited non-zero after SIGTERM"
CORVANA_PID=""
[ $elapsed_ms -lt 1000 ] || fail "SIGTERM took $elapsed_ms ms to save while a clipboard read hung"
grep -qx 'IsFirstStart=false' "$ini" || fail "settings not saved"
kill "${PEER_PIDS[0]}"
pass "SIGTERM during a hung clipboard read: settings saved after $elapsed_ms ms, clean exit"

rm -f "$ini"
mkfifo out.fifo
started=$(grep -c "Temp dir path is" corvana.err)
(cd data && exec "$CORVANA_BIN" >../out.fifo 2>>../corvana.err) &
CORVANA_PID=$!
exec 6<out.fifo
wait_for 20 eval '[ "$(grep -c "Temp dir path is" corvana.err)" -gt "$started" ]' || fail "corvana did not start"
exec 6<&- # nobody reads its output any more
printf 'after the reader left' | xclip -selection clipboard -i
sleep 0.5
kill -0 "$CORVANA_PID" 2>/dev/null || fail "a closed standard output ended corvana"
stop_corvana
rc=$?
[ $rc -eq 0 ] || fail "corvana exited with $rc after its output was closed"
grep -qx 'IsFirstStart=false' "$ini" || fail "settings not saved"
pass "a closed standard output: corvana runs on and saves at the end"
finish
