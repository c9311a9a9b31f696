# Sourced by desktop_lib.sh with the main window shown: an image chosen in the TradeMark options
# appears on top as the watermark; made movable it catches clicks and an xdotool drag moves it;
# made click-through, a click at its place reaches the window below (xev, at 800,450); with
# resizing on, its size grip resizes it. Saves a picture of the watermark and its options.

# Centre of the TradeMark button in the fixed 445 x 664 main window; the lock box in the options.
trademark_button_y=444
lock_box_x=40
lock_box_y=22
# The pictures of the first desktop keep their plain names.
wm_suffix=${E2E_WM#openbox}
wm_suffix=${wm_suffix:+-$wm_suffix}
presses() { grep -c "ButtonPress" xev.out 2>/dev/null || true; }
geometry() { xdotool getwindowgeometry "$1" | sed -n 's/.*Position: \([0-9]*,[0-9]*\).*/\1/p'; }

open_options() {
    xdotool windowraise "$main" mousemove --window "$main" 222 $trademark_button_y click 1
    await_window '^TradeMark Options$' "no TradeMark options"
    options=$window
    focus "$options"
}
close_options() {
    xdotool key Escape
    await_gone '^TradeMark Options$' "the options stayed open"
}
# set_option COMMAND...: COMMAND run in the options (click_lock: a click on the lock box).
set_option() { open_options; "$@"; close_options; }
click_lock() { xdotool mousemove --window "$options" $lock_box_x $lock_box_y click 1; }

open_options
# Focus starts on the first box; the image button is four tabs further.
xdotool key --delay 60 Tab Tab Tab Tab space
await_window '^Open Image$' "no file dialog"
sleep 0.5
xdotool type --delay 20 "$PWD/mark.png"
xdotool key Return
await_window '^Corvana watermark$' "the watermark did not appear"
mark=$window
shot "watermark-and-options$wm_suffix"
pass "choosing an image shows the watermark"

# Movable: a drag moves it over the window below, and clicks on it stay with it.
click_lock
close_options
for step in "mousemove --window $mark 20 20 mousedown 1" "mousemove 900 500" "mousemove 920 520" "mouseup 1"; do
    xdotool $step
    sleep 0.1
done
wait_for 5 eval '[ "$(geometry "$mark")" = "900,500" ]' ||
    fail "the drag left the watermark at $(geometry "$mark"), expected 900,500"
pass "an xdotool drag moves the movable watermark"
before=$(presses)
xdotool mousemove 960 540 click 1
# A click beside the watermark reaches the window below; it came second, so when it is there
# the first click's fate is known.
xdotool mousemove 1150 700 click 1
wait_for 5 eval '[ "$(presses)" -gt "$before" ]' || fail "a click beside the watermark did not arrive"
[ "$(presses)" -eq $((before + 1)) ] || fail "a click on the movable watermark reached the window below"
before=$(presses)
pass "the movable watermark catches clicks"

# Click-through: the same click reaches the window below.
set_option click_lock
xdotool mousemove 960 540 click 1
wait_for 5 eval '[ "$(presses)" -gt "$before" ]' || fail "the click did not pass through"
[ "$(geometry "$mark")" = "900,500" ] || fail "the watermark moved"
pass "with click-through on, a click at the watermark reaches the window below"

# Resizing on (which makes it movable again): a drag of the grip in its corner resizes it. The
# window manager never manages the watermark, so the grip cannot ask it to.
set_option xdotool key --delay 60 Tab Tab space
geometry_of "$mark"
xdotool mousemove --window "$mark" $((WIDTH - 4)) $((HEIGHT - 4)) mousedown 1
size() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd x; }
xdotool mousemove_relative 30 20
wait_for 5 eval '[ "$(size "$mark")" = "$((WIDTH + 30))x$((HEIGHT + 20))" ]' ||
    fail "the grip's first step left the watermark at $(size "$mark")"
xdotool mousemove_relative 30 20
xdotool mouseup 1
want="$((WIDTH + 60))x$((HEIGHT + 40))"
wait_for 5 eval '[ "$(size "$mark")" = "$want" ]' ||
    fail "the grip left the watermark at $(size "$mark"), expected $want"
[ "$(geometry "$mark")" = "900,500" ] || fail "resizing moved the watermark"
shot "watermark-resized$wm_suffix"
pass "under a window manager the size grip resizes the watermark"
