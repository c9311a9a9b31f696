# corvana.exe through a Windows session, in folders named with letters outside ASCII: it pastes
# newest first, and oldest first after Ctrl+Alt+/; a second start brings the running one to the
# front and leaves with status 0 and no second tray icon; the end of the session saves the order
# and leaves the last entry pasted on the clipboard; the next start, a first one, reads the order
# back, makes the Start menu's launcher and captures an image in the data folder. The Run value
# of start at login is tst_win_desktop's, its setting tst_startup's.
# Wine names the Windows user after $USER when it makes a prefix: run with
# USER='Пользователь ü' and a WINEPREFIX of its own, it does all this under a profile folder
# named outside ASCII too.
source "$(dirname "$0")/wine_e2e_lib.sh"
if [ -n "$(printf %s "${USER:-}" | LC_ALL=C tr -d ' -~')" ]; then
    [ -d "$WINEPREFIX/drive_c/users/$USER" ] || fail "the prefix has no profile folder for $USER"
fi
# The data and settings folders inside a folder whose name only UTF-16 holds.
parent=$E2E_DIR
trap 'rm -rf "$parent"' EXIT
E2E_DIR="$parent/Данные ü 数据"
mkdir -p "$E2E_DIR/data" "$E2E_DIR/settings"
cd "$E2E_DIR"
panel=$(xdotool search --name '^panel$' | head -n 1)
[ -n "$panel" ] || fail "no tray panel"
docked() { xwininfo -children -id "$panel" 2>/dev/null | sed -n 's/^[[:space:]]*\([0-9]*\) child.*/\1/p'; }
before=$(docked)
start_menu_link() { find "$WINEPREFIX/drive_c/users" -path '*Start Menu/Programs/Corvana/Corvana.lnk' "$@" 2>/dev/null; }
start_menu_link -delete # as an earlier run left it

settings "StartAtStartup=false" "IsFirstStart=false"
start_corvana
wait_for 30 eval '[ "$(docked)" -gt "${before:-0}" ]' || fail "no icon docked in the tray"
icons=$(docked)
! shown "^Corvana$" || fail "the main window shows before a second start"

# The paste queue: three copies and three Ctrl+V give them back newest first; the global
# shortcut turns the order round.
open_notepad
for text in A B C; do copy $text; done
xdotool windowfocus --sync "$notepad"
keys ctrl+v ctrl+v ctrl+v
expect_file CBA
pass "backward order, the default, pastes CBA"
keys ctrl+v
expect_file CBAA
keys ctrl+alt+slash
keys ctrl+v ctrl+v ctrl+v ctrl+v
expect_file CBAAABCC
# Ended without asking to save: its file is saved already.
kill "$NOTEPAD_PID" 2>/dev/null; wait "$NOTEPAD_PID" 2>/dev/null
NOTEPAD_PID=""
pass "after Ctrl+Alt+/ forward order pastes ABCC"

# A second start, as start_corvana does, ends at once.
(cd data && CORVANA_SETTINGS_DIR=$(zpath "$E2E_DIR/settings") exec "$WINE64" "$CORVANA_EXE" >../second.out 2>&1) ||
    fail "the second start exited with status $?"
running "$CORVANA_PID" || fail "the first corvana.exe ended at the second start"
wait_for 10 shown '^Corvana$' || fail "the running corvana.exe did not show its window"
# Its focus is not checked: the private X server runs no window manager, and the X focus does
# not follow Wine's activation there.
[ "$(docked)" -eq "$icons" ] || fail "$(docked) tray icons after the second start, expected $icons"
pass "a second start exits 0 and the first shows its window, still one tray icon"

# Found by its own name: the log shows a user name outside ASCII as question marks.
temp_name=$(LC_ALL=C sed -n 's|^Temp dir path is: .*/||p' corvana.err | tail -n 1 | tr -d '\r')
temp_dirs() { find "$WINEPREFIX/drive_c" -maxdepth 5 -type d -name "$temp_name" 2>/dev/null; }
[ -n "$temp_name" ] && [ -n "$(temp_dirs)" ] || fail "no temporary folder '$temp_name' found"
# wineboot ends the session as logging off does: WM_QUERYENDSESSION and WM_ENDSESSION to every
# top-level window, then, as Windows does, it ends the process once WM_ENDSESSION has returned
# (Wine's TerminateProcess kills it: status 137). corvana.exe ends by itself or that way.
"$WINE64" wineboot --end-session >/dev/null 2>&1 || fail "wineboot --end-session failed"
await_exit "the end of the session" 0 137
[ -z "$(temp_dirs)" ] || fail "the temporary folder $(temp_dirs) is left after the end of the session"
[ "$(setting PasteOrder)" = forward ] || fail "PasteOrder is '$(setting PasteOrder)' after the end of the session"
clip=$(xclip -o -selection clipboard 2>/dev/null)
[ "$clip" = C ] || fail "the clipboard holds '$clip' after corvana.exe ended, expected C"
pass "the end of the session ends corvana.exe, saves the order, removes the temporary folder and leaves C on the clipboard"

sed -i 's/^IsFirstStart=.*/IsFirstStart=true/' settings/Corvana_settings.ini
start_corvana
[ -n "$(start_menu_link)" ] || fail "no Corvana.lnk in the Start menu after a first start"
pass "a first start makes the Start menu's launcher under the profile"
mode=$(grep -a "Mode set to" corvana.err | tail -n 1 | tr -d '\r')
[ "$mode" = "Mode set to Automatic Forward" ] || fail "the order read back: '$mode'"
convert -size 16x16 xc:red sample.png || fail "cannot make the sample image"
xclip -selection clipboard -t image/png -i sample.png
wait_for 30 test -s data/images/image1.png || fail "no data/images/image1.png after copying an image"
pass "an image is captured in the data folder"
quit_corvana
[ "$(setting PasteOrder)" = forward ] || fail "PasteOrder is '$(setting PasteOrder)' after the restart"
mangled=$(find "$parent" -name '*[?]*' | head -n 3)
[ -z "$mangled" ] || fail "files named with question marks: $mangled"
pass "the settings are read back from the folder, and no name lost its letters"
finish
