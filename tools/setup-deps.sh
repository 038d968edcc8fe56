#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing the player need.
# Does nothing when they are all present already.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  qt6-base-dev libsdl2-mixer-dev libgtest-dev libgmock-dev libarchive-dev libssl-dev
  timgm6mb-soundfont fonts-ipafont-gothic fonts-ipafont-mincho
  xvfb xauth
  desktop-file-utils appstream dpkg-dev
  clang-14 libclang-rt-14-dev llvm-14
  clang-format-14  # tools/check-format.sh
  openbox xdotool x11-utils  # the desktop test: a window manager, and input and inspection from outside
  weston qt6-wayland imagemagick  # looking at the one-window mode under a Wayland compositor, and screenshots
  neovim  # a real LSP client
  at-spi2-core python3-pyatspi dbus xclip  # the screen-reader test: the accessibility bus read from outside; the clipboard
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Node and npm for the editor extension's grammar test and .vsix. A machine may
# already have a Node.js from elsewhere whose package bundles npm and conflicts
# with Debian's npm, so the commands count, not the package names.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  missing+=(nodejs npm)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
