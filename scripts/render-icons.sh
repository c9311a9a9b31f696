#!/usr/bin/env bash
# Renders the icon PNGs from project/resources/svg/ and copies the SVGs the program loads as-is;
# renders the program's icon for the Linux install into packaging/icons/.
# The outputs are committed, so a normal build never needs rsvg-convert; run this after editing an SVG.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
res="$root/project/resources"
src="$res/svg"
size=64

png_icons=(app app_paused hidden_features hidden_features_inverted history autocomplete delete key lock)
svg_icons=(app app_paused key lock square-regular reply-solid window-close-solid)

if ! command -v rsvg-convert >/dev/null 2>&1; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends librsvg2-bin >/dev/null
fi

for name in "${png_icons[@]}"; do
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "$res/$name.png" "$src/$name.svg"
done

for name in "${svg_icons[@]}"; do
  cp "$src/$name.svg" "$res/$name.svg"
done

# The program's icon at the desktop's theme sizes, for the Linux install (packaging/).
hicolor_sizes=(16 22 24 32 48 64 128 256)
for px in "${hicolor_sizes[@]}"; do
  dir="$root/packaging/icons/hicolor/${px}x${px}/apps"
  mkdir -p "$dir"
  rsvg-convert --width "$px" --height "$px" --format png \
    --output "$dir/com.tavrinlabs.Corvana.png" "$src/app.svg"
done

echo "Rendered ${#png_icons[@]} PNGs and copied ${#svg_icons[@]} SVGs into $res, and ${#hicolor_sizes[@]} icon sizes into packaging/icons"
