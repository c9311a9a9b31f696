#!/usr/bin/env bash
# Builds Corvana for 64-bit Windows with MinGW-w64, against the Qt that build-qt.sh caches
# outside the repository (built first when missing). The build is in build/windows/; the last
# line printed is the folder of what was built.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
qt=${CORVANA_QT_PREFIX:-$HOME/.cache/corvana/qt5-mingw/qt}
export CORVANA_QT_MINGW=$(dirname "$qt")

"$here/build-qt.sh" >&2
# Qt's CMake files name the host tools with the target's suffix.
for tool in moc uic rcc qmake; do
  [ -e "$qt/bin/$tool" ] && [ ! -e "$qt/bin/$tool.exe" ] && ln -s "$tool" "$qt/bin/$tool.exe"
done

export CCACHE_BASEDIR=$repo CCACHE_NOHASHDIR=1
cmake -S "$repo" -B "$repo/build/windows" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" -DCORVANA_QT_PREFIX="$qt" >&2
cmake --build "$repo/build/windows" -j"$(nproc)" >&2
echo "$repo/build/windows"
