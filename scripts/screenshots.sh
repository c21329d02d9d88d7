#!/usr/bin/env bash
# Takes the screenshots of the front end in docs/screenshots/: Orvello runs
# in a real window under Xvfb, from a directory that holds it and the three
# tools, and xdotool drives one measurement of each drawing category through
# the new-image dialog, as a user would (mouse clicks and typing, the file
# chosen in the file dialog). For each category the script saves the filled
# dialog and the main window after the run.
#
# Usage: scripts/screenshots.sh [BUILD_DIR]   (default: build)
# Needs a build with the front end, the tools and drawgen in BUILD_DIR/bin,
# and the Debian packages xvfb, xdotool and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
bin=$(cd "${1:-build}/bin" && pwd)
out=$top/docs/screenshots

for program in Xvfb xdotool import; do
  command -v "$program" >/dev/null || {
    echo "screenshots.sh: $program is missing (apt-get install xvfb xdotool imagemagick)" >&2
    exit 1
  }
done
for program in Orvello orvelloCMD orvelloCMD2 orvelloCMD3 drawgen; do
  [ -x "$bin/$program" ] || { echo "screenshots.sh: no $bin/$program; build first" >&2; exit 1; }
done

work=$(mktemp -d -t orvello.XXXXXX)
xvfb_pid=
orvello_pid=
cleanup() {
  [ -n "$orvello_pid" ] && kill "$orvello_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The program directory, as after installation: the front end beside the
# tools. The tools write their outputs there.
program_dir=$work/Orvello
drawings_dir="$work/Mes dessins"
mkdir -p "$program_dir" "$drawings_dir"
cp "$bin/Orvello" "$bin/orvelloCMD" "$bin/orvelloCMD2" "$bin/orvelloCMD3" "$program_dir/"

# One drawing per category: category, shape, file name, dpi, and the zoom
# to show its result at (the track bar starts at 20 %).
drawings=(
  "1 globular vase-profil.bmp 300 20"
  "2 necked cruche-mediane.jpg 300 30"
  "3 bowl bol-silhouette.png 600 10"
)
for entry in "${drawings[@]}"; do
  read -r category shape name dpi zoom <<<"$entry"
  "$bin/drawgen" --category "$category" --shape "$shape" --dpi "$dpi" --scale 1 \
    --out "$drawings_dir/$name" >/dev/null
done

# A display of its own.
display=99
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1400x760x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

(cd "$program_dir" && exec ./Orvello) >"$work/orvello.log" 2>&1 &
orvello_pid=$!

# Returns the id of the visible window named exactly $1, waiting for it.
window() { xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1; }
# Clicks at $2,$3 inside window $1.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.3; }
# Replaces the text of the field at $2,$3 in window $1 by $4.
retype() {
  click "$1" "$2" "$3"
  xdotool key --clearmodifiers ctrl+a BackSpace
  xdotool type --delay 20 "$4"
}
# Waits until no visible window is named $1.
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  echo "screenshots.sh: window \"$1\" stays open" >&2
  return 1
}
# Saves window $1 as docs/screenshots/$2.
shoot() { sleep 0.5; import -window "$1" "$out/$2"; echo "wrote docs/screenshots/$2"; }

main=$(window Orvello)
xdotool windowfocus --sync "$main"
mkdir -p "$out"

for entry in "${drawings[@]}"; do
  read -r category shape name dpi zoom <<<"$entry"
  rm -f "$program_dir/results.txt"

  click "$main" 192 44                        # "Nouvelle image"
  dialog=$(window "Nouvelle image - Orvello")
  xdotool windowfocus --sync "$dialog"
  click "$dialog" 145 55                      # "Parcourir"
  chooser=$(window Ouvrir)
  xdotool windowfocus --sync "$chooser"
  xdotool type --delay 20 "$drawings_dir/$name"
  xdotool key Return
  gone Ouvrir
  xdotool windowfocus --sync "$dialog"
  retype "$dialog" 180 120 "$dpi"             # resolution
  retype "$dialog" 188 183 "1"                # scale
  case $category in                           # the category's radio button
    1) click "$dialog" 192 248 ;;
    2) click "$dialog" 608 256 ;;
    3) click "$dialog" 1008 248 ;;
  esac
  shoot "$dialog" "dialog-category$category.png"

  click "$dialog" 881 608                     # "OK"
  gone "Nouvelle image - Orvello"
  for _ in $(seq 100); do [ -s "$program_dir/results.txt" ] && break; sleep 0.1; done
  [ -s "$program_dir/results.txt" ] || { echo "screenshots.sh: category $category: no results" >&2; exit 1; }
  # The track bar, one step per arrow key.
  click "$main" 600 70
  xdotool key Home
  [ "$zoom" -gt 0 ] && xdotool key --delay 10 --repeat "$zoom" Right
  shoot "$main" "main-category$category.png"
done
