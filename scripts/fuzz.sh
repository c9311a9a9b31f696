#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs one for a set time:
#   scripts/fuzz.sh TARGET SECONDS     e.g. scripts/fuzz.sh template_fill 300
#   scripts/fuzz.sh list               the targets
# New inputs go to build/fuzz/corpus/TARGET (the committed seeds in tests/fuzz/TARGET are read,
# never written); a crash is written to build/fuzz/crashes/. Replay one with
#   build/debug/tests/fuzz/replay_TARGET FILE
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="$here/build/fuzz"

if [ "${1:-}" = list ]; then
  for f in "$here"/tests/fuzz/fuzz_*.cpp; do basename "$f" .cpp | sed 's/^fuzz_//'; done
  exit 0
fi
if [ $# -ne 2 ]; then
  echo "usage: $0 TARGET SECONDS | $0 list" >&2
  exit 2
fi
target=$1 seconds=$2
[ -f "$here/tests/fuzz/fuzz_$target.cpp" ] || { echo "no fuzz target $target" >&2; exit 2; }

"$here/scripts/install-deps.sh"
export CCACHE_BASEDIR="$here" CCACHE_NOHASHDIR=1
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCORVANA_FUZZ=ON \
      -DCMAKE_CXX_COMPILER=clang++ >/dev/null
nice -n 19 cmake --build "$build" -j"$(nproc)" --target "fuzz_$target"

mkdir -p "$build/corpus/$target" "$build/crashes"
# Its own scratch files, away from the real desktop's.
export TMPDIR="${TMPDIR:-/tmp}" QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=0:${ASAN_OPTIONS:-}"
cd "$build"
exec nice -n 19 "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
     -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
     -artifact_prefix="$build/crashes/$target-" \
     "$build/corpus/$target" "$here/tests/fuzz/$target"
