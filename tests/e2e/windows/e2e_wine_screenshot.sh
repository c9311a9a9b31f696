# Screenshots under Wine on two monitors whose primary is the right one, so that the Windows
# desktop starts at -1024: Print opens the capture over the whole desktop, a drag across both
# monitors and one on the left monitor alone, Return; each PNG saved on the desktop holds
# exactly the X server's own pixels of that area.
source "$(dirname "$0")/wine_e2e_lib.sh"
two_monitors
# Qt names each monitor Wine reports, with its place, in its own log.
export WINEQT_LOGGING_RULES='qt.qpa.windows.debug=true'
# Random pixels on the desktop: an area moved by a pixel, scaled or dimmed differs everywhere.
{ printf 'P6\n2304 800\n255\n' && head -c $((2304 * 800 * 3)) /dev/urandom; } >pattern.ppm
# display's exit status says nothing here: the screen is looked at instead.
display -window root pattern.ppm 2>/dev/null
root_area 2304x800+0+0 shown.png && same_pixels shown.png pattern.ppm ||
    fail "the desktop does not show the pattern"
settings "StartAtStartup=false" "IsFirstStart=false"
start_corvana
grep -q 'New Monitor:.*1024x768+-1024+0' corvana.err || fail "Wine reports no monitor at -1024,0"
open_notepad

capture() { visible '^Corvana capture$'; }
# Each save logs the file's path (Windows' line ends).

# shoot_area X1 Y1 X2 Y2: Print, a drag from corner to corner (inclusive, X coordinates),
# Return; the saved file must be that area of the screen as it was before Print.
shoot_area() {
    local before saved
    before=$(log_count '-screenshot[-0-9]*\.png')
    root_area "$(($3 - $1 + 1))x$(($4 - $2 + 1))+$1+$2" want.png || fail "cannot read the screen"
    xdotool windowfocus --sync "$notepad"
    keys Print
    wait_for 15 eval '[ -n "$(capture)" ]' || fail "Print opened no capture window"
    eval "$(xdotool getwindowgeometry --shell "$(capture)" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    [ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,2304,800" ] ||
        fail "the capture window is at $X,$Y, $WIDTH x $HEIGHT, not over both monitors"
    xdotool mousemove "$1" "$2" mousedown 1
    xdotool mousemove $(($1 + 20)) $(($2 + 20))
    xdotool mousemove "$3" "$4" mouseup 1
    wait_for 10 shown '^Corvana toolbox$' || fail "no toolbox after the selection"
    # Wine moves the X focus to a window it activates only through a window manager; this
    # session has none, so the test hands the focus over as one would.
    xdotool windowfocus --sync "$(capture)"
    xdotool key Return
    wait_for 15 eval '[ "$(log_count "-screenshot[-0-9]*\.png")" -gt "$before" ]' || fail "Return saved nothing"
    wait_for 10 eval '[ -z "$(capture)" ]' || fail "the capture stayed open"
    saved=$("$WINE64" winepath -u "$(grep -o -- '[A-Z]:/.*-screenshot[-0-9]*\.png' corvana.err | tail -n 1)" |
        tr -d '\r')
    same_pixels "$saved" want.png ||
        fail "$saved ($(identify -format '%wx%h' "$saved")) is not the area $1,$2 to $3,$4 of the screen"
    rm -f "$saved"
}

shoot_area 900 600 1199 760
pass "an area across both monitors is saved with the screen's own pixels"
shoot_area 100 200 399 399
pass "an area on the monitor left of the primary, at negative x, is saved exactly"

quit_corvana
finish
