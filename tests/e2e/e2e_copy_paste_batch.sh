# A copy and a Ctrl+V that reach corvana in one batch of X events, as a script's
# "xdotool key ctrl+c ctrl+v" can: the copy is read before the paste is served, so the program
# pastes what was just copied and the queue keeps it.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
# Each capture holds the GUI thread a little (less than the keyboard watchdog waits), so that
# what arrives meanwhile is handled in one batch.
export CORVANA_DEBUG_CAPTURE_STALL_MS=40
start_corvana

open_keylog pastelog
xdotool windowfocus --sync "$logger"
wait_for 5 eval '[ "$(xdotool getwindowfocus)" = "$logger" ]' || fail "the key log window has no focus"

pastes() {
    grep -c '^Ctrl+V' keys.log 2>/dev/null || true
}

copy X
for round in $(seq 1 10); do
    word="copy$round"
    before=$(capture_count)
    pasted=$(pastes)
    # The peer copies "busy$round"; while corvana reads that, it copies $word and presses
    # Ctrl+V in one flush. It ends when corvana takes the clipboard to serve the paste.
    "$E2E_PEER" copy-then-paste "busy$round" "$word" >/dev/null 2>&1 &
    peer=$!
    PEER_PIDS+=($peer)
    wait_for 10 eval '[ "$(pastes)" -gt "$pasted" ]' || fail "round $round: no paste arrived"
    wait_for 10 eval '[ "$(capture_count)" -ge $((before + 2)) ]' || fail "round $round: a copy was not read"
    last=$(grep '^Ctrl+V' keys.log | tail -n 1)
    [ "$last" = "Ctrl+V:$word" ] || fail "round $round: the program pasted '${last#*:}', expected '$word'"
    wait_for 10 eval '! running "$peer"' || fail "round $round: corvana never served its paste"
done
grep -q "took the clipboard back before it was read" corvana.out && fail "a copy was lost to a paste"
pass "ten copies each in one batch with a Ctrl+V: each read, then pasted"
finish
