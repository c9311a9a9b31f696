# The small tools of corvana.exe under Wine, in one start: the status indicator shows the
# queue's count and Ctrl+Alt+T switches its click-through mode; live zoom (Ctrl+1) shows the
# overlay that stands in for the Magnification.dll Wine lacks and follows the pointer; zoom with
# pen (Ctrl+2) and Escape; a drag moves the indicator. The note and the console's spells are Qt
# and core alone: tst_windows, tst_tray and tst_spells run under Wine too.
source "$(dirname "$0")/wine_e2e_lib.sh"
# Wine hears keys only while one of its windows has the focus: Notepad's. It opens first, and
# the indicator starts over its text, as a user would have it: without a window manager a
# window mapped later is drawn over an earlier one, whatever Windows' order of the two.
open_notepad
eval "$(xdotool getwindowgeometry --shell "$notepad" | grep -E '^(X|Y)=')"
over_x=$((X + 150)) over_y=$((Y + 100))
settings "StartAtStartup=false" "IsFirstStart=false" \
    "IndicatorX=$over_x" "IndicatorY=$over_y"
start_corvana

# focus WINDOW: Wine moves the X focus to a window it activates only through a window manager;
# this session has none, so the test hands the focus over as one would.
focus() { xdotool windowfocus --sync "$1"; }

# The indicator's count, read from its pixels: a new count changes them, and the same count
# shows the same picture again.
indicator=$(visible '^Dialog$')
[ -n "$indicator" ] || fail "no status indicator"
eval "$(xdotool getwindowgeometry --shell "$indicator" | grep -E '^(X|Y)=')"
square="50x50+$X+$Y"
# shows_anew OLD NEW: waits until the indicator shows a steady picture other than OLD, in NEW.
shows_anew() { local old=$1 new=$2; wait_for 10 eval 'steady "$square" "$new" && ! same_pixels "$new" "$old"'; }
wait_for 10 steady "$square" zero.png || fail "the indicator does not settle"
copy A
shows_anew zero.png one.png || fail "the indicator did not change at the first copy"
copy B
shows_anew one.png two.png || fail "the indicator did not change at the second copy"
same_pixels two.png zero.png && fail "the indicator shows the same for 2 entries as for none"
focus "$notepad"
keys ctrl+v
wait_for 10 eval 'root_area "$square" now.png && same_pixels now.png one.png' ||
    fail "after a paste the indicator does not show 1 again"
pass "the indicator shows the count: 0, 1, 2, and 1 again after a paste"

# Ctrl+Alt+T makes the indicator click-through (Windows then passes clicks through it) and
# draggable again; each is logged only when Windows took the window's new style. Under Wine 8 a
# click on it still does not reach Notepad below (its caret stays where it was, tried while
# writing this test; whether Wine or the style is to blame is not known yet), and the indicator
# ignores clicks in this mode whatever reaches it: what the click does is left unchecked.
focus "$notepad"
for state in on off; do
    keys ctrl+alt+t
    wait_for 10 eval '[ "$(log_count "Indicator click-through $state")" -gt 0 ]' ||
        fail "Ctrl+Alt+T did not turn click-through $state"
done
pass "Ctrl+Alt+T makes the indicator click-through, and Ctrl+Alt+T again draggable"

# Live zoom. The overlay shows the screen as it was at Ctrl+1, magnified around the pointer.
overlay() { visible '^corvana-magnifier$'; }
focus "$notepad"
xdotool mousemove 600 420
views=$(log_count "Live zoom view")
keys ctrl+1
wait_for 30 eval '[ -n "$(overlay)" ]' || fail "Ctrl+1 showed no magnifier overlay"
grep -q "no Magnification.dll" corvana.err || fail "the overlay is up but the log does not say why"
eval "$(xdotool getwindowgeometry --shell "$(overlay)")"
[ "$WIDTH" -eq 1280 ] && [ "$HEIGHT" -eq 800 ] || fail "the overlay is ${WIDTH}x${HEIGHT}, not the screen"
wait_for 10 eval '[ "$(log_count "Live zoom view")" -gt "$views" ]' || fail "the zoom did not settle"
wait_for 10 steady 1280x800+0+0 zoomed.png || fail "the zoomed screen does not settle"
# Over Notepad: Wine hears the pointer only over its own windows.
xdotool mousemove 20 100
wait_for 10 eval 'root_area 1280x800+0+0 moved.png && ! same_pixels moved.png zoomed.png' ||
    fail "the view did not follow the pointer"
keys ctrl+1
wait_for 20 eval '[ -z "$(overlay)" ]' || fail "the overlay stayed after Ctrl+1 again"
pass "Ctrl+1: the overlay covers the screen, follows the pointer, and Ctrl+1 again ends it"

# Zoom with pen: the overlay magnifies the screen as it was at Ctrl+2, so under Wine the red
# strokes drawn in the zoom window below it do not show (the Magnification API magnifies the
# live screen); checked is that both come and go.
xdotool mousemove 600 420
keys ctrl+2
wait_for 10 eval '[ -n "$(visible "^Corvana zoom$")" ] && [ -n "$(overlay)" ]' ||
    fail "Ctrl+2 showed no zoom window under the overlay"
focus "$(visible '^Corvana zoom$')"
keys Escape
wait_for 10 eval '[ -z "$(visible "^Corvana zoom$")" ] && [ -z "$(overlay)" ]' ||
    fail "Escape did not end the zoom with pen"
pass "Ctrl+2 magnifies over the zoom window; Escape ends both"

# A drag moves the indicator in small steps, each taken once the indicator has followed the one
# before, as a hand drags: under Wine the indicator loses a pointer that has left it, and a busy
# machine lets the pointer run ahead of it. Released where it has arrived, where it looks as
# before.
target_x=600 target_y=650
root_area "50x50+$over_x+$over_y" was.png || fail "cannot read the screen"
xdotool mousemove $((over_x + 25)) $((over_y + 25)) mousedown 1
dx=$((target_x - over_x)) dy=$((target_y - over_y))
steps=$(((${dx#-} > ${dy#-} ? ${dx#-} : ${dy#-}) / 8 + 1))
for step in $(seq "$steps"); do
    x=$((over_x + dx * step / steps)) y=$((over_y + dy * step / steps))
    xdotool mousemove $((x + 25)) $((y + 25))
    wait_for 10 eval 'xdotool getwindowgeometry "$indicator" | grep -q "Position: $x,$y"' ||
        fail "the drag left the indicator at $(xdotool getwindowgeometry "$indicator" | sed -n 's/.*Position: //p'), not $x,$y"
done
xdotool mouseup 1
square="50x50+$target_x+$target_y"
wait_for 10 eval 'root_area "$square" now.png && same_pixels now.png was.png' ||
    fail "the dragged indicator does not look as before"
pass "a drag moves the indicator"

quit_corvana
finish
