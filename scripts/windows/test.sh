#!/usr/bin/env bash
# Builds the Windows programs, then runs under Wine the logic tests and the end-to-end tests of
# corvana.exe, each on a private X server, in a Wine prefix of the build's own
# (build/windows/wine). The X servers are started under the shared end-to-end lock.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
exe=$("$here/build.sh" | tail -n 1)
build=$(dirname "$exe")
export WINEPREFIX=$build/wine
cd "$build"
status=0
echo "Logic tests under Wine"
flock /tmp/corvana-e2e.lock "$here/wine-session.sh" ctest --output-on-failure -LE e2e || status=1
echo "End-to-end tests under Wine"
# Each takes the lock and starts its own session.
ctest --output-on-failure -L e2e || status=1
exit $status
