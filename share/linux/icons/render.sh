#!/usr/bin/env bash
# Draws the PNG icons at the usual hicolor sizes from the SVG (committed, so
# that a build needs no SVG renderer). Run again after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")"
../../../scripts/deps.sh icons
for size in 16 22 24 32 48 64 128 256 512; do
  rsvg-convert -w $size -h $size io.github.packwright.Packwright.svg -o ${size}.png
done
