# What a user sees and touches: the tray icon in a real tray (trayer), middle-click pause, the
# tray menu, the note hotkey, a shortcut changed in its dialog and kept across a restart, the
# help window, and the status indicator dragged, clicked and made click-through. Saves a picture
# of each window into $CORVANA_SHOTS.
source "$(dirname "$0")/e2e_lib.sh"
shots="${CORVANA_SHOTS:-$PWD/screenshots}"
mkdir -p "$shots"
ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"

# Button centres in the fixed 445 x 664 main window.
help_button_y=561
shortcuts_button_y=483

e2e_begin --tray
wait_for 10 eval 'xdotool search --name "^panel$" >/dev/null' || fail "trayer did not start"
# A plain X window to catch clicks that pass through the indicator; mapped first, so below it.
xev -geometry 120x120+600+400 -event button >xev.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 eval 'xdotool search --onlyvisible --name "^Event Tester$" >/dev/null' || fail "no xev"
start_corvana

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
tray_icon() {
    local panel
    panel=$(xdotool search --name '^panel$' | head -n 1)
    xwininfo -tree -id "$panel" | sed -n 's/^ *\(0x[0-9a-f]*\) "Corvana".*/\1/p' | head -n 1
}
setting() { sed -n "s/^$1=//p" "$ini"; }
menu_count() { xdotool search --onlyvisible --classname corvana 2>/dev/null | wc -l; }
log_count() { grep -c "$1" corvana.out 2>/dev/null || true; }
shot_window() { import -window "$1" "$shots/$2.png" || fail "cannot save $2.png"; }
shot_area() { import -window root -crop "$1" +repage "$shots/$2.png" || fail "cannot save $2.png"; }

wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon was not embedded in trayer"
# The icon's window may be made anew when the icon changes: look it up for every click.
# Two presses of one button within the double-click interval (400 ms) are one double click to
# the tray icon, and a double middle click does nothing: space the clicks as a hand would.
click_tray() {
    sleep 0.5
    xdotool mousemove --window "$(tray_icon)" 11 11 click "$1"
}
pass "the tray icon is embedded in the system tray"

main=$(visible '^Corvana$')
[ -n "$main" ] || fail "the first start does not show the main window"
sleep 0.3 # the first paint after mapping
shot_window "$main" main-window

click_tray 2
wait_for 10 eval '[ "$(setting IsCorvanaPaused)" = true ]' || fail "middle click did not pause"
click_tray 2
wait_for 10 eval '[ "$(setting IsCorvanaPaused)" = false ]' || fail "middle click did not resume"
pass "a middle click on the tray icon pauses (IsCorvanaPaused=true saved) and resumes"

menus=$(menu_count)
click_tray 3
wait_for 10 eval '[ "$(menu_count)" -gt "$menus" ]' || fail "the tray menu did not open"
sleep 0.3
shot_area 280x180+1000+0 tray-menu
xdotool key Escape
wait_for 10 eval '[ "$(menu_count)" -le "$menus" ]' || fail "the tray menu did not close"
pass "right click opens the tray menu"

xdotool key ctrl+alt+n
wait_for 10 eval '[ -n "$(visible "^Note$")" ]' || fail "Ctrl+Alt+N did not show the note"
xdotool key ctrl+alt+n
wait_for 10 eval '[ -z "$(visible "^Note$")" ]' || fail "Ctrl+Alt+N again did not hide the note"
pass "Ctrl+Alt+N shows the note and hides it again"

xdotool windowraise "$main" mousemove --window "$main" 222 $help_button_y click 1
wait_for 10 eval '[ -n "$(visible "^Help$")" ]' || fail "the Help button opened no help window"
help=$(visible '^Help$')
sleep 0.3
shot_window "$help" help-window
xdotool windowfocus --sync "$help" key Escape
wait_for 10 eval '[ -z "$(visible "^Help$")" ]' || fail "the help window did not close"

