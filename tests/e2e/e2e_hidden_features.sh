# The hidden-features console on a real desktop with a tray (trayer): the tray menu's
# "&Hidden features" entry opens the help page the first time and the spell dialog the second;
# the spell 'off monitor 2' typed there is stored. Saves a picture of the spell dialog.
source "$(dirname "$0")/e2e_lib.sh"
shots="${CORVANA_SHOTS:-$PWD/screenshots}"
mkdir -p "$shots"
ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"

# Pages are "opened" by writing their address down instead of starting a browser.
mkdir -p bin
cat >bin/xdg-open <<'OPEN'
#!/bin/sh
printf '%s\n' "$1" >>"$OPENED"
OPEN
chmod +x bin/xdg-open
export OPENED="$PWD/opened.txt" PATH="$PWD/bin:$PATH"

e2e_begin --tray
wait_for 10 eval 'xdotool search --name "^panel$" >/dev/null' || fail "trayer did not start"
start_corvana

visible() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
setting() { sed -n "s/^$1=//p" "$ini"; }
menu_count() { xdotool search --onlyvisible --classname corvana 2>/dev/null | wc -l; }
tray_icon() {
    local panel
    panel=$(xdotool search --name '^panel$' | head -n 1)
    xwininfo -tree -id "$panel" | sed -n 's/^ *\(0x[0-9a-f]*\) "Corvana".*/\1/p' | head -n 1
}
wait_for 10 eval '[ -n "$(tray_icon)" ]' || fail "the tray icon was not embedded in trayer"

open_hidden_features() {
    local menus
    menus=$(menu_count)
    sleep 0.5
    xdotool mousemove --window "$(tray_icon)" 11 11 click 3
    wait_for 10 eval '[ "$(menu_count)" -gt "$menus" ]' || fail "the tray menu did not open"
    sleep 0.3
    xdotool key h
}

open_hidden_features
wait_for 10 eval 'grep -q "hidden-features.md" "$OPENED" 2>/dev/null' || fail "no help page opened"
wait_for 10 eval '[ "$(setting HiddenFeaturesHelpAlreadyShown)" = true ]' ||
    fail "HiddenFeaturesHelpAlreadyShown was not stored"
page=$(sed -n 's|^file://||p' "$OPENED" | head -n 1)
[ -f "$page" ] || fail "the help page $page does not exist"
[ -z "$(visible '^Hidden features$')" ] || fail "the first use opened the spell dialog too"
pass "the first use opens the hidden-features page"

open_hidden_features
wait_for 10 eval '[ -n "$(visible "^Hidden features$")" ]' || fail "no spell dialog"
dialog=$(visible '^Hidden features$')
xdotool windowfocus --sync "$dialog"
sleep 0.3
xdotool type --delay 30 'off monitor 2'
sleep 0.2
import -window "$dialog" "$shots/spell-dialog.png" || fail "cannot save the picture"
xdotool key Return
wait_for 10 eval '[ "$(setting IgnoreMonitors)" = "2:" ]' ||
    fail "IgnoreMonitors is '$(setting IgnoreMonitors)', expected '2:'"
wait_for 10 eval '[ -z "$(visible "^Hidden features$")" ]' || fail "the dialog stayed open"
pass "'off monitor 2' typed into the spell dialog stores IgnoreMonitors=2:"
cat corvana.out corvana.err | grep -q "Tray message: Monitor 2 disabled" || fail "no notification"
pass "the spell is reported"
finish
