#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG, beside it.
# Needs rsvg-convert (librsvg2-bin, which scripts/install-deps.sh installs).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
id=io.github.torvane.Torvane
for size in 64 256; do
  rsvg-convert --width "$size" --height "$size" "$here/$id.svg" --output "$here/$id-$size.png"
done