# Toggle Note (row 12) becomes Ctrl+Alt+M; Ctrl+V is refused with a message.
xdotool mousemove --window "$main" 222 $shortcuts_button_y click 1
wait_for 10 eval '[ -n "$(visible "^Change Settings$")" ]' || fail "no shortcut dialog"
dialog=$(visible '^Change Settings$')
xdotool windowfocus --sync "$dialog"
xdotool mousemove --window "$dialog" 290 430 click 1
sleep 0.2
xdotool key ctrl+alt+m
xdotool mousemove --window "$dialog" 290 400 click 1
sleep 0.2
xdotool key ctrl+v
sleep 0.5
shot_window "$dialog" shortcut-dialog
xdotool mousemove --window "$dialog" 197 651 click 1
wait_for 10 eval '[ -z "$(visible "^Change Settings$")" ]' || fail "Ok did not close the dialog"
wait_for 10 grep -qx 'ToggleNote=Ctrl+Alt+M' "$ini" || fail "the new sequence was not saved"
grep -q '^LockCurrentPosition=' "$ini" && fail "the refused Ctrl+V was stored"
xdotool key ctrl+alt+m
wait_for 10 eval '[ -n "$(visible "^Note$")" ]' || fail "the new sequence does not toggle the note"
xdotool key ctrl+alt+m
wait_for 10 eval '[ -z "$(visible "^Note$")" ]' || fail "the new sequence does not hide the note"
pass "a shortcut captured in the dialog works at once and is saved; Ctrl+V is refused"

xdotool windowunmap --sync "$main"

# Drag from (25, 25) to a dark corner no window has painted, then onto the white of the xev
# window, clear of its inner square.
clicks=$(log_count "Indicator clicked")
indicator=$(visible '^Dialog$')
drag() {
    xdotool mousemove "$1" "$2" mousedown 1 mousemove $(($1 + 30)) $(($2 + 30)) \
        mousemove "$3" "$4" mouseup 1
    want="Position: $(($3 - 25)),$(($4 - 25))"
    wait_for 10 eval 'xdotool getwindowgeometry "$indicator" | grep -q "$want"' ||
        fail "the drag did not move the indicator ($want): $(xdotool getwindowgeometry "$indicator" | tr '\n' ' ')"
}
drag 25 25 925 625
sleep 0.3
shot_area 70x70+890+590 indicator-dark
drag 925 625 680 480
pass "dragging the indicator moves it"
sleep 0.3
shot_area 70x70+645+445 indicator-light

xdotool mousemove 680 480 click 1
wait_for 10 eval '[ "$(log_count "Indicator clicked")" -gt "$clicks" ]' || fail "a click was not seen"
# The click came after both drags' releases: neither counted as a click.
[ "$(log_count "Indicator clicked")" -eq $((clicks + 1)) ] || fail "a drag counted as a click"
grep -q ButtonPress xev.out && fail "a click on the indicator reached the window below"
xdotool key ctrl+alt+t
wait_for 10 grep -q "Indicator click-through on" corvana.out || fail "Ctrl+Alt+T did nothing"
clicks=$(log_count "Indicator clicked")
xdotool mousemove 680 480 click 1
wait_for 10 grep -q ButtonPress xev.out || fail "in click-through mode the click did not pass"
# Back to draggable: once that is said, any click the indicator had taken before is logged too.
xdotool key ctrl+alt+t
wait_for 10 grep -q "Indicator click-through off" corvana.out || fail "the second Ctrl+Alt+T did nothing"
[ "$(log_count "Indicator clicked")" = "$clicks" ] || fail "the click-through indicator took a click"
pass "a click on the indicator is its own; in click-through mode it reaches the window below"

stop_corvana || fail "corvana exited non-zero"
[ "$(setting IndicatorX)" = 655 ] && [ "$(setting IndicatorY)" = 455 ] ||
    fail "indicator place not saved: $(setting IndicatorX),$(setting IndicatorY)"
pass "the dragged place is in the settings file after quit"

start_corvana
indicator=$(visible '^Dialog$')
wait_for 10 eval 'xdotool getwindowgeometry "$indicator" | grep -q "Position: 655,455"' ||
    fail "the indicator did not come back to its place"
xdotool key ctrl+alt+m
wait_for 10 eval '[ -n "$(visible "^Note$")" ]' || fail "the changed shortcut did not survive a restart"
pass "after a restart the indicator is in its place and the changed shortcut works"
stop_corvana || fail "corvana exited non-zero"
finish
