#!/usr/bin/env bash
# Takes the screenshots of the front end in docs/screenshots/: Orvello runs
# in a real window under Xvfb, installed as `cmake --install` puts it into
# a program folder that its user cannot write (run as the user "nobody"
# when the script runs as root), and xdotool drives real measurements
# through the new-image dialog, as a user would (mouse clicks and typing,
# the file chosen in the file dialog):
#   dialog-category<N>.png, main-category<N>.png  one drawing of each category
#   dialog-resolution.png   the question when the file records another dpi
#   main-plate.png          an A4 plate scanned at 600 dpi, fitted ("Ajuster")
#   main-running.png        a large scan being measured, then main-cancelled.png
#                           after Escape
#   main-failure.png        a blank page measured after a good drawing
#   main-profile.png        the profile measurement and its overlay, when
#                           orvello-batch reports one
#
# Usage: scripts/screenshots.sh [BUILD_DIR [BATCH]]   (default: build)
# Needs a build with the front end, the tools, orvello-batch and drawgen, and
# the Debian packages xvfb, xdotool and imagemagick. BATCH, when given, is
# an orvello-batch program installed in place of the build's.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
build=$(cd "${1:-build}" && pwd)
bin=$build/bin
out=$top/docs/screenshots

for program in Xvfb xdotool import convert; do
  command -v "$program" >/dev/null || {
    echo "screenshots.sh: $program is missing (apt-get install xvfb xdotool imagemagick)" >&2
    exit 1
  }
done
for program in Orvello orvelloCMD orvelloCMD2 orvelloCMD3 orvello-batch drawgen; do
  [ -x "$bin/$program" ] || { echo "screenshots.sh: no $bin/$program; build first" >&2; exit 1; }
done

work=$(mktemp -d -t orvello.XXXXXX)
chmod 755 "$work"
xvfb_pid=
orvello_pid=
window_pid=
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  [ -n "$orvello_pid" ] && kill "$orvello_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The installed copy, in a folder its user cannot write.
cmake --install "$build" --prefix "$work/installed" >/dev/null
if [ -n "${2:-}" ]; then cp "$2" "$work/installed/bin/orvello-batch"; fi
chmod -R a-w "$work/installed"
program_dir=$work/installed/bin
drawings_dir="$work/Mes dessins"
mkdir -p "$drawings_dir"

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
# An A4 plate at 600 dpi, a large scan at 1200 dpi, a blank page, and the
# bundled TIFF that records 600 dpi.
"$bin/drawgen" --category 3 --shape globular --dpi 600 --height-cm 20 \
  --width 4961 --height 7016 --out "$drawings_dir/planche-A4-600ppp.png" >/dev/null
"$bin/drawgen" --category 2 --shape globular --dpi 1200 --height-cm 20 \
  --width 12000 --height 14000 --out "$drawings_dir/grand-scan-1200ppp.png" >/dev/null
convert -size 2480x3508 xc:white "$drawings_dir/page-blanche.png"
cp "$top/samples/vase.tiff" "$drawings_dir/vase.tiff"
chmod -R a+rX "$drawings_dir"

# Does orvello-batch report the profile measurement?
printf 'file,category,dpi,scale\n%s,2,300,1\n' "$drawings_dir/cruche-mediane.jpg" \
  >"$work/probe.csv"
profile=no
if "$work/installed/bin/orvello-batch" "$work/probe.csv" --out "$work/probe" -q >/dev/null 2>&1 ||
  [ -f "$work/probe/results.json" ]; then
  grep -q '"refined_status"' "$work/probe/results.json" 2>/dev/null && profile=yes
fi

# A display of its own.
display=99
while [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1400x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 50); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.1; done

