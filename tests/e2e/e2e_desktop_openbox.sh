# Corvana under openbox with tint2: see desktop_lib.sh.
E2E_WM=openbox
source "$(dirname "$0")/desktop_lib.sh"
