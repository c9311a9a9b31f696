#!/usr/bin/env bash
# Builds Corvana for 64-bit Windows with MinGW-w64, against the Qt that build-qt.sh caches
# outside the repository (built first when missing). corvana.exe is in build/windows/ with every
# DLL and plugin it loads beside it, so that folder runs as it is on Windows; the last line
# printed is the .exe's path.
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

out=$repo/build/windows
exe=$out/corvana.exe
[ -f "$exe" ] || { echo "no $exe after the build" >&2; exit 1; }
# What corvana.exe loads: Qt's libraries, the platform plugin, the image formats (the
# screenshots and the clipboard's pictures), the SVG icon engine, the native widget style, and
# MinGW's runtime. Copied only when changed.
copy() { mkdir -p "$2"; cp -u "$1" "$2/"; }
for lib in Core Gui Widgets Network Svg; do copy "$qt/bin/Qt5$lib.dll" "$out"; done
copy "$qt/plugins/platforms/qwindows.dll" "$out/platforms"
for plugin in "$qt"/plugins/imageformats/*.dll; do copy "$plugin" "$out/imageformats"; done
for plugin in "$qt"/plugins/iconengines/*.dll; do copy "$plugin" "$out/iconengines"; done
for plugin in "$qt"/plugins/styles/*.dll; do [ -e "$plugin" ] && copy "$plugin" "$out/styles"; done
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
for dll in libgcc_s_seh-1.dll libstdc++-6.dll; do copy "$gcc_dir/$dll" "$out"; done
copy /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$out"
echo "$exe"
