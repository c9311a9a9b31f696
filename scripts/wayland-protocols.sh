#!/usr/bin/env bash
# Fetches the wlroots protocol descriptions the Wayland backend speaks (data control, the virtual
# keyboard and the screen copy) from Debian's wlroots source package, checked against its
# published hash, into a cache outside the repository. Prints the folder that holds them.
set -euo pipefail
cache=${CORVANA_WAYLAND_PROTOCOLS:-$HOME/.cache/corvana/wayland-protocols}
files=(wlr-data-control-unstable-v1.xml virtual-keyboard-unstable-v1.xml
    wlr-screencopy-unstable-v1.xml)
complete=1
for f in "${files[@]}"; do [ -s "$cache/$f" ] || complete=0; done
if [ $complete = 0 ]; then
  tarball=wlroots_0.15.1.orig.tar.xz
  sha256=e55b07264339dc258afbf950b36da932d510caf6e9721d500f9a94d27ce2f14d
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  curl -fsS --retry 3 -o "$work/$tarball" "http://deb.debian.org/debian/pool/main/w/wlroots/$tarball" >&2
  echo "$sha256  $work/$tarball" | sha256sum -c --quiet - >&2
  tar -xJf "$work/$tarball" -C "$work" "${files[@]/#/wlroots-0.15.1/protocol/}"
  mkdir -p "$cache"
  for f in "${files[@]}"; do cp "$work/wlroots-0.15.1/protocol/$f" "$cache/$f"; done
fi
echo "$cache"
