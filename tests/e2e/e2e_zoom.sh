# Live zoom and zoom with pen on Xvfb: a numbered checkerboard, Ctrl+1 with the pointer at a
# known spot shows the board around it scaled up; Ctrl+1 again gives the board back exactly.
# Ctrl+2 and a drag leave a red stroke; Escape, and the next Ctrl+2 is clean. The board as the
# desktop's wallpaper (drawn on the root window) is magnified by the same factor, and a window
# opened and closed meanwhile appears and goes in the magnified view.
source "$CORVANA_SOURCE/tests/e2e/e2e_lib.sh"

e2e_begin
"$E2E_PIXELS" checkerboard board.png 1280 800 80 || fail "cannot make the board"
show_picture board.png
board=$picture
start_corvana
hide_main_window
shoot() { import -window root "$1" 2>/dev/null; }
# red_count FILE: how many pixels are near pure red.
red_count() {
    convert "$1" -fuzz 25% -fill black +opaque red -fill white -opaque red \
        -format '%[fx:round(mean*w*h)]' info:
}
magnifier_shown() { xwininfo -root -tree | grep -q '"corvana-magnifier"'; }
# The board fills the screen around where the pointer will be (the indicator sits top-left).
wait_for 10 eval 'shoot before.png && same_area before.png board.png 1080x700+200+100' ||
    fail "the screen does not show the board"
view_count() { grep -c "Live zoom view" corvana.err 2>/dev/null || true; }
# shows_view SHOT [PATTERN]: the screen, saved as SHOT, shows PATTERN's (the board's) view
# around the pointer scaled.
shows_view() {
    local X Y SCREEN WINDOW
    eval "$(xdotool getmouselocation --shell)"
    shoot "$1" && "$E2E_PIXELS" magnified "$1" "${2:-board.png}" "$X" "$Y" "$vx" "$vy" "$vw" "$vh"
}
zoom_shown() { visible '^Corvana zoom$' >/dev/null; }
# zoom_in KEY SHOT [PATTERN]: KEY with the pointer at 600,420 zooms in (Ctrl+2 in its own window);
# sets vx vy vw vh to the view and waits until the screen, saved as SHOT, shows it magnified.
zoom_in() {
    count_after view_count 10 "$1: no zoom-in" xdotool mousemove 600 420 key "$1"
    read -r vx vy vw vh <<<"$(grep "Live zoom view" corvana.err | tail -n 1 |
        sed 's/.*Live zoom view \([-0-9]*\) \([-0-9]*\) \([0-9]*\) \([0-9]*\) at.*/\1 \2 \3 \4/')"
    wait_for 10 magnifier_shown || fail "$1: no magnifier window"
    [ "$1" = ctrl+1 ] || wait_for 10 zoom_shown || fail "$1 showed no zoom window"
    wait_for 10 shows_view "$2" "${3:-board.png}" || fail "$1 does not show ${3:-the board} magnified"
}

zoom_in ctrl+1 zoomed.png
[ "$vw" -eq 847 ] && [ "$vh" -eq 529 ] || fail "view ${vw}x${vh}, not 1280x800 / 1.51"
cp zoomed.png "$shots/magnifier.png"
pass "Ctrl+1: the board around the pointer, 1.5 times larger"

# A real pointer move (XTest, not a warp) past the inner rectangle moves the view.
xdotool mousemove_relative 400 0
wait_for 10 eval 'shoot moved.png && ! same_area moved.png zoomed.png 1280x800+0+0' ||
    fail "the view did not follow the pointer"
pass "the view follows the pointer"

xdotool key ctrl+1
wait_for 10 eval '! magnifier_shown' || fail "the magnifier stayed"
wait_for 10 eval 'shoot after.png && same_area after.png before.png 1280x800+0+0' ||
    fail "the screen is not back to the board exactly"
pass "Ctrl+1 again: the board exactly as before"

zoom_in ctrl+2 frozen.png
# Paced, so each move arrives on its own (queued moves are merged into one).
xdotool mousedown 1
for x in 320 350 380 410 440 470; do
    xdotool mousemove $x $((x / 3 + 200))
    sleep 0.05
done
xdotool mouseup 1
wait_for 10 eval 'shoot pen.png && [ "$(red_count pen.png)" -gt 100 ]' ||
    fail "no red stroke on screen"
cp pen.png "$shots/zoom-pen.png"
pass "Ctrl+2 and a drag draw a red stroke"

xdotool key Escape
wait_for 10 eval '! zoom_shown && ! magnifier_shown' || fail "Escape did not end the zoom"
# Painted: the screen shows the board magnified; only then does "no red" say anything.
zoom_in ctrl+2 clean.png
[ "$(red_count clean.png)" -eq 0 ] || fail "the next zoom with pen is not clean"
xdotool key Escape
wait_for 10 eval '! zoom_shown && ! magnifier_shown' || fail "Escape did not end the second zoom"
pass "Escape ends it; the next Ctrl+2 starts from a clean picture"

# The board as wallpaper, as feh, xsetroot or ImageMagick's display put one on the root window,
# with no window over it. ImageMagick may reduce its colours: the screen itself is the pattern.
kill "$board"
await_gone '^corvana-pattern$' "the board window stayed"
display -window root board.png 2>/dev/null
vx=0 vy=0 vw=1280 vh=800
wait_for 10 shows_view wallpaper.png || fail "the wallpaper is not the board"
zoom_in ctrl+1 zoomed-wallpaper.png wallpaper.png
pass "Ctrl+1 over a wallpaper magnifies it by the set factor"

# Windows that open and close while it magnifies are shown and gone at once.
"$E2E_PIXELS" checkerboard board50.png 1280 800 50 || fail "cannot make the second board"
"$E2E_PIXELS" show board50.png &
opened=$!
PEER_PIDS+=("$opened")
wait_for 10 shows_view opened.png board50.png ||
    fail "a window opened during the live zoom is not shown magnified"
kill "$opened"
wait "$opened" 2>/dev/null
wait_for 10 shows_view closed.png wallpaper.png ||
    fail "a window closed during the live zoom is still shown"
xdotool key ctrl+1
wait_for 10 eval '! magnifier_shown' || fail "the magnifier stayed over the wallpaper"
pass "a window opened and closed while magnified is shown, then gone"

finish
