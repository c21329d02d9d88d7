#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz, replays the fault reproducers of
# fuzz/regressions, then fuzzes each target for a bounded time on a copy of
# its seed corpus (fuzz/corpus), two targets at a time. Fails on any crash,
# sanitizer report or failed check; the failing inputs are kept in
# build-fuzz/fuzz-artifacts.
#
#   scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
build=build-fuzz
targets=(silhouette median leftedge args load)

# The tools' libraries are instrumented too; the targets add -fsanitize=fuzzer.
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
flags+=" -fno-omit-frame-pointer"
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags" -DORVELLO_BUILD_FUZZ=ON -DORVELLO_BUILD_FRONTEND=OFF \
  -DORVELLO_BUILD_TESTS=OFF -DORVELLO_BUILD_BENCH=OFF
cmake --build "$build" -j2 --target orvello_fuzzers

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
artifacts="$build/fuzz-artifacts"
rm -rf "$artifacts"
mkdir -p "$artifacts"

echo "== replaying fuzz/regressions"
for t in "${targets[@]}"; do
  [[ -d fuzz/regressions/$t ]] || continue
  if ! "$build/bin/orvello_fuzz_$t" fuzz/regressions/"$t"/* >"$work/$t-replay.log" 2>&1; then
    tail -n 30 "$work/$t-replay.log"
    echo "FAILED: orvello_fuzz_$t on fuzz/regressions/$t"
    exit 1
  fi
done

# Runs target $1 for $seconds on a copy of its corpus; leaves its log.
fuzz() {
  local t=$1
  cp -r "fuzz/corpus/$t" "$work/$t"
  "$build/bin/orvello_fuzz_$t" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="$work/$t-artifact-" "$work/$t" >"$work/$t.log" 2>&1
}

failed=0
for ((i = 0; i < ${#targets[@]}; i += 2)); do
  pids=()
  for t in "${targets[@]:i:2}"; do
    fuzz "$t" &
    pids+=($!)
  done
  for j in "${!pids[@]}"; do
    t=${targets[i + j]}
    if wait "${pids[j]}"; then
      runs=$(sed -n 's/^stat::number_of_executed_units: //p' "$work/$t.log")
      echo "orvello_fuzz_$t: ${runs:-?} inputs in ${seconds} s, no failure"
    else
      tail -n 40 "$work/$t.log"
      cp "$work/$t"-artifact-* "$artifacts/" 2>/dev/null || true
      echo "FAILED: orvello_fuzz_$t (inputs kept in $artifacts)"
      failed=1
    fi
  done
done
exit "$failed"
