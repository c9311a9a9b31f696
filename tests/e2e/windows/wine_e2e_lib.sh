# Shared by the end-to-end tests under Wine. wine-session.sh has started the X server, the tray
# and the prefix; this gives each test its own folders, the real corvana.exe, Wine's Notepad as
# the program pasted into, and small checks. Waits are for conditions, never for a fixed time.
set -u
source "$CORVANA_SOURCE/scripts/windows/wine-env.sh"
source "$CORVANA_SOURCE/tests/e2e/report_lib.sh"

E2E_NAME=$(basename "$0" .sh)
E2E_PASSED=0
CORVANA_PID=""
NOTEPAD_PID=""
E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/corvana-wine-e2e.XXXXXX")
cd "$E2E_DIR"
mkdir -p data settings
# Qt writes its messages to standard error, not to the debugger.
export QT_FORCE_STDERR_LOGGING=1
wine_pass_qt_env

e2e_end() {
    [ -n "$CORVANA_PID" ] && kill "$CORVANA_PID" 2>/dev/null
    [ -n "$NOTEPAD_PID" ] && kill "$NOTEPAD_PID" 2>/dev/null
    cd /
    rm -rf "$E2E_DIR"
}

finish() {
    [ -n "$CORVANA_PID" ] && fail "corvana.exe is still running at the end"
    e2e_end
    echo "$E2E_PASSED passed, 0 failed"
    exit 0
}


# settings KEY=VALUE...: the settings file corvana.exe starts with.
settings() {
    { echo "[General]"; sed -n 's/.*save_version = "\([^"]*\)".*/SaveVersion=\1/p' "$CORVANA_SOURCE/project/src/app/SaveManager.h"
        printf '%s\n' "$@"; } >settings/Corvana_settings.ini
}

# setting KEY: its value in the settings file as corvana.exe left it.
setting() { sed -n "s/^$1=//p" settings/Corvana_settings.ini | tr -d '\r'; }

ready_count() { grep -c "Temp dir is valid" corvana.out 2>/dev/null || true; }

# Starts corvana.exe in ./data with its own settings folder.
start_corvana() {
    local before
    before=$(ready_count)
    (cd data && CORVANA_SETTINGS_DIR=$(zpath "$E2E_DIR/settings") CORVANA_DATA_DIR=$(zpath "$PWD") \
        exec "$WINE64" "$CORVANA_EXE" \
        >>../corvana.out 2>>../corvana.err) &
    CORVANA_PID=$!
    wait_for 120 eval '[ "$(ready_count)" -gt "${before:-0}" ]' || fail "corvana.exe did not start"
}

# running PID: the process is there and no zombie.
running() { ps -o stat= -p "$1" 2>/dev/null | grep -q '^[^Z]'; }

# Whether any process runs this build's corvana.exe (Wine shows it by its Unix or its Windows
# path; either is this worktree's own).
corvana_listed() { ps -eo args= | grep -v grep | grep -qiF -e "$CORVANA_EXE" -e "$(zpath "$CORVANA_EXE")"; }

# await_exit WHAT STATUS...: waits for corvana.exe to end after WHAT; fails unless it ended
# within 60 s with one of the statuses.
await_exit() {
    local what=$1 pid=$CORVANA_PID rc
    shift
    if ! wait_for 60 eval '! running "$pid"'; then
        kill -KILL "$pid" 2>/dev/null
        fail "corvana.exe did not end within 60 s of $what"
    fi
    wait "$pid"
    rc=$?
    CORVANA_PID=""
    case " $* " in *" $rc "*) return 0 ;; esac
    fail "corvana.exe exited with status $rc after $what"
}

# quit_corvana: asks corvana.exe to close as Windows does (taskkill without /f sends WM_CLOSE
# to its windows), waits for it to end, and fails unless it exited with status 0 and no
# corvana.exe is left in the prefix.
quit_corvana() {
    "$WINE64" taskkill /im corvana.exe >/dev/null 2>&1 || fail "taskkill found no corvana.exe"
    await_exit taskkill 0
    # Started through "start /wait", the process may outlive the status it handed on briefly.
    wait_for 10 eval '! corvana_listed' || fail "a corvana.exe process is left after quitting"
}

# log_count PATTERN: how many lines of corvana.exe's output match.
log_count() { grep -c -e "$1" corvana.out corvana.err 2>/dev/null | awk -F: '{ n += $2 } END { print n + 0 }'; }


