#!/usr/bin/env bash
# Runs a command in a Wine session of its own: a private X server (with a tray when --tray
# comes first), the build's Wine prefix booted on it, and everything of that prefix ended
# afterwards. Run it under flock /tmp/corvana-e2e.lock: it starts an X server.
#   wine-session.sh [--tray] COMMAND [ARGS...]
# WINEPREFIX names the prefix; the command's exit status is returned.
set -u
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
source "$here/wine-env.sh"
source "$repo/scripts/xsession.sh"
: "${WINEPREFIX:?WINEPREFIX names the prefix}"
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would ask. No menu builder:
# it turns the Start menu's links into launchers of the Linux desktop.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=,winemenubuilder.exe=d}
# Wine links the prefix's Desktop and Documents to the home folder's: a home of the prefix's
# own keeps every test away from the real one.
export HOME=$WINEPREFIX.home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$HOME"

tray=()
[ "${1:-}" = "--tray" ] && { tray=(--tray); shift; }
# Wine's drivers talk to the display the server first met: a server left over from another
# session must not serve this one.
"$WINESERVER" -k 2>/dev/null
"$WINESERVER" -w 2>/dev/null
start_private_x "${tray[@]}" || exit 1
cleanup() {
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  stop_private_x
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || echo "Booting a Wine prefix in $WINEPREFIX" >&2
"$WINE64" wineboot -i >/dev/null 2>&1
"$@"
