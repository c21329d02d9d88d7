#!/usr/bin/env bash
# Measures the bundled samples and a few generated drawings (one row of the
# catalogue names a missing file) with orvello-batch, and saves a screenshot
# of the report page as docs/report-screenshot.png. Needs a build with
# orvello-batch and drawgen, and Debian's chromium (apt-get install -y chromium).
#
#   bash scripts/report-screenshot.sh [build-dir]    # default: build
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build}")/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bin/drawgen" --category 2 --shape bowl --mirror --antialias --out "$work/bowl-mirrored.png" >/dev/null
"$bin/drawgen" --category 1 --shape cone --height-cm 12 --out "$work/cone.png" >/dev/null
"$bin/drawgen" --category 3 --shape necked --outline --dpi 600 --scale 0.5 --out "$work/necked.png" >/dev/null
cp samples/vase.tiff samples/vase.jpg samples/25.bmp "$work/"
cat >"$work/catalogue.csv" <<CSV
file,category,dpi,scale,mirror
vase.tiff,3,600,1,
vase.jpg,2,300,1,
25.bmp,1,300,1,
bowl-mirrored.png,2,300,1,yes
cone.png,1,300,1,
necked.png,3,600,0.5,
plate 12/missing.png,2,300,1,
CSV

status=0
(cd "$work" && "$bin/orvello-batch" catalogue.csv --out out --scale-error 0.01) || status=$?
[ "$status" -le 1 ] || exit "$status"

chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --hide-scrollbars --window-size=1360,1160 \
  --screenshot="$PWD/docs/report-screenshot.png" "file://$work/out/report.html" 2>/dev/null
echo "docs/report-screenshot.png"
