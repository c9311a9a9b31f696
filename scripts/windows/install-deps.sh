#!/usr/bin/env bash
# Installs the Debian packages the Windows build and its tests under Wine need; only what is
# missing. The Linux suite does not need them.
set -euo pipefail

packages=(
  # MinGW-w64 with POSIX threads: std::thread and std::mutex need winpthreads
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
  # building Qt's sources: dpkg-source unpacks them, perl and python drive configure
  dpkg-dev xz-utils perl python3 make cmake ccache
  # running the tests
  wine64 xvfb xauth xdotool xclip trayer procps
  # render-ico.sh: the program's .ico from its SVG (rsvg-convert, icotool)
  librsvg2-bin icoutils
  # packaging (package.sh): the installer and the portable zip
  nsis zip
)

source "$(dirname "$0")/../apt-missing.sh"
install_missing "${packages[@]}"
