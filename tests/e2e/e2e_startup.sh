# Start-up and end: one instance out of ten started at once, a second start that shows the
# first, Ctrl+V and a prompt, saved end on SIGTERM while a clipboard owner never answers, a
# closed standard output, SIGINT and SIGHUP.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin --tray

alive_count() { ps -o stat= -p "$(IFS=,; echo "$*")" | grep -vc '^Z'; }
pids=()
for i in 0 1 2 3 4 5 6 7 8 9; do
    (cd data && CORVANA_DATA_DIR=$PWD exec "$CORVANA_BIN" >"../start$i.out" 2>"../start$i.err") &
    pids+=($!)
done
wait_for 20 eval '[ "$(alive_count "${pids[@]}")" -le 1 ]' || fail "$(alive_count "${pids[@]}") instances still running"
# Every start has ended but the one that runs, and that one is ready: no other can come now.
survivor=""
for i in "${!pids[@]}"; do
    kill -0 "${pids[$i]}" 2>/dev/null && survivor=$i && continue
    wait "${pids[$i]}" || fail "a second start exited with $? ($(grep -v '^QStandardPaths' "start$i.err" | tail -n 3))"
    [ -z "$(sanitizer_report "start$i.err")" ] || fail "sanitizer report from a second start: $(sanitizer_report "start$i.err")"
done
[ -n "$survivor" ] || fail "no instance is running"
wait_for 20 grep -q "Temp dir is valid" "start$survivor.out" || fail "the running instance never got ready"
[ "$(alive_count "${pids[@]}")" -eq 1 ] || fail "$(alive_count "${pids[@]}") instances running, expected 1"
temp=$(sed -n 's/^Temp dir path is: //p' "start$survivor.err")
CORVANA_PID=${pids[$survivor]} CORVANA_ERR=start$survivor.err CORVANA_ERR_FROM=0
stop_corvana HUP
[ ! -e "$temp" ] || fail "SIGHUP left $temp behind"
pass "ten simultaneous starts: one runs, nine exit 0; SIGHUP ends it as SIGTERM does"

rm -f "$ini"
start_corvana
hide_main_window
start=$(date +%s%N)
# Its exit status and sanitizer report are judged with the ten starts above.
"$CORVANA_BIN" >second.out 2>&1 || fail "second start exited with $?"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ $elapsed_ms -lt 1500 ] || fail "second start took $elapsed_ms ms"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "the first instance ended"
await_window '^Corvana$' "the running instance did not show itself"
pass "a second start exits 0 in $elapsed_ms ms; the first keeps running and shows itself"

# While corvana waits on a clipboard owner that never answers, Ctrl+V still reaches the focused
# program at once instead of staying frozen behind the wait; a SIGTERM then saves at once.
open_keylog keylog
logged_after "START copy_to_corvana_clipboard" "the hung owner was not seen" start_peer hang
wait_for 10 grep -q asked hang.out || fail "corvana never asked the hung owner"
start=$(date +%s%N)
xdotool key ctrl+v
wait_for 10 grep -qx 'Ctrl+V' keys.log || fail "Ctrl+V never arrived"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ $elapsed_ms -lt 1000 ] || fail "Ctrl+V was held $elapsed_ms ms while corvana waited"
pass "Ctrl+V arrives in $elapsed_ms ms while corvana waits on a hung clipboard owner"
kill "$peer"
copy "after the hang"
start_peer hang
wait_for 10 grep -q asked hang.out || fail "corvana never asked the second hung owner"
pass "capturing goes on once the owner is gone"

temp=$(temp_dir)
[ -n "$temp" ] && [ -d "$temp/curr" ] || fail "no temporary folder reported"
start=$(date +%s%N)
kill -TERM "$CORVANA_PID"
# Timed to the save: what follows is the sanitizers' own work at exit.
while [ ! -s "$ini" ] && [ $((($(date +%s%N) - start) / 1000000)) -lt 5000 ]; do sleep 0.01; done
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
await_corvana_exit 0
[ $elapsed_ms -lt 1000 ] || fail "SIGTERM took $elapsed_ms ms to save while a clipboard read hung"
grep -qx 'IsFirstStart=false' "$ini" || fail "IsFirstStart not saved"
grep -qx 'SaveVersion=2' "$ini" || fail "SaveVersion not saved"
[ "$(grep -c '=' "$ini")" -eq 19 ] || fail "settings file does not hold 19 keys"
[ ! -e "$temp" ] || fail "temporary folder $temp left behind"
kill "$peer"
pass "SIGTERM during a hung clipboard read: settings saved after $elapsed_ms ms, temporary folder removed"

rm -f "$ini"
mkfifo out.fifo
exec 6<>out.fifo # corvana itself must not hold the fifo's reading end
CORVANA_OUT=../out.fifo start_corvana 6<&-
exec 6<&- # nobody reads its output any more
# A copied image is saved to a file: proof that the capture, which logs, ran to its end.
convert -size 64x48 gradient:red-blue sample.png || fail "cannot make the sample image"
xclip -selection clipboard -t image/png -i sample.png
wait_for 10 eval '[ -n "$(find data/images -name "*.png" -size +0)" ]' || fail "no capture after the reader left"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "a closed standard output ended corvana"
temp=$(temp_dir)
stop_corvana INT
grep -qx 'IsFirstStart=false' "$ini" || fail "settings not saved"
[ ! -e "$temp" ] || fail "SIGINT left $temp behind"
pass "a closed standard output: corvana runs on, and SIGINT saves and cleans up at the end"
finish
