# Corvana under openbox with tint2: see desktop_checks.sh.
E2E_WM=openbox
source "$(dirname "$0")/desktop_checks.sh"
