#!/usr/bin/env bash
# Cross-builds Qt 5.15 (qtbase and qtsvg, shared) for x86_64-w64-mingw32 from Debian's own source
# packages, once, into a cache outside the repository. Later runs find it and return at once.
# The machine's apt configuration is left as it was: the sources come through a private list,
# made from the machine's own "deb" entries (whatever mirror or proxy they name).
# build-qt.sh --fetch-only DIR: only fetches and unpacks both sources into DIR/src.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cache=${CORVANA_QT_MINGW:-$HOME/.cache/corvana/qt5-mingw}
prefix=$cache/qt
work=$cache/work
jobs=${JOBS:-$(nproc)}
fetch_only=false
if [ "${1:-}" = --fetch-only ]; then
  [ -n "${2:-}" ] || { echo "usage: $0 [--fetch-only DIR]" >&2; exit 2; }
  fetch_only=true
  mkdir -p "$2"
  work=$(cd "$2" && pwd)
fi

if ! $fetch_only && [ -x "$prefix/bin/qmake" ] && [ -f "$prefix/.complete" ]; then
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

# The machine's binary package sources as source package sources, in apt's two formats: one-line
# entries ("deb [options] URI suite components") become "deb-src ..." in $1/sources.list, deb822
# stanzas (*.sources) whose Types name deb become "Types: deb-src" in $1/parts/machine.sources.
# Disabled stanzas and commented lines stay out.
machine_source_lists() {
  local apt=$1 etc=${APT_ETC:-/etc/apt} f
  mkdir -p "$apt/parts"
  : >"$apt/sources.list"
  : >"$apt/parts/machine.sources"
  for f in "$etc/sources.list" "$etc"/sources.list.d/*.list; do
    [ -f "$f" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$f" >>"$apt/sources.list"
  done
  for f in "$etc"/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      {
        types = ""; enabled = "yes"; out = ""
        for (i = 1; i <= NF; i++) {
          line = $i
          if (line ~ /^#/) continue
          if (tolower(line) ~ /^types:/) { types = " " substr(line, 7) " "; continue }
          if (tolower(line) ~ /^enabled:/) { enabled = tolower(substr(line, 9)); gsub(/[ \t]/, "", enabled); continue }
          out = out line "\n"
        }
        if (enabled != "no" && types ~ /[ \t]deb[ \t]/ && out != "") printf "Types: deb-src\n%s\n", out
      }' "$f" >>"$apt/parts/machine.sources"
  done
  if [ ! -s "$apt/sources.list" ] && [ ! -s "$apt/parts/machine.sources" ]; then
    echo "no deb entries in $etc/sources.list or $etc/sources.list.d/ to fetch sources from" >&2
    return 1
  fi
}

fetch() {
  local pkg=$1 apt=$work/apt
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$work/src"
  local opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=$apt/parts"
    -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=root" -qq)
  if [ ! -f "$apt/lists/.updated" ]; then
    machine_source_lists "$apt"
    # A mirror without source indexes (a third-party one) is only a warning: apt-get source
    # below says whether Debian's package was found. The next run tries the update again.
    if apt-get "${opts[@]}" update; then
      touch "$apt/lists/.updated"
    else
      echo "apt-get update reported errors; trying the sources anyway" >&2
    fi
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
if $fetch_only; then
  step "sources in $work/src: $(basename "$base"), $(basename "$svg")"
  exit 0
fi

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
