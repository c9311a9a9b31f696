# Shared by the end-to-end tests: a private X server, the real corvana, and small checks.
# Runs inside run-isolated.sh, so the working directory and HOME are the test's own.
set -u
source "$CORVANA_SOURCE/scripts/xsession.sh"
source "$CORVANA_SOURCE/tests/e2e/report_lib.sh"

E2E_NAME=$(basename "$0" .sh)
ini="${CORVANA_SETTINGS_DIR:-$PWD}/Corvana_settings.ini"
shots="${CORVANA_SHOTS:-$PWD/screenshots}"
E2E_PASSED=0
CORVANA_PID=""
CORVANA_ERR=corvana.err
CORVANA_ERR_FROM=0
PEER_PIDS=()

e2e_end() {
    [ -n "$CORVANA_PID" ] && kill "$CORVANA_PID" 2>/dev/null
    for pid in "${PEER_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
    stop_private_x
}

finish() {
    [ -n "$CORVANA_PID" ] && stop_corvana
    e2e_end
    echo "$E2E_PASSED passed, 0 failed"
    exit 0
}


e2e_begin() {
    start_private_x "$@" || fail "no X server"
    mkdir -p data "$shots"
}

# start_corvana [ARG...]: starts corvana in ./data with its output in corvana.out and corvana.err
# (launch_corvana; its standard output in CORVANA_OUT, a path from ./data, if set) and waits
# until it is ready.
start_corvana() {
    CORVANA_ERR=corvana.err
    CORVANA_ERR_FROM=$(stat -c %s corvana.err 2>/dev/null || echo 0)
    count_after "grep -c 'Temp dir path is' corvana.err 2>/dev/null" 20 "corvana did not start" launch_corvana "$@"
}
launch_corvana() {
    (cd data && CORVANA_DATA_DIR=$PWD exec "$CORVANA_BIN" "$@" >>"${CORVANA_OUT:-../corvana.out}" 2>>../corvana.err) &
    CORVANA_PID=$!
}

# count_after COUNTER SECONDS MESSAGE COMMAND...: runs COMMAND, then waits until the number the
# command line COUNTER prints has grown (by COUNT_GROWTH, 1); fails with MESSAGE when it does not.
count_after() {
    local counter=$1 seconds=$2 message=$3 before
    before=$(eval "$counter")
    "${@:4}"
    wait_for "$seconds" eval '[ "$(eval "$counter")" -ge $((${before:-0} + ${COUNT_GROWTH:-1})) ]' || fail "$message"
}

# sanitizer_report FILE [FROM]: the first sanitizer line in FILE from byte FROM on, if any.
sanitizer_report() {
    tail -c +$((${2:-0} + 1)) "$1" 2>/dev/null |
        grep -m 1 -E 'ERROR: [A-Za-z]*Sanitizer|runtime error:|SUMMARY: [A-Za-z]*Sanitizer'
}

# running PID: the process is there and not yet a zombie waiting to be reaped.
running() { ps -o stat= -p "$1" 2>/dev/null | grep -qv '^Z'; }

# await_corvana_exit [STATUS]: waits for the running corvana to end (30 s at most), then fails
# the test unless it exited with STATUS (0) and its standard error ($CORVANA_ERR from byte
# $CORVANA_ERR_FROM) holds no sanitizer report.
await_corvana_exit() {
    local expected=${1:-0} pid=$CORVANA_PID rc report
    if ! wait_for 30 eval '! running "$pid"'; then
        kill -KILL "$pid" 2>/dev/null
        fail "corvana did not end within 30 s"
    fi
    wait "$pid"
    rc=$?
    CORVANA_PID=""
    report=$(sanitizer_report "$CORVANA_ERR" "$CORVANA_ERR_FROM")
    [ -z "$report" ] || fail "sanitizer report from corvana: $report"
    [ "$rc" -eq "$expected" ] || fail "corvana exited with status $rc, expected $expected"
}

# stop_corvana [SIGNAL]: ends corvana as the desktop would (SIGTERM) and judges how it ended.
stop_corvana() {
    kill -s "${1:-TERM}" "$CORVANA_PID"
    await_corvana_exit 0
}

# Finished captures: the next copy must not take the clipboard while one is still being read,
# or that read gets the next owner's content.
capture_count() {
    grep -c "END copy_to_corvana_clipboard()" corvana.out 2>/dev/null || true
}

# While paused a capture stops right after its start line.
started_capture_count() {
    grep -c "START copy_to_corvana_clipboard()" corvana.out 2>/dev/null || true
}

# copy TEXT...: another program (xclip) takes the clipboard with each TEXT in turn; waits until
# corvana has captured it (copy_while_paused: has started to, which is all it does while paused).
copy() {
    local text
    for text; do count_after capture_count 10 "copy of '$text' not captured" put_on_clipboard "$text"; done
}
copy_while_paused() { count_after started_capture_count 10 "copy of '$1' not captured" put_on_clipboard "$1"; }
# put_on_clipboard TEXT: another program copies TEXT (a script may use another tool).
put_on_clipboard() { printf '%s' "$1" | xclip -selection clipboard -i; }

