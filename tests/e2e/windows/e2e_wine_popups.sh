# The popups under Wine, opened by their global shortcuts over Notepad: the autocomplete popup
# takes the keyboard, a typed search and Enter paste the chosen text back into Notepad; the
# history popup deletes an entry and the rest pastes in order.
source "$(dirname "$0")/wine_e2e_lib.sh"
settings "StartAtStartup=false" "IsFirstStart=false"
start_corvana
open_notepad

copy "first apple"
copy "second banana"
copy "third cherry"
xdotool windowfocus --sync "$notepad"
keys ctrl+alt+space
wait_for 20 shown '^Autocomplete$' || fail "the autocomplete popup did not open"
xdotool type --delay 60 ban
wait_for 20 grep -q "str is: ban" corvana.err || fail "the typed search did not reach the popup"
keys Return
wait_for 20 eval '! shown "^Autocomplete$"' || fail "the popup stayed open after Enter"
# The synthesized Ctrl+V goes to the window Corvana made the foreground one. Without a window
# manager nothing moves the X focus back to Notepad's window, where xdotool's Ctrl+S must go;
# the test does, once the paste has been sent.
wait_for 20 grep -q "Called SimulateCtrlV" corvana.out || fail "no paste was sent after Enter"
xdotool windowfocus --sync "$notepad"
expect_file "second banana"
pass "a search typed into the autocomplete popup and Enter paste the chosen text into Notepad"

# The queue is untouched by that paste: backward order lists cherry, banana, apple.
keys ctrl+alt+h
wait_for 20 shown 'History Dialog' || fail "the history popup did not open"
wait_for 10 grep -q "Opening with 3 rows" corvana.err || fail "the history popup does not list the three copies"
# Focus starts on the first button (lock); three tabs on are the rows: banana, then back two to
# Delete.
keys Tab Tab Tab Down shift+Tab shift+Tab space Escape
wait_for 20 eval '! shown "History Dialog"' || fail "Escape did not close the history popup"
xdotool windowfocus --sync "$notepad"
keys ctrl+v ctrl+v
expect_file "second bananathird cherryfirst apple"
pass "an entry deleted in the history popup is left out of the pastes"

close_notepad
quit_corvana
finish
