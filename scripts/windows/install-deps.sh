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
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
