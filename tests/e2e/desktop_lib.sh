# Sourced by the desktop tests: Corvana on a desktop as users run it, the window manager
# $E2E_WM with tint2's panel. The tray icon sits in tint2's tray; the autocomplete popup takes
# the keyboard and pastes the chosen text into an editor; Print covers the whole screen, the
# panel dimmed too, and takes the keys; the indicator stays above a full-screen editor and a
# click on it opens the queue. Saves pictures of each step into $CORVANA_SHOTS.
source "$(dirname "$0")/e2e_lib.sh"
shots="${CORVANA_SHOTS:-$PWD/screenshots}"
mkdir -p "$shots"

e2e_begin
start_window_manager "$E2E_WM" || fail "no window manager"
start_panel || fail "no panel"
# A desktop background, as a user's desktop has: pictures of black screens tell little. Set
# after the window manager, which clears it when it starts.
xsetroot -solid '#2d5f73' || fail "cannot paint the desktop background"
start_corvana

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
panel() { xdotool search --class '^tint2$' 2>/dev/null | head -n 1; }
tray_icon() {
    xwininfo -tree -id "$(panel)" 2>/dev/null |
        sed -n 's/^ *\(0x[0-9a-f]*\) "Corvana".*/\1/p' | head -n 1
}
root_pixel() { import -window root root.png 2>/dev/null && "$E2E_PIXELS" color root.png "$1" "$2"; }
# half_of BEFORE AFTER: AFTER (#rrggbb) is BEFORE darkened by half, give or take rounding.
half_of() {
    local i b a
    for i in 1 3 5; do
        b=$((16#${1:i:2}))
        a=$((16#${2:i:2}))
        [ $((b / 2 - a)) -le 2 ] && [ $((a - b / 2)) -le 2 ] || return 1
    done
}
keys() { xdotool key --clearmodifiers --delay 40 "$@"; }

wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon is not in tint2's tray"
pass "the tray icon is embedded in tint2's tray"

main=$(visible '^Corvana$')
[ -n "$main" ] || fail "the first start does not show the main window"
sleep 0.3 # the first paint after mapping
import -window root "$shots/desktop-$E2E_WM.png" || fail "cannot save the desktop picture"
xdotool windowunmap --sync "$main"

open_featherpad
xdotool windowactivate --sync "$editor"
copy "first apple"
copy "second banana"
copy "third cherry"
xdotool mousemove 200 150
keys ctrl+alt+space
wait_for 10 eval '[ -n "$(visible "^Autocomplete$")" ]' || fail "the autocomplete popup did not open"
# Where the user is: just below and right of the pointer, not where the window manager would
# put a new window.
eval "$(xdotool getwindowgeometry --shell "$(visible "^Autocomplete$")" | grep -E '^(X|Y)=')"
[ "$X" -ge 200 ] && [ "$X" -le 260 ] && [ "$Y" -ge 150 ] && [ "$Y" -le 230 ] ||
    fail "the popup opened at $X,$Y, away from the pointer at 200,150"
xdotool type --delay 60 "ban"
wait_for 5 grep -q "str is: ban" corvana.err || fail "the typed search did not reach the popup"
sleep 0.3
import -window root "$shots/desktop-$E2E_WM-autocomplete.png" || fail "cannot save the popup picture"
keys Return
wait_for 5 eval '[ -z "$(visible "^Autocomplete$")" ]' || fail "the popup stayed open after Return"
keys ctrl+s
wait_for 10 eval '[ "$(tr -d "\\n" <"$out")" = "second banana" ]' ||
    fail "the editor holds '$(cat "$out")', not the chosen text"
pass "Ctrl+Alt+Space, typing and Return paste the chosen text into the editor"

# The tray icon's middle, in the panel: a coloured pixel that dimming visibly darkens.
eval "$(xdotool getwindowgeometry --shell "$(tray_icon)" | grep -E '^(X|Y)=')"
icon_x=$((X + 11)) icon_y=$((Y + 11))
bright=$(root_pixel $icon_x $icon_y)
xdotool mousemove 640 300 key Print
wait_for 10 eval '[ -n "$(visible "^Corvana capture$")" ]' || fail "Print opened no capture window"
capture=$(visible '^Corvana capture$')
eval "$(xdotool getwindowgeometry --shell "$capture" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
[ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,1280,800" ] ||
    fail "the capture window is at $X,$Y, $WIDTH x $HEIGHT, not over the whole screen"
wait_for 10 eval 'half_of "$bright" "$(root_pixel $icon_x $icon_y)"' ||
    fail "the panel is not dimmed: $bright became $(root_pixel $icon_x $icon_y)"
xdotool mousemove 20 60 mousedown 1 mousemove 100 100 mousemove 420 260 mouseup 1
wait_for 10 eval '[ -n "$(visible "^Corvana toolbox$")" ]' || fail "no toolbox after a selection"
sleep 0.3
import -window root "$shots/desktop-$E2E_WM-capture.png" || fail "cannot save the capture picture"
# The window manager's focus stays where it was: the keys reach the capture by its grab.
xdotool key Escape
wait_for 10 eval '[ -z "$(visible "^Corvana capture$")" ]' || fail "Escape did not close the capture"
pass "Print covers the whole screen and dims the panel; Escape reaches the capture"

# Asked of the window manager, as the editor's own full-screen key would.
wmctrl -i -r "$editor" -b add,fullscreen || fail "wmctrl could not ask for full screen"
wait_for 10 eval 'xprop -id "$editor" _NET_WM_STATE | grep -q FULLSCREEN' ||
    fail "the editor did not go full screen"
indicator=$(visible '^Dialog$')
[ -n "$indicator" ] || fail "no status indicator"
eval "$(xdotool getwindowgeometry --shell "$indicator" | grep -E '^(X|Y)=')"
# The server gives a click to the topmost window under the pointer: the queue opens only when
# the indicator is above the full-screen editor.
xdotool mousemove $((X + 25)) $((Y + 25)) click 1
wait_for 10 eval '[ -n "$(visible "History Dialog")" ]' || fail "a click on the indicator opened no queue"
wait_for 5 grep -q "Opening with 3 rows" corvana.err || fail "the queue does not list the three copies"
sleep 0.3
import -window root "$shots/desktop-$E2E_WM-history.png" || fail "cannot save the queue picture"
pass "over a full-screen editor the indicator shows and a click on it opens the queue"

keys Escape
wait_for 10 eval '[ -z "$(visible "History Dialog")" ]' || fail "Escape did not close the queue"
xdotool mousemove $((X + 25)) $((Y + 25)) mousedown 1 mousemove $((X + 60)) $((Y + 60)) \
    mousemove 600 400 mouseup 1
wait_for 10 eval 'xdotool getwindowgeometry "$indicator" | grep -q "Position: 575,375"' ||
    fail "the drag did not move the indicator: $(xdotool getwindowgeometry "$indicator" | tr '\n' ' ')"
pass "the indicator is dragged over the full-screen editor"

xdotool key ctrl+alt+n
wait_for 10 eval '[ -n "$(visible "^Note$")" ]' || fail "Ctrl+Alt+N showed no note"
note=$(visible '^Note$')
wait_for 10 eval '[ "$(xdotool getactivewindow 2>/dev/null)" = "$note" ]' ||
    fail "the note did not take the keyboard from the full-screen editor"
xdotool key ctrl+alt+n
wait_for 10 eval '[ -z "$(visible "^Note$")" ]' || fail "Ctrl+Alt+N again did not hide the note"
pass "the note opens over the full-screen editor with the keyboard, and hides again"

stop_corvana
finish
