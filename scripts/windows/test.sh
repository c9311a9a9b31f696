#!/usr/bin/env bash
# Builds the Windows programs and runs their tests under Wine, on a private X server and in a
# Wine prefix of the build's own (booted once, kept in build/windows/wine).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
build=$("$here/build.sh" | tail -n 1)

source "$repo/scripts/xsession.sh"
start_private_x
export WINEPREFIX=$build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  wineserver -k 2>/dev/null || true
  stop_private_x
}
trap cleanup EXIT
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Booting a Wine prefix in $WINEPREFIX"
fi
wineboot -i >/dev/null 2>&1
cd "$build"
ctest --output-on-failure -j2