# copy TEXT, copy_as MIME <DATA: xclip takes the X clipboard (TEXT as text, DATA as that one
# target), Wine hands it on to Windows programs, and corvana.exe captures it; waits for the capture.
copy() { printf '%s' "$1" | copy_as UTF8_STRING; }
copy_as() {
    local before
    before=$(log_count "END copy_to_corvana_clipboard()")
    xclip -selection clipboard -t "$1" -i
    wait_for 30 eval '[ "$(log_count "END copy_to_corvana_clipboard()")" -gt "$before" ]' || fail "a copy as $1 was not captured"
}

# open_notepad: Wine's Notepad on ./pasted.txt, focused; sets $out and $notepad. Found by the
# title it gives that file, so that no other window (one of Notepad's message boxes, say) is
# taken for it; a Notepad that ends, or never shows, fails with what it said and what was shown.
open_notepad() {
    out="$E2E_DIR/pasted.txt"
    : >"$out"
    "$WINE64" notepad "$(zpath "$out")" >notepad.log 2>&1 &
    NOTEPAD_PID=$!
    wait_for 60 eval 'shown "^pasted.* - Notepad$" || ! running "$NOTEPAD_PID"'
    notepad=$(visible '^pasted.* - Notepad$')
    [ -n "$notepad" ] || fail "Notepad did not open ($(running "$NOTEPAD_PID" || echo ended)): $(cat notepad.log)" \
        "windows shown: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|')"
    xdotool windowfocus --sync "$notepad"
}

# two_monitors: moves the session onto two monitors, the primary (1280x800) right of a
# 1024x768 one, so that Wine puts the primary's corner at 0,0 and the Windows desktop starts at
# -1024: one X screen of Xorg's dummy driver with two RandR outputs (Xorg's Xinerama screens
# come without RandR, and Wine 8 then loses the second monitor). No window manager, as in the
# other tests. The dummy server and this session's Wine end when the test does.
two_monitors() {
    source "$CORVANA_SOURCE/scripts/xorg-dummy.sh"
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    trap '"$WINESERVER" -k 2>/dev/null; "$WINESERVER" -w 2>/dev/null; stop_dummy_x' EXIT
    start_dummy_x 2304x800 || fail "no Xorg with the dummy driver"
    xrandr --addmode DUMMY1 1024x768 &&
        xrandr --fb 2304x800 --output DUMMY0 --mode 1280x800 --pos 1024x0 --primary \
            --output DUMMY1 --mode 1024x768 --pos 0x0 || fail "cannot lay out the two monitors"
    # The server calls the new output connected only once a client asks it to look again.
    xrandr >/dev/null
    "$WINE64" wineboot -i >/dev/null 2>&1
}

# root_area WxH+X+Y FILE: that area of what the X server shows.
root_area() { import -window root -crop "$1" +repage "$2" 2>/dev/null; }

# same_pixels A B: the two pictures have the same size and every pixel alike.
same_pixels() {
    [ "$(identify -format '%wx%h' "$1")" = "$(identify -format '%wx%h' "$2")" ] &&
        [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]
}
# steady AREA FILE: that area read twice alike, kept in FILE.
steady() { root_area "$1" "$2" && root_area "$1" again.png && same_pixels again.png "$2"; }

keys() { xdotool key --clearmodifiers --delay 60 "$@"; }

# The file's text without line ends and without the byte-order mark Notepad may write.
file_text() { sed '1s/^\xEF\xBB\xBF//' "$out" | tr -d '\r\n'; }

# expect_file TEXT: saves in Notepad and waits until the file holds TEXT.
expect_file() {
    expected=$1
    keys ctrl+s
    wait_for 20 eval '[ "$(file_text)" = "$expected" ]' ||
        fail "Notepad saved '$(file_text)', expected '$expected'"
}

# --- Rich content and popups ---

# served MIME: what the clipboard gives for that X target now, byte for byte.
served() { xclip -selection clipboard -o -t "$1" 2>/dev/null; }

# served_file_matches FILE: the clipboard's file list names one file of FILE's name and content
# (a snapshot, so not FILE itself).
served_file_matches() {
    local uri path
    uri=$(served text/uri-list | tr -d '\r' | sed -n '/^file:/{p;q}')
    path=$(printf '%b' "$(printf '%s' "${uri#file://}" | sed 's/%/\\x/g')")
    [ "$(basename "$path")" = "$(basename "$1")" ] && [ "$path" != "$(realpath "$1")" ] &&
        cmp -s "$path" "$1"
}

# visible TITLE: a window on the screen whose title matches TITLE; shown TITLE: whether there is one.
visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
shown() { [ -n "$(visible "$1")" ]; }
