#!/usr/bin/env bash
# Cross-builds Qt 5.15 (qtbase and qtsvg, shared) for x86_64-w64-mingw32 from Debian's own source
# packages, once, into a cache outside the repository. Later runs find it and return at once.
# The machine's apt configuration is left as it was: the sources come through a private list.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CORVANA_QT_MINGW:-$HOME/.cache/corvana/qt5-mingw}
prefix=$cache/qt
work=$cache/work
jobs=${JOBS:-$(nproc)}

if [ -x "$prefix/bin/qmake" ] && [ -f "$prefix/.complete" ]; then
  echo "Qt for Windows: $prefix"
  exit 0
fi

"$here/install-deps.sh"
start=$(date +%s)
step() { printf '[%4ds] %s\n' "$(($(date +%s) - start))" "$*"; }
# make's output is long: one line per hundred compiled files, the whole log kept
progress() {
  local log=$1 n=0 line
  while IFS= read -r line; do
    printf '%s\n' "$line" >>"$log"
    case $line in *-g++*" -c "*|*"g++ -c "*) n=$((n + 1)); [ $((n % 100)) -eq 0 ] && step "  $n files compiled" ;; esac
  done
}
fail() { step "failed: $1; the last lines of $2:"; tail -30 "$2"; exit 1; }

mkdir -p "$work/src"
# The compilers with POSIX threads, whatever the machine's alternatives say.
mkdir -p "$work/bin"
for t in gcc g++; do ln -sf "/usr/bin/x86_64-w64-mingw32-$t-posix" "$work/bin/x86_64-w64-mingw32-$t"; done
export PATH="$work/bin:$PATH"

fetch() {
  local pkg=$1 apt=$work/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$work/src"
  cat >"$apt/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security bookworm-security main
LIST
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/none"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=root" -qq)
  if [ ! -f "$apt/lists/.updated" ]; then
    apt-get "${opts[@]}" update
    touch "$apt/lists/.updated"
  fi
  (cd "$work/src" && apt-get "${opts[@]}" source "$pkg" >/dev/null)
}

src_dir() { find "$work/src" -maxdepth 1 -type d -name "$1-*" | sort | tail -1; }

if [ -z "$(src_dir qtbase-opensource-src)" ]; then
  step "fetching Debian's qtbase source"
  fetch qtbase-opensource-src
fi
if [ -z "$(src_dir qtsvg-opensource-src)" ]; then
  step "fetching Debian's qtsvg source"
  fetch qtsvg-opensource-src
fi
base=$(src_dir qtbase-opensource-src)
svg=$(src_dir qtsvg-opensource-src)

rm -rf "$work/qtbase-build" "$work/qtsvg-build" "$prefix"
mkdir -p "$work/qtbase-build" "$work/qtsvg-build"
cd "$work/qtbase-build"
step "configuring qtbase ($(basename "$base"))"
# Only what Corvana uses. Debian's source leaves out the tablet header, hence no tablet events.
"$base/configure" -prefix "$prefix" -opensource -confirm-license \
  -xplatform win32-g++ -device-option CROSS_COMPILE=x86_64-w64-mingw32- \
  -release -shared -nomake tests -nomake examples \
  -no-opengl -no-dbus -no-icu -no-fontconfig -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz \
  -no-feature-sql -no-feature-tabletevent -no-feature-concurrent -no-feature-vulkan \
  >"$work/configure.log" 2>&1 || fail configure "$work/configure.log"
step "building qtbase with $jobs jobs"
{ make -j"$jobs" 2>&1 || echo "MAKE FAILED"; } | progress "$work/make.log"
grep -q "MAKE FAILED" "$work/make.log" && fail make "$work/make.log"
make install >"$work/install.log" 2>&1 || fail install "$work/install.log"

step "building qtsvg"
cd "$work/qtsvg-build"
{ { "$prefix/bin/qmake" "$svg" && make -j"$jobs" && make install; } 2>&1 || echo "MAKE FAILED"; } | progress "$work/svg.log"
grep -q "MAKE FAILED" "$work/svg.log" && fail qtsvg "$work/svg.log"

touch "$prefix/.complete"
step "Qt for Windows is in $prefix ($(du -sh "$prefix" | cut -f1))"
