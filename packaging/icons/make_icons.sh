#!/usr/bin/env bash
# Renders the program's icon (qelplayer.svg) to the PNG sizes desktops look
# for. The PNGs are committed; run this after changing the SVG
# (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" qelplayer.svg -o "qelplayer-$size.png"
done
