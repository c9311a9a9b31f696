# Live zoom under Wine, which has no Magnification.dll: Ctrl+1 shows the overlay that stands in
# for it over the whole screen, the view follows the pointer, and Ctrl+1 again takes it away.
source "$(dirname "$0")/wine_e2e_lib.sh"
settings "StartAtStartup=false" "IsFirstStart=false"
start_corvana
# Wine hears keys only while one of its windows has the focus: Notepad's.
open_notepad

overlay() { xdotool search --onlyvisible --name '^corvana-magnifier$' 2>/dev/null | head -n 1; }
view_count() { grep -c "Live zoom view" corvana.err 2>/dev/null || true; }

xdotool mousemove 600 420
keys ctrl+1
wait_for 30 eval '[ -n "$(overlay)" ]' || fail "Ctrl+1 showed no magnifier overlay"
grep -q "no Magnification.dll" corvana.err || fail "the overlay is up but the log does not say why"
eval "$(xdotool getwindowgeometry --shell "$(overlay)")"
[ "$WIDTH" -eq 1280 ] && [ "$HEIGHT" -eq 800 ] || fail "the overlay is ${WIDTH}x${HEIGHT}, not the screen"
pass "Ctrl+1: the overlay covers the screen"

views=$(view_count)
xdotool mousemove 1200 100
wait_for 20 eval '[ "$(view_count)" -gt "$views" ]' || fail "the view did not follow the pointer"
pass "the view follows the pointer"

keys ctrl+1
wait_for 20 eval '[ -z "$(overlay)" ]' || fail "the overlay stayed after Ctrl+1 again"
pass "Ctrl+1 again takes the overlay away"

close_notepad
quit_corvana
finish