# copy_file FILE TYPE: another program offers FILE as TYPE; waits (2 min at most) for the capture.
copy_file() { count_after capture_count 120 "copy of $1 not captured" xclip -selection clipboard -t "$2" -i "$1"; }

# open_keylog MODE [LOG]: the peer's window that logs the keys it gets (MODE keylog, pastelog or
# keytime) into LOG (keys.log), mapped and focused; sets $logger.
open_keylog() {
    KEYLOG=${2:-keys.log}
    "$E2E_PEER" "$1" "$KEYLOG" >/dev/null 2>&1 &
    PEER_PIDS+=($!)
    await_window corvana-keylog "no keylog window"
    logger=$window
    focus "$logger"
}

# open_featherpad: a real Qt editor on ./pasted.txt, mapped and focused; sets $out and $editor.
open_featherpad() {
    out="$PWD/pasted.txt"
    : >"$out"
    featherpad --standalone "$out" >featherpad.log 2>&1 &
    PEER_PIDS+=($!)
    wait_for 20 eval 'xdotool search --onlyvisible --class featherpad >/dev/null 2>&1' || fail "featherpad did not open"
    editor=$(xdotool search --onlyvisible --class featherpad | head -n 1)
    focus "$editor"
}

# keys KEY...: key presses as a hand gives them, modifiers held by the test released first.
keys() { xdotool key --clearmodifiers --delay 40 "$@"; }

save_in_editor() { keys ctrl+s; }
# expect_file TEXT: saves in the editor again and again (a paste can land after a save typed
# behind it on a busy machine) until the file holds TEXT, line breaks aside: the editor ends the
# file with one on every save.
expect_file() {
    expected=$1
    local deadline=$((SECONDS + 10))
    until save_in_editor && wait_for 1 eval '[ "$(tr -d "\\n" <"$out")" = "$expected" ]'; do
        [ $SECONDS -lt $deadline ] || fail "file holds '$(cat "$out")', expected '$expected'"
    done
}

# focus WINDOW: gives WINDOW the keyboard and waits until the server says a window of its name
# has it (the focus may sit on a child of the one searched for).
focus() {
    local name
    name=$(xdotool getwindowname "$1")
    xdotool windowfocus --sync "$1" 2>/dev/null
    wait_for 5 eval '[ "$(xdotool getwindowfocus getwindowname 2>/dev/null)" = "$name" ]' ||
        fail "$name took no focus: $(xdotool getwindowfocus getwindowname 2>&1) has it"
}

# visible NAME: the first mapped window whose title matches NAME; fails when there is none.
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 | grep .; }
# await_window NAME MESSAGE: waits for a mapped window NAME and sets $window to it.
await_window() {
    wait_for 15 visible "$1" >/dev/null || fail "$2"
    window=$(visible "$1")
}
await_gone() { wait_for 10 eval "! visible $(printf %q "$1") >/dev/null" || fail "$2"; }
# main_window: the main window the first start shows, as $main; hide_main_window: unmapped, so
# that the screen is the test's.
main_window() { await_window '^Corvana$' "the first start does not show the main window" && main=$window; }
hide_main_window() { main_window && xdotool windowunmap --sync "$main"; }

setting() { sed -n "s/^$1=//p" "$ini"; }
# cli ARG...: corvana's command line, from another process; its output in cli.out and cli.err.
cli() { "$CORVANA_BIN" "$@" >cli.out 2>cli.err; }
# fake_xdg_open: pages are "opened" by writing their address into $OPENED, not by a browser.
fake_xdg_open() {
    mkdir -p bin
    printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"$OPENED"\n' >bin/xdg-open
    chmod +x bin/xdg-open
    export OPENED="$PWD/opened.txt" PATH="$PWD/bin:$PATH"
}
# xev_below GEOMETRY: a plain X window that logs the clicks it gets into xev.out.
xev_below() {
    xev -geometry "$1" -event button >xev.out 2>&1 &
    PEER_PIDS+=($!)
    await_window '^Event Tester$' "no xev"
}
temp_dir() { sed -n 's/^Temp dir path is: //p' corvana.err | tail -n 1; }
# log_count PATTERN: lines of corvana's output and error matching the extended PATTERN.
log_count() { cat corvana.out corvana.err 2>/dev/null | grep -cE -- "$1" || true; }
# logged_after PATTERN MESSAGE COMMAND...: runs COMMAND and waits (10 s) for one more line
# matching PATTERN in corvana's logs.
logged_after() { count_after "log_count $(printf %q "$1")" 10 "$2" "${@:3}"; }

