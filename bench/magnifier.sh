# The magnifier on one 1920x1080 screen at 1.5.
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
trap stop_private_x EXIT
start_private_x -screen 0 1920x1080x24
"$CORVANA_BUILD/bench/magnifier_bench"
