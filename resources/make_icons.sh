#!/usr/bin/env bash
# Renders vorundel.svg into the hicolor PNG sizes kept beside it. Run after
# editing the SVG (needs rsvg-convert, Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "hicolor/$size"
  rsvg-convert -w "$size" -h "$size" -o "hicolor/$size/vorundel.png" vorundel.svg
done
