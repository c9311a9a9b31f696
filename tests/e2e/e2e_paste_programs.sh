# Ten quick pastes in the programs people use: a Qt editor, two GTK editors (one of which sets
# the clipboard to what it pastes) and a Chromium text area, slow and fast, in both orders.
source "$(dirname "$0")/e2e_lib.sh"
source "$(dirname "$0")/paste_programs_lib.sh"
e2e_begin
start_corvana

for program in featherpad mousepad l3afpad chromium; do
    open_program "$program"
    for delay in 2 50; do
        for order in forward backward; do
            paste_round "$program" "$delay" "$order"
            pass "$program: ten Ctrl+V $delay ms apart paste 0..9 in $order order"
        done
    done
done
import -window root programs.png 2>/dev/null

# The user copying what was just pasted, a moment later, is a copy like any other.
focus_program l3afpad
sleep 0.5
captures=$(capture_count)
xdotool key --clearmodifiers ctrl+a ctrl+c
wait_for 10 eval '[ "$(capture_count)" -gt "$captures" ]' || fail "Ctrl+C after a paste was not recorded"
# Backward order with every entry pasted: the new entry is the next one.
clear_program l3afpad
xdotool key ctrl+v
expect_text l3afpad 0123456789
pass "Ctrl+C of pasted text in l3afpad is recorded"
finish
