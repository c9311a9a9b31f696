# The program as the Debian package installs it: unpacked from the .deb (scripts/package-deb.sh)
# into a root of its own and started from there, with the working folder elsewhere, the user's
# own folders (nothing named by CORVANA_SETTINGS_DIR or CORVANA_DATA_DIR) and the package's menu
# entry among the system's. A release build: the exit status is still judged.
source "$(dirname "$0")/e2e_lib.sh"
unset CORVANA_SETTINGS_DIR CORVANA_DATA_DIR

deb=$("$CORVANA_SOURCE/scripts/package-deb.sh" 2>package.log | tail -n 1)
[ -f "$deb" ] || fail "no package made: $(tail -n 5 package.log)"
root=$PWD/root
dpkg-deb -x "$deb" "$root"
CORVANA_BIN=$root/usr/bin/corvana
export XDG_DATA_DIRS="$root/usr/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
snapshot() { (cd "$root" && find . -printf '%p %s %T@ %m\n' | sort); }
snapshot >root.before

# Pages are "opened" by writing their address down instead of starting a browser.
mkdir -p bin
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"$OPENED"\n' >bin/xdg-open
chmod +x bin/xdg-open
export OPENED="$PWD/opened.txt" PATH="$PWD/bin:$root/usr/bin:$PATH"

# Started from PATH in a folder of no importance, as a menu or a shell would.
start_installed() {
    mkdir -p elsewhere
    CORVANA_ERR_FROM=$(stat -c %s corvana.err 2>/dev/null || echo 0)
    (cd elsewhere && exec corvana >>../corvana.out 2>>../corvana.err) &
    CORVANA_PID=$!
    wait_for 20 eval 'grep -q "Temp dir is valid" corvana.out 2>/dev/null' || fail "corvana did not start"
}

# The installed command, from other processes; its version is the package's.
cli() { corvana "$@" >cli.out 2>cli.err; }
visible() { xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }
version=${deb##*/corvana_}
version=${version%%-*}
check_command_line() {
    cli --version && grep -qx "Corvana $version" cli.out || fail "--version: $(cat cli.out cli.err)"
    cli --help || fail "--help exited $?"
    for action in paste-next show-history show-autocomplete toggle-pause screenshot quit; do
        grep -q -- "--$action" cli.out || fail "--help does not name --$action"
    done
    cli --show-history || fail "--show-history exited $?: $(cat cli.err)"
    wait_for 10 visible "History Dialog" || fail "--show-history showed no history"
    cli --show-history
    wait_for 10 eval '! visible "History Dialog"' || fail "a second --show-history left it open"
    cli --show-autocomplete || fail "--show-autocomplete exited $?: $(cat cli.err)"
    wait_for 10 visible '^Autocomplete$' || fail "--show-autocomplete showed no popup"
    cli --show-autocomplete
    wait_for 10 eval '! visible "^Autocomplete\$"' || fail "a second --show-autocomplete left it open"
    cli --screenshot || fail "--screenshot exited $?: $(cat cli.err)"
    wait_for 15 visible '^Corvana capture$' || fail "--screenshot opened no capture"
    xdotool key Escape
    wait_for 10 eval '! visible "^Corvana capture\$"' || fail "the capture did not close"
    pass "--version, --help, --show-history, --show-autocomplete and --screenshot"
}

mkdir -p "$HOME/Desktop"
e2e_begin --tray
wait_for 10 eval 'xdotool search --name "^panel$" >/dev/null' || fail "trayer did not start"
start_installed

config="$XDG_CONFIG_HOME/Tavrin Labs/Corvana"
data="$XDG_DATA_HOME/Tavrin Labs/Corvana"
wait_for 10 eval '[ -f "$HOME/Desktop/Corvana.desktop" ]' ||
    fail "no desktop launcher made at the first start"
[ ! -e "$XDG_DATA_HOME/applications/Corvana" ] || fail "a second menu entry beside the package's"
grep -qxF "Exec=\"$CORVANA_BIN\"" "$XDG_CONFIG_HOME/autostart/Corvana.desktop" ||
    fail "the start-at-login entry does not run $CORVANA_BIN"
pass "first start: desktop launcher and start at login, no menu entry of its own"

check_command_line

open_featherpad
xdotool windowfocus --sync "$editor"
sleep 0.2
copy one
copy two
copy three
# Paused, a copy does not join the queue; resumed, the queue is where it was.
cli --toggle-pause || fail "--toggle-pause exited $?: $(cat cli.err)"
copy_while_paused paused
cli --toggle-pause || fail "--toggle-pause exited $?"
xdotool key --clearmodifiers --delay 40 ctrl+v ctrl+v
cli --paste-next || fail "--paste-next exited $?: $(cat cli.err)"
xdotool key --clearmodifiers ctrl+s
wait_for 5 eval '[ "$(tr -d "\\n" <"$out")" = threetwoone ]' ||
    fail "the editor holds '$(cat "$out")', expected 'threetwoone'"
pass "three copies paste newest first, the last by --paste-next; --toggle-pause keeps a copy out"

# The tray menu's Hidden features entry opens the help page the package installed.
tray_icon() {
    local panel
    panel=$(xdotool search --name '^panel$' | head -n 1)
    xwininfo -tree -id "$panel" | sed -n 's/^ *\(0x[0-9a-f]*\) "Corvana".*/\1/p' | head -n 1
}
wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon was not embedded in trayer"
menus=$(xdotool search --onlyvisible --classname corvana 2>/dev/null | wc -l)
xdotool mousemove --window "$(tray_icon)" 11 11 click 3
wait_for 10 eval '[ "$(xdotool search --onlyvisible --classname corvana 2>/dev/null | wc -l)" -gt "$menus" ]' ||
    fail "the tray menu did not open"
sleep 0.3
xdotool key h
wait_for 10 eval 'grep -q "hidden-features.md" "$OPENED" 2>/dev/null' || fail "no help page opened"
page=$(sed -n 's|^file://||p' "$OPENED" | head -n 1)
[ "$(readlink -f "$page")" = "$root/usr/share/corvana/hidden-features.md" ] ||
    fail "the help page opened is $page"
pass "the help page is found in share/corvana"

cli --quit || fail "--quit exited $?: $(cat cli.err)"
await_corvana_exit 0
cli --quit && fail "--quit with none running exited 0"
grep -qx "Corvana is not running" cli.err || fail "--quit with none running said: $(cat cli.err)"
[ -f "$config/Corvana_settings.ini" ] || fail "no settings in $config"
[ -s "$data/autocomplete.json" ] || fail "no copied texts in $data"
[ "$(stat -c %a "$data")" = 700 ] || fail "the data folder is not private"
snapshot | diff root.before - || fail "corvana wrote into the package's tree"
[ -z "$(ls -A elsewhere)" ] || fail "corvana wrote into its working folder: $(ls -A elsewhere)"
pass "settings and data in the user's folders, nothing beside the program or in the working folder"
finish
