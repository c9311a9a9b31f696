# The tray icon through the StatusNotifier D-Bus protocol, as KDE and GNOME's AppIndicator
# extension show it: with a watcher of our own on a private session bus, Corvana registers its
# item; the item's icon, tool tip and menu are readable over the bus, the menu's "Show History"
# opens the queue and the middle-click action pauses.
if [ -z "${E2E_OWN_BUS:-}" ]; then
    E2E_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
source "$(dirname "$0")/e2e_lib.sh"
watcher=${E2E_SNI_WATCHER:-$(dirname "$E2E_PEER")/e2e_sni_watcher}
ini="$CORVANA_SETTINGS_DIR/Corvana_settings.ini"

e2e_begin
"$watcher" >watcher.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q "watcher ready" watcher.out || fail "the watcher did not start: $(cat watcher.out)"
start_corvana
wait_for 10 grep -q "^item " watcher.out || fail "no StatusNotifier item was registered"
read -r _ bus path < <(grep -m 1 '^item ' watcher.out)
item() { gdbus call --session --dest "$bus" --object-path "$1" --method "$2" -- "${@:3}"; }

props=$(item "$path" org.freedesktop.DBus.Properties.GetAll org.kde.StatusNotifierItem) ||
    fail "the item's properties cannot be read"
grep -q "'Status': <'Active'>" <<<"$props" || fail "the item is not active: $props"
grep -q "Corvana 0.0.7" <<<"$props" || fail "the item's tool tip does not name Corvana: $props"
# The icon comes as pixels, or as the name of a picture file the host can read.
icon=$(grep -o "'IconName': <'[^']*'>" <<<"$props" | sed "s/.*<'\(.*\)'>/\1/")
if [ -n "$icon" ] && [ "${icon#/}" != "$icon" ]; then
    identify "$icon" >/dev/null 2>&1 || fail "the item's icon file $icon is not a picture"
else
    grep -q "'IconPixmap': <\[(" <<<"$props" || [ -n "$icon" ] || fail "the item has no icon: $props"
fi
menu=$(grep -o "'Menu': <objectpath '[^']*'>" <<<"$props" | sed "s/.*'\(\/[^']*\)'>/\1/")
[ -n "$menu" ] || fail "the item names no menu: $props"
pass "Corvana registers its item with the watcher; its icon and tool tip are on the bus"

layout=$(item "$menu" com.canonical.dbusmenu.GetLayout 0 -1 '[]') || fail "the menu cannot be read"
for label in Settings _Show\ History _Exit; do
    grep -q "'label': <'$label'>" <<<"$layout" || fail "the menu lacks $label: $layout"
done
history_id=$(grep -o "<([0-9]*, {[^}]*'label': <'_Show History'>" <<<"$layout" | sed 's/<(\([0-9]*\),.*/\1/')
[ -n "$history_id" ] || fail "no id for Show History in $layout"
item "$menu" com.canonical.dbusmenu.Event "$history_id" clicked '<0>' 0 >/dev/null ||
    fail "the menu did not take the click"
wait_for 10 eval 'xdotool search --onlyvisible --name "History Dialog" >/dev/null 2>&1' ||
    fail "Show History from the bus menu opened no queue"
pass "the item's menu is on the bus and Show History opens the queue"

item "$path" org.kde.StatusNotifierItem.SecondaryActivate 0 0 >/dev/null ||
    fail "the item did not take the middle click"
wait_for 10 eval '[ "$(sed -n "s/^IsCorvanaPaused=//p" "$ini")" = true ]' ||
    fail "the middle click over the bus did not pause"
pass "the item's middle click pauses, as a click on the tray icon does"

stop_corvana
finish
