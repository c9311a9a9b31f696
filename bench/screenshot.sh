# The capture window on two 1920x1080 screens side by side and on one 3840x2160 screen.
set -euo pipefail
here=$(dirname "$0")
source "$here/../scripts/xorg-dummy.sh"
source "$here/../scripts/xsession.sh"
trap 'stop_dummy_x || true; stop_private_x || true' EXIT
start_dummy_x 1920x1080 1920x1080
# Across Xinerama screens this server copies shared-memory images to the first screen only.
QT_XCB_NO_MITSHM=1 "$CORVANA_BUILD/bench/screenshot_bench" "two screens (Xorg dummy, no MIT-SHM)"
stop_dummy_x
start_private_x -screen 0 3840x2160x24
"$CORVANA_BUILD/bench/screenshot_bench" "one screen (Xvfb)"
