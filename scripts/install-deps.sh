#!/usr/bin/env bash
# Installs the Debian packages Corvana needs to build, run and test; only what is missing.
set -euo pipefail

packages=(
  cmake g++ make ccache pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5svg5-dev libqt5x11extras5-dev
  libx11-dev libxcb1-dev libxcb-xinput-dev libxcb-xtest0-dev libxcb-xfixes0-dev
  libxcb-composite0-dev libxcb-damage0-dev libxcb-render0-dev libxcb-shape0-dev x11proto-dev
  fonts-roboto-unhinted
  xvfb xauth x11-utils x11-xserver-utils x11-xkb-utils xdotool xclip trayer featherpad dbus libglib2.0-bin imagemagick procps
  # window managers and a panel for the tests of windows as users see them
  openbox tint2 xfwm4 wmctrl
  # peers the benchmarks measure us beside
  flameshot
  # programs the paste tests paste into, and clipboard managers that run beside us
  mousepad l3afpad chromium copyq parcellite clipit
  # two screens side by side for the screenshot tests; pictures compared with ImageMagick
  xserver-xorg-core xserver-xorg-video-dummy imagemagick
  # the fuzz targets' build (scripts/fuzz.sh): clang and its libFuzzer runtime
  clang libclang-rt-14-dev
  # the Debian package (scripts/package-deb.sh): its icons rendered, its checks
  librsvg2-bin dpkg-dev lintian desktop-file-utils man-db
  # the Wayland backend, and a headless sway with wl-clipboard and wtype standing in for the user
  libwayland-dev qtbase5-private-dev qtwayland5 sway wl-clipboard wtype xwayland curl xz-utils
)

source "$(dirname "$0")/apt-missing.sh"
install_missing "${packages[@]}"
