# Pastes into the programs people use: a Qt editor, two GTK editors (one of which sets the
# clipboard to what it pastes) and a Chromium text area. Ten quick pastes, slow and fast, in
# both orders. Then large entries go out in parts (INCR): a 5 MB text into Chromium and
# mousepad, a 4 MB PNG into Chromium; no paste keeps the keyboard frozen longer than the cap.
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
count_after capture_count 10 "Ctrl+C after a paste was not recorded" xdotool key --clearmodifiers ctrl+a ctrl+c
# Backward order with every entry pasted: the new entry is the next one.
paste_fresh l3afpad
expect_text l3afpad 0123456789
pass "Ctrl+C of pasted text in l3afpad is recorded"

# From an empty history, so that with every entry pasted the next Ctrl+V pastes the same one.
logged_after "App::clear_clipboard_history" "the history was not cleared" xdotool key --clearmodifiers ctrl+alt+shift+h

head -c 3750000 /dev/urandom | base64 -w 0 >big.txt
[ "$(stat -c %s big.txt)" = 5000000 ] || fail "could not make the 5 MB text"
copy_file big.txt UTF8_STRING

# chromium_gets TITLE WHAT: Ctrl+V into the emptied Chromium page makes its title TITLE.
chromium_gets() {
    local title=$1
    paste_fresh chromium
    wait_for 60 eval '[ "$(program_text chromium)" = "$title" ]' || fail "Chromium got '$(program_text chromium)' for $2"
    pass "$2 pastes into Chromium"
}
chromium_gets len:5000000 "a 5 MB text"

# Every entry pasted (backward order): the next Ctrl+V pastes the same entry again.
paste_fresh mousepad
mousepad_holds_big() {
    save_program mousepad
    sleep 1
    cmp -s <(tr -d '\n' <"$(program_file mousepad)") big.txt
}
wait_for 90 mousepad_holds_big || fail "mousepad does not hold the 5 MB text"
pass "a 5 MB text pastes into mousepad"

convert -size 1160x1160 xc: +noise Random -depth 8 png:big.png
size=$(stat -c %s big.png)
[ "$size" -gt 4000000 ] || fail "could not make a 4 MB PNG ($size bytes)"
copy_file big.png image/png
chromium_gets img:1160x1160 "a 4 MB PNG"

# Quick presses while large pastes are read: each waits at most the cap (and a timer's slack).
focus_program mousepad
# A press goes on with its paste, or without it when the program was too busy to serve it.
held_before=$(grep -c "paste key held" corvana.err)
COUNT_GROWTH=3 count_after 'grep -cE "paste key went to client|Ctrl\+V went on without its paste" corvana.err' 30 \
    "the three quick pastes did not all go on to mousepad" xdotool key --delay 2 ctrl+v ctrl+v ctrl+v
# The second and third presses come while a 5 MB paste is read: they wait, and say for how long.
held=$(grep -o 'paste key held [0-9]* ms' corvana.err | tail -n +$((held_before + 1)) | awk '{print $4}')
[ -n "$held" ] || fail "no quick paste waited for the one before it (no 'paste key held' line)"
longest=$(printf '%s\n' "$held" | sort -n | tail -n 1)
[ "$longest" -le 400 ] || fail "a paste key was held $longest ms"
pass "no paste key was held longer than the cap (longest $longest ms)"
finish
