# Capture cost of a large picture and a large text beside a straightforward capture, on a
# private Xvfb, with the keyboard's longest freeze meanwhile.
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
start_private_x
trap stop_private_x EXIT
"$CORVANA_BUILD/bench/capture_cost"
