#!/usr/bin/env bash
# Regenerates every generated sample picture with the drawing generator:
# the default inputs of the three measurement tools in samples/ and the
# example pictures of the front end's new-image dialog in frontend/examples/.
# The output is deterministic. Prints the analytic values of each picture.
#
# usage: samples/make-samples.sh [path/to/drawgen]
# (default: build/bin/drawgen of this source tree)
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
drawgen="${1:-$root/build/bin/drawgen}"
if [[ ! -x "$drawgen" ]]; then
  echo "make-samples.sh: no drawgen at $drawgen; build it or give its path" >&2
  exit 2
fi
samples="$root/samples"
examples="$root/frontend/examples"
mkdir -p "$examples"

draw() {  # draw FILE ARGS...
  local file="$1"
  shift
  echo "== ${file#"$root"/} ($*)"
  "$drawgen" "$@" --out "$file"
}

# orvelloCMD3 default input: 600 dpi, scale 1.
draw "$samples/vase.tiff" --category 3 --shape globular --dpi 600 --scale 1 \
  --antialias --grey
# orvelloCMD default input: 300 dpi, scale 1.
draw "$samples/vase.jpg" --category 2 --shape necked --dpi 300 --scale 1 \
  --antialias --grey --jpeg-dpi 300
# orvelloCMD2 default input: 300 dpi, scale 1; 15 cm tall so that the section
# outline is far longer than the 3000 px the measurement asks for.
draw "$samples/25.bmp" --category 1 --shape globular --dpi 300 --scale 1 \
  --height-cm 15 --bmp1

# The dialog's example pictures, at the sizes of its form.
draw "$examples/category1.bmp" --category 1 --shape necked --dpi 300 \
  --height-cm 14 --width 3199 --height 2052 --bmp1
draw "$examples/category2.jpg" --category 2 --shape globular --dpi 300 \
  --height-cm 12 --width 1919 --height 1696 --antialias --grey --jpeg-dpi 300
draw "$examples/category3.jpg" --category 3 --shape bowl --dpi 600 \
  --scale 0.1 --width 500 --height 356 --antialias --grey --jpeg-dpi 600
