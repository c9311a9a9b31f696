# Sourced by the desktop tests: Corvana on a desktop as users run it, the window manager
# $E2E_WM with tint2's panel. The tray icon sits in tint2's tray; the autocomplete popup takes
# the keyboard and pastes the chosen text into an editor, and leaves the queue and the history
# popup as they were; Print covers the whole screen, the panel dimmed too, and takes the keys;
# the indicator stays above a full-screen editor and a click on it opens the queue. Saves
# pictures of each step into $CORVANA_SHOTS.
source "$(dirname "$0")/e2e_lib.sh"

e2e_begin
start_window_manager "$E2E_WM" || fail "no window manager"
start_panel || fail "no panel"
# A desktop background, as a user's desktop has: pictures of black screens tell little. Set
# after the window manager, which clears it when it starts.
xsetroot -solid '#2d5f73' || fail "cannot paint the desktop background"
# The watermark's picture. A font named by its file: ImageMagick's own default font is not on
# every machine.
convert -size 160x90 gradient:orange-purple -gravity center -pointsize 28 -fill white \
    -font /usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf \
    -annotate 0 'TM' "$PWD/mark.png" || fail "cannot draw the test image"
# Below the watermark, to catch the clicks that pass through.
xev_below 400x300+800+450
start_corvana

# half_of BEFORE AFTER: AFTER (#rrggbb) is BEFORE darkened by half, give or take rounding.
half_of() {
    local i b a
    for i in 1 3 5; do
        b=$((16#${1:i:2}))
        a=$((16#${2:i:2}))
        [ $((b / 2 - a)) -le 2 ] && [ $((a - b / 2)) -le 2 ] || return 1
    done
}

wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon is not in tint2's tray"
pass "the tray icon is embedded in tint2's tray"

main_window
shot desktop-$E2E_WM
source "$(dirname "$0")/watermark_lib.sh"
xdotool windowunmap --sync "$main"

open_featherpad
xdotool windowactivate --sync "$editor"
copy "first apple" "second banana" "third cherry"
xdotool mousemove 200 150
keys ctrl+alt+space
await_window '^Autocomplete$' "the autocomplete popup did not open"
# Where the user is: just below and right of the pointer, not where the window manager would
# put a new window.
geometry_of "$window"
[ "$X" -ge 200 ] && [ "$X" -le 260 ] && [ "$Y" -ge 150 ] && [ "$Y" -le 230 ] ||
    fail "the popup opened at $X,$Y, away from the pointer at 200,150"
xdotool type --delay 60 "ban"
wait_for 5 grep -q "str is: ban" corvana.err || fail "the typed search did not reach the popup"
shot desktop-$E2E_WM-autocomplete
logged_after "Deleted the added element" "the chosen text was not pasted" keys Return
await_gone '^Autocomplete$' "the popup stayed open after Return"
expect_file "second banana"
pass "Ctrl+Alt+Space, typing and Return paste the chosen text into the editor"
# The queue is as it was: backward order pastes the newest copy next.
keys ctrl+v
expect_file "second bananathird cherry"
logged_after "Opening with 2 rows" "the history popup does not list the two entries left" keys ctrl+alt+h
keys Escape
xdotool windowfocus --sync "$editor"
await_gone "History Dialog" "the history popup stayed open when the editor took the focus"
pass "the queue is unchanged by the autocomplete paste; Ctrl+Alt+H lists what is left"

# The tray icon's middle, in the panel: a coloured pixel that dimming visibly darkens.
geometry_of "$(tray_icon)"
icon_x=$((X + 11)) icon_y=$((Y + 11))
bright=$(root_pixel $icon_x $icon_y)
xdotool mousemove 640 300 key Print
await_window '^Corvana capture$' "Print opened no capture window"
geometry_of "$window"
[ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,1280,800" ] ||
    fail "the capture window is at $X,$Y, $WIDTH x $HEIGHT, not over the whole screen"
wait_for 10 eval 'half_of "$bright" "$(root_pixel $icon_x $icon_y)"' ||
    fail "the panel is not dimmed: $bright became $(root_pixel $icon_x $icon_y)"
xdotool mousemove 20 60 mousedown 1 mousemove 100 100 mousemove 420 260 mouseup 1
await_window '^Corvana toolbox$' "no toolbox after a selection"
shot desktop-$E2E_WM-capture
# The window manager's focus stays where it was: the keys reach the capture by its grab.
xdotool key Escape
await_gone '^Corvana capture$' "Escape did not close the capture"
pass "Print covers the whole screen and dims the panel; Escape reaches the capture"

# Asked of the window manager, as the editor's own full-screen key would.
wmctrl -i -r "$editor" -b add,fullscreen || fail "wmctrl could not ask for full screen"
wait_for 10 eval 'xprop -id "$editor" _NET_WM_STATE | grep -q FULLSCREEN' ||
    fail "the editor did not go full screen"
indicator=$(visible '^Dialog$') || fail "no status indicator"
geometry_of "$indicator"
# The server gives a click to the topmost window under the pointer: the queue opens only when
# the indicator is above the full-screen editor.
logged_after "Opening with 2 rows" "a click on the indicator opened no queue of the two left" \
    xdotool mousemove $((X + 25)) $((Y + 25)) click 1
await_window "History Dialog" "a click on the indicator showed no queue"
shot desktop-$E2E_WM-history
pass "over a full-screen editor the indicator shows and a click on it opens the queue"

keys Escape
await_gone "History Dialog" "Escape did not close the queue"

xdotool key ctrl+alt+n
await_window '^Note$' "Ctrl+Alt+N showed no note"
note=$window
wait_for 10 eval '[ "$(xdotool getactivewindow 2>/dev/null)" = "$note" ]' ||
    fail "the note did not take the keyboard from the full-screen editor"
xdotool key ctrl+alt+n
await_gone '^Note$' "Ctrl+Alt+N again did not hide the note"
pass "the note opens over the full-screen editor with the keyboard, and hides again"

finish
