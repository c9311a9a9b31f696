# Paste latency on a private Xvfb, with and without Corvana.
set -euo pipefail
source "$(dirname "$0")/../scripts/xsession.sh"
start_private_x
trap stop_private_x EXIT
"$CORVANA_BUILD/bench/paste_latency" "$CORVANA_BUILD/project/corvana"
