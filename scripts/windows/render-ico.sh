#!/usr/bin/env bash
# Renders corvana.exe's icon, project/resources/windows/corvana.ico, from the program's SVG: every
# size Windows asks for (list views, the taskbar at 100-250 %, Explorer's large icons). The .ico
# is committed, so a normal build never needs the tools; run this after editing app.svg.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
res=$(cd "$here/../../project/resources" && pwd)
out=$res/windows/corvana.ico

"$here/install-deps.sh"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

images=()
for size in 16 20 24 32 40 48 64 256; do
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "$tmp/$size.png" "$res/svg/app.svg"
  # 256 px stays PNG-compressed inside the .ico (as Windows expects); the small ones are bitmaps.
  if [ "$size" -eq 256 ]; then images+=(--raw="$tmp/$size.png"); else images+=("$tmp/$size.png"); fi
done
mkdir -p "$(dirname "$out")"
icotool --create --output "$out" "${images[@]}"
icotool --list "$out"
