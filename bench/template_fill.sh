# Filling a template from a large copied table, press by press.
set -euo pipefail
QT_QPA_PLATFORM=offscreen "$CORVANA_BUILD/bench/template_fill"