# start_peer MODE ARGS...: the peer program in MODE, its output in MODE.out; sets $peer.
start_peer() {
    "$E2E_PEER" "$@" >"$1.out" 2>&1 &
    peer=$!
    PEER_PIDS+=("$peer")
}
# offer_and_wait FORMAT=FILE...: a program owns the clipboard with these; waits for the capture.
offer_and_wait() { count_after capture_count 20 "the offer was not captured" start_peer offer "$@"; }

# paste_into_keylog TEXT COMMAND...: runs COMMAND, which sends a paste key into the focused key
# log window (open_keylog pastelog), and waits for the key to come with TEXT ("*": any) on the
# clipboard.
paste_into_keylog() {
    local text=$1 line
    count_after "grep -c : $KEYLOG" 10 "no paste key came after: ${*:2}" "${@:2}"
    line=$(grep : "$KEYLOG" | tail -n 1)
    [ "$text" = "*" ] || [ "${line#*:}" = "$text" ] || fail "${*:2}: the paste came with '${line#*:}', expected '$text'"
}

# tray_icon: Corvana's icon window in the tray of trayer or tint2.
tray_icon() {
    local panel
    panel=$(xdotool search --name '^panel$' 2>/dev/null | head -n 1)
    [ -n "$panel" ] || panel=$(xdotool search --class '^tint2$' 2>/dev/null | head -n 1)
    xwininfo -tree -id "$panel" 2>/dev/null | sed -n 's/^ *\(0x[0-9a-f]*\) "Corvana".*/\1/p' | head -n 1
}

# click_tray BUTTON: a click on the tray icon, looked up anew (its window may be remade when the
# icon changes). Two presses of one button within the double-click interval (400 ms) are one
# double click to the icon, which a middle button ignores: clicks are spaced as a hand's.
click_tray() {
    wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon is not in the tray"
    sleep 0.5
    xdotool mousemove --window "$(tray_icon)" 11 11 click "$1"
}
menu_count() { xdotool search --onlyvisible --classname corvana 2>/dev/null | wc -l; }
open_tray_menu() {
    count_after menu_count 10 "the tray menu did not open" click_tray 3
    sleep 0.3
}

# shot NAME [WINDOW [AREA]]: a picture of WINDOW (the screen), or of an AREA of it, into $shots,
# once its last paint is done.
shot() {
    sleep 0.3
    import -window "${2:-root}" ${3:+-crop "$3" +repage} "$shots/$1.png" || fail "cannot save $1.png"
}
# pixel FILE X Y: the colour there, as #rrggbb.
pixel() { convert "$1" -format "#%[hex:p{$2,$3}]" info: 2>/dev/null | cut -c 1-7 | tr A-F a-f; }
root_pixel() { import -window root root.png 2>/dev/null && pixel root.png "$1" "$2"; }
# crop_equals SHOT PATTERN X Y [X1,Y1,X2,Y2...]: SHOT is PATTERN's area at X,Y pixel for pixel,
# the rectangles given (corners inclusive, in SHOT's coordinates) left out.
crop_equals() {
    local size cover=(-fill black) r
    size=$(identify -format '%wx%h' "$1") || return 1
    for r in "${@:5}"; do cover+=(-draw "rectangle ${r//,/ }"); done
    convert "$1" -alpha off "${cover[@]}" png24:crop-a.png &&
        convert "$2" -alpha off -crop "$size+$3+$4" +repage "${cover[@]}" png24:crop-b.png &&
        compare -metric AE crop-a.png crop-b.png null: 2>/dev/null
}
# show_picture FILE: the picture at 0,0 in a frameless window; sets $picture to its process.
show_picture() {
    "$E2E_PIXELS" show "$1" &
    picture=$!
    PEER_PIDS+=("$picture")
    wait_for 10 visible '^corvana-pattern$' >/dev/null || fail "$1 is not on screen"
}
# noise OUT.png W H: a picture whose pixels differ from their neighbours.
noise() { convert -size "$2x$3" xc: +noise Random -depth 8 "png24:$1" || fail "cannot make $1"; }
# same_area A.png B.png WxH+X+Y: the area is the same in both pictures.
same_area() { compare -metric AE -extract "$3" "$1" "$2" null: 2>/dev/null; }
# geometry_of WINDOW: sets X, Y, WIDTH and HEIGHT to the window's.
geometry_of() { eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"; }

# dummy_begin SCREEN...: e2e_begin on Xorg's dummy driver with those screens (see
# scripts/xorg-dummy.sh) and a tray for the "Image Saved" balloons.
dummy_begin() {
    source "$CORVANA_SOURCE/scripts/xorg-dummy.sh"
    stop_private_x() {
        [ -n "${CORVANA_TRAYER_PID:-}" ] && kill "$CORVANA_TRAYER_PID" 2>/dev/null
        stop_dummy_x
    }
    start_dummy_x "$@" || fail "no Xorg with the dummy driver"
    # Across Xinerama screens the server copies shared-memory images to the first screen only.
    export QT_XCB_NO_MITSHM=1
    trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
    CORVANA_TRAYER_PID=$!
    mkdir -p data "$shots"
}
