#!/usr/bin/env bash
# Builds the Windows programs and the packages (package.sh), then runs them under Wine: the logic
# tests and the backend's tests without a display (Wine's null graphics driver, prefix
# build/windows/wine-headless), then the end-to-end tests of corvana.exe, each on a private X
# server with a tray in a prefix of its own (build/windows/wine-e2e/NAME, see
# tests/e2e/windows/CMakeLists.txt), under the shared end-to-end lock.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
# package.sh builds first; the installer's test installs what it made.
"$here/package.sh" >/dev/null
build=$repo/build/windows
cd "$build"
status=0
echo "Logic tests under Wine"
WINEPREFIX=$build/wine-headless "$here/wine-session.sh" --headless ctest --output-on-failure -LE e2e ||
  status=1
echo "End-to-end tests under Wine"
# Each takes the lock and starts its own session in its own prefix.
ctest --output-on-failure -L e2e || status=1
exit $status
