#!/usr/bin/env bash
# Packs the Windows build for users, in build/windows-dist/:
#   corvana-VERSION-windows-x64.zip  the program folder as it runs, with the portable marker:
#                                    settings and data stay beside corvana.exe;
#   corvana-VERSION-setup.exe        the per-user installer (NSIS, corvana.nsi).
# Builds first (build.sh). The version is the CMake project's. The zip's path is printed on the
# line before the last, the installer's on the last.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

"$here/install-deps.sh" >&2
exe=$("$here/build.sh" | tail -n 1)
build=$(dirname "$exe")
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }

dist=$repo/build/windows-dist
stage=$dist/stage/Corvana
rm -rf "$dist/stage"
mkdir -p "$stage"
# What corvana.exe loads, as build.sh laid it out beside it: the DLLs and the plugin folders.
# Nothing else of the build folder (test programs, Wine prefixes, CMake's files).
cp "$exe" "$build"/*.dll "$stage/"
for folder in platforms imageformats iconengines styles; do
  [ -d "$build/$folder" ] && cp -r "$build/$folder" "$stage/"
done
cp "$repo/docs/hidden-features.md" "$stage/"
# Without their symbols: MinGW's C++ library alone is twenty megabytes with them.
find "$stage" -name '*.dll' -o -name '*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded
# Notepad shows CRLF text on every Windows.
to_crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }

# The installer installs the folder without the marker; the list of its files is what the
# uninstaller removes, deepest first, folders after their files.
size_kb=$(du -sk "$stage" | cut -f1)
files=$dist/stage/uninstall-files.nsh
(
  cd "$stage"
  find . -type f | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|'
  find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|'
) >"$files"
setup=$dist/corvana-$version-setup.exe
rm -f "$setup"
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DFILES="$files" -DSIZE_KB="$size_kb" \
  -DSOURCE="$repo" -DOUTFILE="$setup" "$here/corvana.nsi" >&2

zip=$dist/corvana-$version-windows-x64.zip
rm -f "$zip"
to_crlf "$here/portable.txt" "$stage/portable.txt"
(cd "$dist/stage" && zip -q -r -X "$zip" Corvana)
rm "$stage/portable.txt"
echo "$zip"
echo "$setup"
