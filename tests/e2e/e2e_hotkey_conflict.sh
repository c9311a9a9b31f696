# A shortcut that another X client already holds is logged, and the program runs on.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
"$E2E_PEER" grab ctrl+alt+d >grab.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q grabbed grab.out || fail "the peer could not grab Ctrl+Alt+D"
start_corvana
wait_for 5 grep -q "Failed to register hotkey. Error:" corvana.err || fail "no log line for the refused hotkey"
copy "still works"
kill -0 "$CORVANA_PID" 2>/dev/null || fail "corvana ended"
pass "the refused hotkey is logged and corvana keeps capturing"
stop_corvana || fail "corvana exited non-zero"
finish