# An ordinary user: "nobody" (whose home does not exist) when run as root.
# Its temporary folder (where the runs' folders go when it has no cache
# folder) is inside $work, so that nothing is left behind.
as_user=()
mkdir -m 1777 "$work/tmp"
if [ "$(id -u)" = 0 ]; then as_user=(runuser -u nobody --); fi
(cd / && exec "${as_user[@]}" env DISPLAY="$DISPLAY" TMPDIR="$work/tmp" "$program_dir/Orvello") \
  >"$work/orvello.log" 2>&1 &
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
# Saves the screen's part under window $1 (with what stands over it, such
# as a message box) as docs/screenshots/$2.
shoot_over() {
  sleep 0.5
  local WINDOW X Y WIDTH HEIGHT SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$2"
  echo "wrote docs/screenshots/$2"
}
# Waits up to $2 seconds until the main window's title starts with $1.
titled() {
  for _ in $(seq $(($2 * 10))); do
    case $(xdotool getwindowname "$main") in "$1"*) return 0 ;; esac
    sleep 0.1
  done
  echo "screenshots.sh: the window is not titled \"$1\" but \"$(xdotool getwindowname "$main")\"" >&2
  return 1
}
# Waits until the run started from a window titled $1 has ended: the title
# has changed and no longer says that a measurement is going on.
idle() {
  local title
  for _ in $(seq 1200); do
    title=$(xdotool getwindowname "$main")
    if [ "$title" != "$1" ]; then
      case $title in *"en cours"*) ;; *) return 0 ;; esac
    fi
    sleep 0.1
  done
  echo "screenshots.sh: the run does not end ($title)" >&2
  return 1
}
# Returns the id of a visible window named "Orvello" other than the main
# window (a message box), waiting up to $1 seconds for it.
message_box() {
  for _ in $(seq $(($1 * 10))); do
    for id in $(xdotool search --onlyvisible --name '^Orvello$' 2>/dev/null); do
      [ "$id" != "$main" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  echo "screenshots.sh: no message box" >&2
  return 1
}
# Fills the dialog with drawing $1, resolution $2 and category $3, and
# leaves it open; its id goes into $dialog.
fill_dialog() {
  click "$main" 192 44                        # "Nouvelle image"
  dialog=$(window "Nouvelle image - Orvello")
  xdotool windowfocus --sync "$dialog"
  click "$dialog" 145 55                      # "Parcourir"
  local chooser
  chooser=$(window Ouvrir)
  xdotool windowfocus --sync "$chooser"
  xdotool type --delay 10 "$drawings_dir/$1"
  xdotool key Return
  gone Ouvrir
  xdotool windowfocus --sync "$dialog"
  retype "$dialog" 180 120 "$2"               # resolution
  retype "$dialog" 188 183 "1"                # scale
  case $3 in                                  # the category's radio button
    1) click "$dialog" 192 248 ;;
    2) click "$dialog" 608 256 ;;
    3) click "$dialog" 1008 248 ;;
  esac
}
# Clicks "OK" in the dialog; the title before it goes into $before.
accept_dialog() {
  before=$(xdotool getwindowname "$main")
  click "$dialog" 881 608
  gone "Nouvelle image - Orvello"
}
# Sets the track bar to $1 %, one step per arrow key.
zoom_to() {
  click "$main" 600 70
  xdotool key Home
  [ "$1" -gt 0 ] && xdotool key --delay 10 --repeat "$1" Right
  return 0
}

main=$(window Orvello)
window_pid=$(xdotool getwindowpid "$main")
xdotool windowfocus --sync "$main"
mkdir -p "$out"

for entry in "${drawings[@]}"; do
  read -r category shape name dpi zoom <<<"$entry"
  fill_dialog "$name" "$dpi" "$category"
  shoot "$dialog" "dialog-category$category.png"
  accept_dialog
  idle "$before"
  titled "Orvello - $name" 1
  zoom_to "$zoom"
  shoot "$main" "main-category$category.png"
done

# The profile measurement with its overlay, when the batch gives one.
rm -f "$out/main-profile.png"
if [ "$profile" = yes ]; then
  fill_dialog cruche-mediane.jpg 300 2
  accept_dialog
  idle "$before"
  titled "Orvello - cruche-mediane.jpg" 1
  click "$main" 60 182                        # "Profil superposé"
  click "$main" 881 52                        # "Ajuster"
  shoot "$main" main-profile.png
fi

# The bundled TIFF records 600 dpi; the user typed 300.
fill_dialog vase.tiff 300 3
before=$(xdotool getwindowname "$main")
click "$dialog" 881 608                       # "OK"
question=$(message_box 10)
shoot_over "$dialog" dialog-resolution.png
xdotool windowfocus --sync "$question"
xdotool key Return                            # "Utiliser 600 ppp"
gone "Nouvelle image - Orvello"
idle "$before"
titled "Orvello - vase.tiff, 600 ppp" 1

# A plate-sized scan, fitted to the window.
fill_dialog planche-A4-600ppp.png 600 3
accept_dialog
idle "$before"
titled "Orvello - planche-A4-600ppp.png" 1
click "$main" 881 52                          # "Ajuster"
shoot "$main" main-plate.png

# A large scan in progress, then cancelled with Escape.
fill_dialog grand-scan-1200ppp.png 1200 2
accept_dialog
sleep 2.5
shoot "$main" main-running.png
xdotool windowfocus --sync "$main"
xdotool key Escape
idle "$before"
shoot "$main" main-cancelled.png

# A good drawing, then a blank page: the failure leaves nothing of the
# good drawing on screen.
fill_dialog cruche-mediane.jpg 300 2
accept_dialog
idle "$before"
titled "Orvello - cruche-mediane.jpg" 1
fill_dialog page-blanche.png 300 2
accept_dialog
box=$(message_box 60)
shoot_over "$main" main-failure.png
xdotool windowfocus --sync "$box"
xdotool key Return
