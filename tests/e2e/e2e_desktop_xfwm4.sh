# Corvana under xfwm4 (Xfce's window manager) with tint2: see desktop_checks.sh.
E2E_WM=xfwm4
source "$(dirname "$0")/desktop_checks.sh"
