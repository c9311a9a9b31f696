# Desktops without the usual services: no system tray, no session bus, a Wayland session. The
# program says what it cannot do and runs on, and nothing waits for a click. With a session bus
# the launcher-entry progress is sent at start and on every state change.
source "$(dirname "$0")/e2e_lib.sh"
e2e_begin

# An address where no bus listens (unset, libdbus would start one tied to the display).
export DBUS_SESSION_BUS_ADDRESS="unix:path=$PWD/no-bus-here"
WAYLAND_DISPLAY=wayland-9 start_corvana
wait_for 10 grep -q "No session bus: the task bar state is kept" corvana.err ||
    fail "no word about the missing session bus"
grep -q "No system tray" corvana.out || fail "no word about the missing tray"
wait_for 10 eval 'xdotool search --onlyvisible --name "^Corvana on Wayland$" >/dev/null' ||
    fail "no Wayland notice"
main=$(xdotool search --onlyvisible --name '^Corvana$' | head -n 1)
[ -n "$main" ] || fail "the first start shows no main window"
# With the notice still open, the main window takes clicks: Notes opens the note.
xdotool windowraise "$main" mousemove --window "$main" 222 366 click 1
wait_for 10 eval 'xdotool search --onlyvisible --name "^Note$" >/dev/null' ||
    fail "the open notice blocks the main window"
pass "no tray, no bus, Wayland: each said once, and the open notice blocks nothing"
[ "$(grep -c "No session bus" corvana.err)" = 1 ] || fail "the missing bus is reported more than once"
xdotool key ctrl+alt+0
wait_for 10 eval '[ "$(grep -c "Callig update ui" corvana.err)" -ge 2 ]' || fail "pause not seen"
kill -0 "$CORVANA_PID" || fail "corvana ended without a session bus"
stop_corvana || fail "corvana exited non-zero"
pass "without a session bus the state is kept and the program runs on"

dbus-daemon --session --fork --nopidfile --print-address=3 --print-pid=4 3>bus.addr 4>bus.pid ||
    fail "cannot start a session bus"
PEER_PIDS+=($(cat bus.pid))
export DBUS_SESSION_BUS_ADDRESS=$(head -n 1 bus.addr)
dbus-monitor "type='signal',interface='com.canonical.Unity.LauncherEntry'" >monitor.out 2>&1 &
PEER_PIDS+=($!)
wait_for 10 grep -q "NameAcquired" monitor.out || fail "dbus-monitor did not start"
start_corvana
wait_for 10 grep -q 'string "application://corvana.desktop"' monitor.out ||
    fail "no launcher-entry signal at start"
grep -A12 'member=Update' monitor.out | grep -q 'string "progress-visible"' ||
    fail "the signal does not show the progress"
grep -A12 'member=Update' monitor.out | grep -q 'double 1' || fail "the progress is not full"
before=$(grep -c 'member=Update' monitor.out)
xdotool key ctrl+alt+0
wait_for 10 eval '[ "$(grep -c "member=Update" monitor.out)" -gt "$before" ]' ||
    fail "pausing sent no launcher-entry update"
pass "with a session bus the launcher entry shows a full progress bar, sent again on pause"
stop_corvana || fail "corvana exited non-zero"
finish
