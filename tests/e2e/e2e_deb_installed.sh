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

fake_xdg_open
export PATH="$root/usr/bin:$PATH"

# Started from PATH in a folder of no importance, as a menu or a shell would.
launch_corvana() {
    mkdir -p elsewhere
    (cd elsewhere && exec corvana >>../corvana.out 2>>../corvana.err) &
    CORVANA_PID=$!
}

# The installed command, found on PATH; its version is the package's.
cli() { corvana "$@" >cli.out 2>cli.err; }
version=${deb##*/corvana_}
version=${version%%-*}

mkdir -p "$HOME/Desktop"
e2e_begin --tray
wait_for 10 eval 'xdotool search --name "^panel$" >/dev/null' || fail "trayer did not start"
start_corvana

config="$XDG_CONFIG_HOME/Tavrin Labs/Corvana"
data="$XDG_DATA_HOME/Tavrin Labs/Corvana"
wait_for 10 eval '[ -f "$HOME/Desktop/Corvana.desktop" ]' ||
    fail "no desktop launcher made at the first start"
[ ! -e "$XDG_DATA_HOME/applications/Corvana" ] || fail "a second menu entry beside the package's"
grep -qxF "Exec=\"$CORVANA_BIN\"" "$XDG_CONFIG_HOME/autostart/Corvana.desktop" ||
    fail "the start-at-login entry does not run $CORVANA_BIN"
pass "first start: desktop launcher and start at login, no menu entry of its own"

cli --version && grep -qx "Corvana $version" cli.out || fail "--version: $(cat cli.out cli.err)"
open_featherpad
copy one two three
keys ctrl+v ctrl+v
cli --paste-next || fail "--paste-next exited $?: $(cat cli.err)"
expect_file threetwoone
pass "the package's version; three copies paste newest first, the last by --paste-next"

# The tray menu's Hidden features entry opens the help page the package installed.
open_tray_menu
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
