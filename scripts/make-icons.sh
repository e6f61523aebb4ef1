#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG into the hicolor tree beside it.
# The PNGs are committed, so building needs no SVG renderer; run this after changing the SVG.
# Needs rsvg-convert (Debian: librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../resources/icons/hicolor"
for size in 16 32 48 64 128 256; do
    mkdir -p "${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" --output "${size}x${size}/apps/kestrowind2.png" \
        scalable/apps/kestrowind2.svg
done
