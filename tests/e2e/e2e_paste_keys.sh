# The keys on a real X server: a shortcut another client holds is logged and the rest work;
# shortcuts whose character needs Shift; a copy and a Ctrl+V in one batch of X events; Ctrl+V
# with other modifiers and on a layout whose first group has no Latin letters.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_peer grab ctrl+alt+d
wait_for 10 grep -q grabbed grab.out || fail "the peer could not grab Ctrl+Alt+D"
# Each capture holds the GUI thread a little (less than the keyboard watchdog waits), so that
# what arrives meanwhile is handled in one batch.
export CORVANA_DEBUG_CAPTURE_STALL_MS=40
start_corvana
wait_for 5 grep -q "Failed to register hotkey. Error:" corvana.err || fail "no log line for the refused hotkey"
pass "the refused hotkey is logged"

# "<" is Shift+comma, ">" Shift+period on this layout, and "<" is also the extra ISO key.
count() { grep -cx "App::clipboard_history_go_$1()" corvana.out || true; }
xdotool key ctrl+alt+shift+comma
wait_for 5 eval '[ "$(count back)" -eq 1 ]' || fail "Ctrl+Alt+< as Shift+comma did not act"
xdotool key ctrl+alt+less
wait_for 5 eval '[ "$(count back)" -eq 2 ]' || fail "Ctrl+Alt+< typed as less did not act"
pass "Ctrl+Alt+< acts typed as Shift+comma and as the keysym less"
xdotool key ctrl+alt+shift+period
wait_for 5 eval '[ "$(count forward)" -eq 1 ]' || fail "Ctrl+Alt+> as Shift+period did not act"
# Keys are handled in order: once the next Ctrl+Alt+> has acted, the comma has been seen.
xdotool key ctrl+alt+comma ctrl+alt+shift+period
wait_for 5 eval '[ "$(count forward)" -eq 2 ]' || fail "the second Ctrl+Alt+> did not act"
[ "$(count back)" -eq 2 ] || fail "Ctrl+Alt+comma acted as Ctrl+Alt+<"
pass "Ctrl+Alt+> needs its Shift, and the unshifted key does not act"

open_keylog pastelog
copy X
for round in $(seq 1 10); do
    word="copy$round" before=$(capture_count)
    # The peer copies "busy$round"; while corvana reads that, it copies $word and presses
    # Ctrl+V in one flush. It ends when corvana takes the clipboard to serve the paste.
    paste_into_keylog "$word" start_peer copy-then-paste "busy$round" "$word"
    wait_for 10 eval '[ "$(capture_count)" -ge $((before + 2)) ]' || fail "round $round: a copy was not read"
    wait_for 10 eval '! running "$peer"' || fail "round $round: corvana never served its paste"
done
grep -q "took the clipboard back before it was read" corvana.out && fail "a copy was lost to a paste"
pass "ten copies each in one batch with a Ctrl+V: each read, then pasted"

# Each key reaches the window with its entry already on the clipboard.
copy A B C D
paste_into_keylog D xdotool key ctrl+alt+v
paste_into_keylog C xdotool key ctrl+super+v
# Russian first, US second: the V key gives a Cyrillic letter in the first group.
setxkbmap -layout ru,us 2>/dev/null
setxkbmap -query | grep -q 'layout: *ru,us' || fail "the X server took no ru,us layout"
paste_into_keylog B xdotool key ctrl+Cyrillic_em
pass "Ctrl+Alt+V, Ctrl+Super+V, and Ctrl+V on a ru,us layout: the entry is on the clipboard before the program sees the key"
# Ctrl+Shift+V is no paste for the queue (and our special paste takes it, where it is ours).
before=$(grep -c ':' keys.log)
xdotool key ctrl+shift+Cyrillic_em ctrl+Cyrillic_em
wait_for 10 grep -q ":A$" keys.log || fail "the paste after Ctrl+Shift+V never arrived"
[ "$(grep ':' keys.log | tail -n +$((before + 1)) | grep -vc ":B$")" = 1 ] ||
    fail "Ctrl+Shift+V moved the queue: $(grep ":" keys.log | tr '\n' ' ')"
pass "Ctrl+Shift+V does not move the queue"
finish
