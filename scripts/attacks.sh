#!/usr/bin/env bash
# Replays the fault attacks on the built tools and batch (build/bin) and
# prints one line per attack: PASS when the program refused or survived as
# it must (nothing outside the output folder changed, no success on a
# corrupt input, nothing hangs or aborts), FAIL otherwise, then the counts.
#
#   scripts/attacks.sh [build directory, default build]
set -uo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build}")/bin
samples=$(realpath samples)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pass=0
fail=0

check() {  # check <name> <condition status>
  if [[ $2 == 0 ]]; then
    pass=$((pass + 1))
    echo "PASS $1"
  else
    fail=$((fail + 1))
    echo "FAIL $1"
  fi
}

# run <dir> <program> <args...>: runs with a 60 s limit; sets $status.
run() {
  local dir=$1
  shift
  (cd "$dir" && timeout 60 "$@" >"$dir/.stdout" 2>"$dir/.stderr" </dev/null)
  status=$?
}

tools=("orvelloCMD3 $samples/vase.tiff 600" "orvelloCMD $samples/vase.jpg 300"
  "orvelloCMD2 $samples/25.bmp 300")
for entry in "${tools[@]}"; do
  read -r tool drawing dpi <<<"$entry"
  # Links planted at every output name and at temporary-looking names.
  d=$work/$tool-links && mkdir -p "$d" "$d.out"
  for name in results.txt eau.jpg gray.jpg contours.jpg bord.jpg results.txt.part \
    .orvello-0000000000000000.tmp; do
    echo keep >"$d.out/$name" && ln -s "$d.out/$name" "$d/$name"
  done
  run "$d" "$bin/$tool" "$drawing" "$dpi" 1
  changed=$(cat "$d.out"/* "$d.out"/.orvello* | grep -vc '^keep$')
  check "$tool: links at the outputs replaced, targets kept (status $status)" \
    $((status != 0 || changed != 0 || $(find "$d" -maxdepth 1 -name results.txt -type f | wc -l) != 1))
  # A FIFO, a device.
  d=$work/$tool-fifo && mkdir -p "$d" && mkfifo "$d/d.png"
  run "$d" "$bin/$tool" d.png "$dpi" 1
  check "$tool: FIFO refused (status $status)" $((status != 255))
  run "$d" "$bin/$tool" /dev/zero "$dpi" 1
  check "$tool: device refused (status $status)" $((status != 255))
  # PNG files declaring huge sizes.
  for size in 60000 32768 20001; do
    d=$work/$tool-huge-$size && mkdir -p "$d"
    python3 - "$size" "$d/d.png" <<'PY'
import struct, sys, zlib
n = int(sys.argv[1])
ihdr = struct.pack(">IIBBBBB", n, n, 8, 2, 0, 0, 0)
chunk = lambda t, b: struct.pack(">I", len(b)) + t + b + struct.pack(">I", zlib.crc32(t + b))
row = b"\0" + b"\xff" * 3 * n
data = zlib.compress(row * 64, 9)
open(sys.argv[2], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", data) + chunk(b"IEND", b""))
PY
    run "$d" "$bin/$tool" d.png "$dpi" 1
    check "$tool: PNG of ${size}x${size} refused (status $status)" $((status != 255))
  done
done

# Damaged JPEG files: bytes flipped in the scan at random places, heights
# patched; none may be measured.
jpeg=$samples/vase.jpg
for seed in $(seq 1 40); do
  d=$work/flip-$seed && mkdir -p "$d"
  python3 - "$jpeg" "$d/d.jpg" "$seed" <<'PY'
import random, sys
b = bytearray(open(sys.argv[1], "rb").read())
r = random.Random(int(sys.argv[3]))
sos = b.rfind(b"\xff\xda")
start = sos + 2 + (b[sos + 2] << 8 | b[sos + 3])
if r.random() < 0.25:  # patch the frame height
    sof = b.find(b"\xff\xc0")
    h = (b[sof + 5] << 8 | b[sof + 6]) + r.choice([-200, -17, -8, 8, 16, 64])
    b[sof + 5], b[sof + 6] = h >> 8, h & 255
else:
    for _ in range(r.randint(1, 8)):
        b[r.randrange(start, len(b) - 2)] ^= r.randrange(1, 256)
open(sys.argv[2], "wb").write(b)
PY
  run "$d" "$bin/orvelloCMD" d.jpg 300 1
  check "orvelloCMD: damaged JPEG $seed not measured (status $status)" $((status == 0))
done

# The batch.
cp "$samples/vase.tiff" "$work/x.tiff"
batch() { run "$work" "$bin/orvello-batch" "$@"; }
manifest() { printf 'file,category,dpi,scale\n%s' "$1" >"$work/m.csv"; }

manifest $'x.tiff,3,600,1\n'
mkdir -p "$work/b1" "$work/b1.out"
for name in results.csv.part .orvello-batch-probe.part .orvello-0000000000000000.tmp; do
  echo keep >"$work/b1.out/$name" && ln -s "$work/b1.out/$name" "$work/b1/$name"
done
batch m.csv -o b1 -q
check "batch: links at temporary names, targets kept (status $status)" \
  $((status != 0 || $(cat "$work/b1.out"/* "$work/b1.out"/.orvello* | grep -vc '^keep$') != 0))

batch m.csv -o b1 -q
check "batch: an earlier batch refused (status $status)" $((status != 2))
touch "$work/b1/eau/999-stale.jpg"
batch m.csv -o b1 -q --overwrite
check "batch: --overwrite removes the earlier batch (status $status)" \
  $((status != 0 || $(ls "$work/b1/eau" | grep -c stale) != 0))

manifest "$(for i in $(seq 1 30); do echo x.tiff,3,600,1; done)"$'\n'
(cd "$work" && timeout 120 "$bin/orvello-batch" m.csv -o b2 -q -j 1 >/dev/null 2>&1) &
sleep 1
batch m.csv -o b2 -q
wait
check "batch: a second batch on a locked folder refused (status $status)" $((status != 2))

for name in '=1+1' '+x' '-x' '@x'; do cp "$work/x.tiff" "$work/$name.tiff"; done
manifest $'=1+1.tiff,3,600,1\n+x.tiff,3,600,1\n-x.tiff,3,600,1\n@x.tiff,3,600,1\n'
batch m.csv -o b3 -q
check "batch: formula prefixes neutralised in results.csv" \
  $(($(grep -c "^'[=+@-]" "$work/b3/results.csv") != 4))

manifest $'"a\e]0;x\a\e[2Jb.tiff",3,600,1\n'
batch m.csv -o b4
check "batch: no control character on the terminal" $(($(grep -c $'\e' "$work/.stderr") != 0))

mkfifo "$work/fifo.png"
manifest $'fifo.png,3,600,1\nx.tiff,3,600,1\n'
batch m.csv -o b5 -q
check "batch: a FIFO in the manifest does not hang (status $status)" $((status != 1))

manifest "$(for i in $(seq 1 80); do echo x.tiff,3,600,1; done)"$'\n'
chmod 777 "$work"
if [[ $(id -u) == 0 ]]; then
  limit=(prlimit --nproc=6 setpriv --reuid=65534 --regid=65534 --clear-groups)
else
  limit=(prlimit --nproc=1)
fi
run "$work" "${limit[@]}" "$bin/orvello-batch" m.csv -o b6 -q -j 1000
check "batch: -j 1000 under a process limit goes on (status $status)" $((status != 0))

python3 - "$work/line.pgm" <<'PY'
import sys
open(sys.argv[1], "wb").write(b"P5 500 1 255\n" + b"\xff" * 100 + b"\0" * 300 + b"\xff" * 100)
PY
stem=$(printf 'n%.0s' $(seq 1 250))
cp "$work/x.tiff" "$work/$stem.tiff"
manifest "line.pgm,3,300,1"$'\n'"$stem.tiff,3,600,1"$'\n'
batch m.csv -o b7 -q
check "batch: a 500 x 1 drawing and a 250-character stem measured (status $status)" \
  $((status != 0))

echo "$pass passed, $fail failed"
exit $((fail != 0))
