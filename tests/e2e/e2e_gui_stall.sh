# While corvana's GUI thread is stuck for 2 s (a debug hook makes every capture sleep), Ctrl+V
# still reaches the focused program within 200 ms, and that press, which went on without its
# entry, does not move the queue: every entry is still pasted exactly once.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
export CORVANA_DEBUG_CAPTURE_STALL_MS=2000
start_corvana

open_keylog keytime
open_featherpad

focus "$logger"
# key_latency: presses Ctrl+V and sets $latency to how long the window took to get it, from
# the press.
key_latency() {
    count_after "grep -c '^Ctrl+V ' keys.log" 10 "Ctrl+V never arrived" xdotool key ctrl+v
    latency=$(grep '^Ctrl+V ' keys.log | tail -n 1 | awk '{print $2}')
    [ -n "$latency" ] || fail "the key log has no time for the last Ctrl+V"
}
key_latency
calm=$latency

copy A B # each capture now holds the GUI thread for 2 s
logged_after "Capture: stalling" "the capture of C never stalled" \
    eval "printf C | xclip -selection clipboard -i"
key_latency
stalled=$latency
[ "$stalled" -lt 200 ] || fail "Ctrl+V took $stalled ms to arrive while the GUI thread was stuck"
wait_for 10 eval '[ "$(capture_count)" -ge 3 ]' || fail "copy of C not captured"
# Said once the stalled capture is over and the grab's own event is handled.
wait_for 10 grep -q "Ctrl+V went on without its paste" corvana.err ||
    fail "the press was not let through by the watchdog"
pass "Ctrl+V arrives in $stalled ms while the GUI thread is stuck for 2 s ($calm ms when not)"

focus "$editor"
xdotool key --delay 60 ctrl+v ctrl+v ctrl+v
expect_file CBA
pass "the press let through moved nothing: the next pastes give C, B, A"
finish
