#!/usr/bin/env bash
# Runs a command in a Wine session of its own: the prefix WINEPREFIX names booted, and everything
# of that prefix ended afterwards. The command's exit status is returned.
#   wine-session.sh --headless COMMAND [ARGS...]
#     No display: Wine's null graphics driver, on which windows, messages, hooks, SendInput and
#     the clipboard work without an X server (the logic tests). Use a prefix of its own.
#   wine-session.sh [--tray] COMMAND [ARGS...]
#     A private X server (with a tray when --tray is given). Run it under
#     flock /tmp/corvana-e2e.lock: it starts an X server.
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
# The cross-built Qt stays where it is in the real home.
export CORVANA_QT_PREFIX=${CORVANA_QT_PREFIX:-$HOME/.cache/corvana/qt5-mingw/qt}
# Wine links the prefix's Desktop and Documents to the home folder's: a home of the prefix's
# own keeps every test away from the real one.
export HOME=$WINEPREFIX.home
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
mkdir -p "$HOME"

tray=()
headless=""
case ${1:-} in
  --tray) tray=(--tray); shift ;;
  --headless) headless=1; shift ;;
esac
# Wine's drivers talk to the display the server first met: a server left over from another
# session must not serve this one.
"$WINESERVER" -k 2>/dev/null
"$WINESERVER" -w 2>/dev/null
cleanup() {
  "$WINESERVER" -k 2>/dev/null
  "$WINESERVER" -w 2>/dev/null
  [ -n "$headless" ] || stop_private_x
}
trap cleanup EXIT
mkdir -p "$WINEPREFIX"
[ -f "$WINEPREFIX/system.reg" ] || echo "Booting a Wine prefix in $WINEPREFIX" >&2
if [ -n "$headless" ]; then
  unset DISPLAY WAYLAND_DISPLAY
  graphics='HKCU\Software\Wine\Drivers'
  if ! "$WINE64" reg query "$graphics" /v Graphics 2>/dev/null | grep -q null; then
    "$WINE64" wineboot -i >/dev/null 2>&1
    "$WINE64" reg add "$graphics" /v Graphics /d null /f >/dev/null 2>&1
    # The driver is chosen when the session starts.
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
  fi
else
  start_private_x "${tray[@]}" || exit 1
fi
"$WINE64" wineboot -i >/dev/null 2>&1
"$@"
