# The autocomplete and history popups on a real desktop: copies from xclip, the popup from its
# hotkey, a search typed with xdotool, and the chosen text pasted into featherpad.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin
start_corvana

shots="$(dirname "$CORVANA_BIN")/../screenshots"
mkdir -p "$shots"
open_featherpad
xdotool windowfocus --sync "$editor"
sleep 0.2

keys() {
    xdotool key --clearmodifiers --delay 40 "$@"
}
expect_file() {
    expected=$1
    keys ctrl+s
    wait_for 5 eval '[ "$(tr -d "\\n" <"$out")" = "$expected" ]' ||
        fail "file holds '$(cat "$out")', expected '$expected'"
}
visible() {
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1
}

copy "first apple"
copy "second banana"
copy "third cherry"
xdotool mousemove 200 150

keys ctrl+alt+space
wait_for 10 visible '^Autocomplete$' || fail "the autocomplete popup did not open"
xdotool type --delay 60 "ban"
wait_for 5 grep -q "str is: ban" corvana.err || fail "the search did not reach the popup"
import -window root "$shots/autocomplete_popup.png" 2>/dev/null || true
keys Return
wait_for 5 eval '! visible "^Autocomplete$"' || fail "the popup stayed open after Enter"
expect_file "second banana"
pass "a search and Enter paste the chosen text into the editor"

# The queue is as it was: backward order pastes the newest copy next.
keys ctrl+v
expect_file "second bananathird cherry"
pass "the paste queue is unchanged by the autocomplete paste"

keys ctrl+alt+h
wait_for 10 visible "History Dialog" || fail "the history popup did not open"
wait_for 5 grep -q "Opening with 2 rows" corvana.err || fail "the history popup does not list the two entries left"
import -window root "$shots/history_popup.png" 2>/dev/null || true
keys Escape
xdotool windowfocus --sync "$editor"
wait_for 5 eval '! visible "History Dialog"' || fail "the history popup stayed open when the editor took the focus"
pass "Ctrl+Alt+H lists what is left to paste and closes when left"

stop_corvana || fail "corvana exited non-zero"
grep -q '"text": "third cherry"' data/autocomplete.json || fail "the store file lacks a copy"
finish
