# Desktops without the usual services: no system tray, no session bus, a Wayland session. The
# program says what it cannot do and runs on, and nothing waits for a click. With a session bus
# the launcher-entry progress is sent at start and on every state change, and the tray icon goes
# through the StatusNotifier protocol, as KDE and GNOME's AppIndicator extension show it: with a
# watcher of our own on the bus, the item's icon, tool tip and menu are readable, the menu's
# "Show History" opens the queue and the middle-click action resumes.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin

# An address where no bus listens (unset, libdbus would start one tied to the display).
export DBUS_SESSION_BUS_ADDRESS="unix:path=$PWD/no-bus-here"
WAYLAND_DISPLAY=wayland-9 start_corvana
wait_for 10 grep -q "No session bus: the task bar state is kept" corvana.err ||
    fail "no word about the missing session bus"
grep -q "No system tray" corvana.out || fail "no word about the missing tray"
await_window '^Corvana on Wayland$' "no Wayland notice"
pass "no tray, no bus, Wayland: each said once (that the notice blocks nothing is tst_tray's)"
[ "$(grep -c "No session bus" corvana.err)" = 1 ] || fail "the missing bus is reported more than once"
logged_after "Callig update ui" "pause not seen" xdotool key ctrl+alt+0
kill -0 "$CORVANA_PID" || fail "corvana ended without a session bus"
stop_corvana
pass "without a session bus the state is kept and the program runs on"

dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 3>bus.addr 4>bus.pid ||
    fail "cannot start a session bus"
PEER_PIDS+=($(cat bus.pid))
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 bus.addr)
dbus-monitor "type='signal',interface='com.canonical.Unity.LauncherEntry'" >monitor.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q "NameAcquired" monitor.out || fail "dbus-monitor did not start"
"${E2E_SNI_WATCHER:-$(dirname "$E2E_PEER")/e2e_sni_watcher}" >watcher.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q "watcher ready" watcher.out || fail "the watcher did not start: $(cat watcher.out)"
start_corvana
wait_for 10 grep -q 'string "application://corvana.desktop"' monitor.out ||
    fail "no launcher-entry signal at start"
grep -A12 'member=Update' monitor.out | grep -q 'string "progress-visible"' ||
    fail "the signal does not show the progress"
grep -A12 'member=Update' monitor.out | grep -q 'double 1' || fail "the progress is not full"
pass "with a session bus the launcher entry shows a full progress bar"

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
await_window "History Dialog" "Show History from the bus menu opened no queue"
pass "the item's menu is on the bus and Show History opens the queue"

# It starts paused, as the first run left it: the middle click resumes.
before=$(grep -c 'member=Update' monitor.out)
[ "$(setting IsCorvanaPaused)" = true ] || fail "the pause of the first run was not kept"
item "$path" org.kde.StatusNotifierItem.SecondaryActivate 0 0 >/dev/null ||
    fail "the item did not take the middle click"
wait_for 10 eval '[ "$(setting IsCorvanaPaused)" = false ]' || fail "the middle click over the bus did not resume"
wait_for 10 eval '[ "$(grep -c "member=Update" monitor.out)" -gt "$before" ]' ||
    fail "pausing sent no launcher-entry update"
pass "the item's middle click resumes, as a click on the tray icon does, and the launcher entry hears it"
finish
