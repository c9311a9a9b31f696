# Ctrl+V held with other modifiers, and on a layout whose first group has no Latin letters: the
# clipboard holds the entry before the program sees the key.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana

open_keylog pastelog

copy A
copy B
copy C
copy D
xdotool windowfocus --sync "$logger"
sleep 0.3

# expect_paste N TEXT: the Nth paste key the window saw came with TEXT on the clipboard.
expect_paste() {
    local nth=$1
    wait_for 10 eval '[ "$(grep -c ":" keys.log)" -ge "$nth" ]' || fail "paste $nth never arrived"
    got=$(grep ":" keys.log | sed -n "${nth}p")
    [ "${got#*:}" = "$2" ] || fail "paste $nth ($got) came with '${got#*:}', expected '$2'"
}

xdotool key ctrl+alt+v
expect_paste 1 D
pass "Ctrl+Alt+V: the entry is on the clipboard before the program sees the key"
xdotool key ctrl+super+v
expect_paste 2 C
pass "Ctrl+Super+V: the same"

# Russian first, US second: the V key gives a Cyrillic letter in the first group.
setxkbmap -layout ru,us 2>/dev/null
setxkbmap -query | grep -q 'layout: *ru,us' || fail "the X server took no ru,us layout"
xdotool key ctrl+Cyrillic_em
expect_paste 3 B
pass "Ctrl+V on a ru,us layout"
# Ctrl+Shift+V is no paste for the queue (and our special paste takes it, where it is ours).
xdotool key ctrl+shift+Cyrillic_em
xdotool key ctrl+Cyrillic_em
wait_for 10 grep -q ":A$" keys.log || fail "the paste after Ctrl+Shift+V never arrived"
[ "$(grep ":" keys.log | sed -n '4,$p' | grep -vc ":B$")" = 1 ] ||
    fail "Ctrl+Shift+V moved the queue: $(grep ":" keys.log | tr '\n' ' ')"
pass "Ctrl+Shift+V does not move the queue"
finish
