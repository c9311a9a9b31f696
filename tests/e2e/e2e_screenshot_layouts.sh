# Screenshots on two screens stacked one above the other (Xorg's dummy driver), at the
# toolkit's scale 1 and 2: the capture window covers both screens exactly, and an area dragged
# on either screen saves exactly the real screen pixels under it.
source "$CORVANA_SOURCE/tests/e2e/e2e_lib.sh"
dummy_begin 1280x800 below:1024x768
desktop="$HOME/Desktop"
noise pattern.png 1280 1568
show_picture pattern.png

saved_files() { find "$desktop" -name '*.png' 2>/dev/null | sort; }

# capture_area X1 Y1 X2 Y2: Print, a drag from corner to corner (inclusive), Return; checks
# the new file is exactly that area of the pattern.
capture_area() {
    local before want
    before=$(saved_files | wc -l)
    xdotool mousemove 640 400
    xdotool key Print
    await_window '^Corvana capture$' "Print did not open the capture window"
    geometry_of "$window"
    [ "$X,$Y,$WIDTH,$HEIGHT" = "0,0,1280,1568" ] ||
        fail "the capture window is at $X,$Y, $WIDTH x $HEIGHT, not over both screens"
    want=$("$E2E_PIXELS" color pattern.png 20 1500)
    wait_for 10 eval '[ "$(root_pixel 20 1500)" != "$want" ]' ||
        fail "the lower screen is not dimmed"
    xdotool mousemove "$1" "$2" mousedown 1 mousemove $(($1 + 10)) $(($2 + 10)) \
        mousemove "$3" "$4" mouseup 1
    await_window '^Corvana toolbox$' "no toolbox after the selection"
    xdotool key Return
    wait_for 15 eval '[ "$(saved_files | wc -l)" -gt "$before" ]' || fail "nothing was saved"
    await_gone '^Corvana capture$' "the capture stayed open"
    saved=$(saved_files | tail -n 1)
    local size
    size=$(identify -format '%wx%h' "$saved")
    [ "$size" = "$(($3 - $1 + 1))x$(($4 - $2 + 1))" ] ||
        fail "an area of $(($3 - $1 + 1))x$(($4 - $2 + 1)) was saved as $size"
    "$E2E_PIXELS" crop-equals "$saved" pattern.png "$1" "$2" >/dev/null ||
        fail "the saved pixels are not the area $1,$2 of the screen"
    rm -f "$saved"
}

start_corvana
hide_main_window
capture_area 100 900 399 1099
capture_area 200 600 599 1000
pass "stacked screens: areas on the lower screen and across both save exactly"
stop_corvana

# Started again, it keeps its main window hidden.
QT_SCALE_FACTOR=2 start_corvana
capture_area 200 200 499 399
capture_area 100 900 399 1099
pass "at scale 2: the capture covers both screens and saved areas hold the real pixels"
finish
