# While corvana waits on a clipboard owner that never answers, Ctrl+V still reaches the focused
# program at once instead of staying frozen behind the wait.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana

open_keylog keylog
xdotool windowfocus --sync "$logger"
sleep 0.2

before=$(started_capture_count)
"$E2E_PEER" hang >hang.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 eval '[ "$(started_capture_count)" -gt "$before" ]' || fail "the hung owner was not seen"
wait_for 10 grep -q asked hang.out || fail "corvana never asked the hung owner"

start=$(date +%s%N)
xdotool key ctrl+v
wait_for 10 grep -qx 'Ctrl+V' keys.log || fail "Ctrl+V never arrived"
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
[ $elapsed_ms -lt 1000 ] || fail "Ctrl+V was held $elapsed_ms ms while corvana waited"
pass "Ctrl+V arrives in $elapsed_ms ms while corvana waits on a hung clipboard owner"

kill "${PEER_PIDS[1]}"
copy "after the hang"
pass "capturing goes on once the owner is gone"
stop_corvana || fail "corvana exited non-zero"
finish
