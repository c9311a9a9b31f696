# What a user sees and touches: the tray icon in a real tray (trayer), middle-click pause, the
# tray menu, a shortcut changed in its dialog, the help window, a template picked and pasted, and
# the status indicator dragged, clicked and made click-through. Saves a picture of each window
# into $CORVANA_SHOTS.
source "$(dirname "$0")/e2e_lib.sh"

# Button centres in the fixed 445 x 664 main window.
help_button_y=561 shortcuts_button_y=483 templates_button_y=522

mkdir -p data/templates
printf 'Hello, $1 . Thank you for contacting us regarding $2 .' >"data/templates/Reply.txt"
printf 'Dear $2 team,\n$1 will call you.' >"data/templates/Thanks.txt"

e2e_begin --tray
wait_for 10 visible '^panel$' >/dev/null || fail "trayer did not start"
# To catch clicks that pass through the indicator; mapped first, so below it.
xev_below 120x120+600+400
start_corvana

wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon was not embedded in trayer"
pass "the tray icon is embedded in the system tray"

main_window
shot main-window "$main"

click_tray 2
wait_for 10 eval '[ "$(setting IsCorvanaPaused)" = true ]' || fail "middle click did not pause"
click_tray 2
wait_for 10 eval '[ "$(setting IsCorvanaPaused)" = false ]' || fail "middle click did not resume"
pass "a middle click on the tray icon pauses (IsCorvanaPaused=true saved) and resumes"

# The menu's entries are tst_tray's, its Hidden features entry the installed package's test.
open_tray_menu
shot tray-menu root 280x180+1000+0
xdotool key Escape

xdotool windowraise "$main" mousemove --window "$main" 222 $help_button_y click 1
await_window '^Help$' "the Help button opened no help window"
shot help-window "$window"
xdotool windowfocus --sync "$window" key Escape
await_gone '^Help$' "the help window did not close"

# Toggle Note (row 12) becomes Ctrl+Alt+M (what the dialog refuses is tst_shortcuts_dialog's).
xdotool mousemove --window "$main" 222 $shortcuts_button_y click 1
await_window '^Change Settings$' "no shortcut dialog"
dialog=$window
xdotool windowfocus --sync "$dialog"
xdotool mousemove --window "$dialog" 290 430 click 1
sleep 0.2
xdotool key ctrl+alt+m
sleep 0.2
shot shortcut-dialog "$dialog"
xdotool mousemove --window "$dialog" 197 651 click 1
await_gone '^Change Settings$' "Ok did not close the dialog"
wait_for 10 grep -qx 'ToggleNote=Ctrl+Alt+M' "$ini" || fail "the new sequence was not saved"
xdotool key ctrl+alt+m
await_window '^Note$' "the new sequence does not toggle the note"
xdotool key ctrl+alt+m
await_gone '^Note$' "the new sequence does not hide the note"
pass "a shortcut captured in the dialog works at once and is saved"

# Templates of earlier runs are listed by name; the first one (Reply) is shown and selected.
xdotool windowraise "$main" mousemove --window "$main" 222 $templates_button_y click 1
await_window '^Templates$' "the Templates button opened nothing"
focus "$window"
shot templates-window "$window"
# Focus starts on New; Select is four tabs further.
xdotool key --delay 60 Tab Tab Tab Tab space
await_gone '^Templates$' "Select did not close the window"
grep -q "Special paste" corvana.out corvana.err && fail "unexpected special paste"
# Ctrl and Alt held as a hand holds them, B pressed three times: two filled rows, then nothing.
open_featherpad
copy "$(printf 'Ann\tSales\nBob\tSupport')"
xdotool keydown ctrl alt
logged_after "Template row to paste" "the first Ctrl+Alt+B pasted nothing" xdotool key b
logged_after "Template row to paste" "the second Ctrl+Alt+B pasted nothing" xdotool key b
logged_after "every row of the table has been pasted" "the third Ctrl+Alt+B was not refused" xdotool key b
xdotool keyup alt ctrl
expect_file 'Hello, Ann . Thank you for contacting us regarding Sales .Hello, Bob . Thank you for contacting us regarding Support .'
pass "a selected template: three presses of Ctrl+Alt+B paste both filled rows and nothing more"
kill "${PEER_PIDS[-1]}"
wait_for 10 eval '! xdotool search --onlyvisible --class featherpad >/dev/null' || fail "featherpad stayed"
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
shot indicator-dark root 70x70+890+590
drag 925 625 680 480
pass "dragging the indicator moves it"
shot indicator-light root 70x70+645+445

logged_after "Indicator clicked" "a click was not seen" xdotool mousemove 680 480 click 1
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

# Its place and the changed shortcut kept across a restart are tst_windows' and
# tst_shortcuts_dialog's.
finish
