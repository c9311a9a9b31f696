# Corvana under xfwm4 (Xfce's window manager) with tint2: see desktop_lib.sh. xfwm4 reads
# its settings from xfconfd, which a session bus starts: the test runs on a private one.
if [ -z "${E2E_OWN_BUS:-}" ]; then
    E2E_OWN_BUS=1 exec dbus-run-session -- bash "$0" "$@"
fi
E2E_WM=xfwm4
source "$(dirname "$0")/desktop_lib.sh"
