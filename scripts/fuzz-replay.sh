#!/usr/bin/env bash
# Builds the libFuzzer harnesses (clang 14, AddressSanitizer and UndefinedBehaviorSanitizer) and
# replays every input kept in fuzz/corpus/<harness>/: each must end without a crash, a sanitizer
# report, a broken check or a time-out. Takes seconds once built.
#
#   scripts/fuzz-replay.sh [BUILD_DIR]          replay (default BUILD_DIR: build-fuzz)
#   FUZZ_SECONDS=600 scripts/fuzz-replay.sh     then fuzz each harness that long, two at a time;
#                                               new inputs go to BUILD_DIR/fuzz-work/<harness>,
#                                               findings to BUILD_DIR/fuzz-findings/<harness>
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-fuzz}

missing=()
for p in clang-14 libclang-rt-14-dev cmake ninja-build; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSPI_FUZZ=ON -DSPI_BUILD_GUI=OFF -DSPI_BUILD_TESTS=OFF -DSPI_WERROR=ON >/dev/null
cmake --build "$build" -j 2 --target spi_fuzz

# A finding must fail the step: the sanitizers abort, and leaks count too.
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

harnesses=()
for dir in fuzz/corpus/*/; do
  harnesses+=("$(basename "$dir")")
done

status=0
for h in "${harnesses[@]}"; do
  inputs=(fuzz/corpus/"$h"/*)
  start=$(date +%s)
  if "$build/fuzz/$h" -timeout=25 -rss_limit_mb=2048 "${inputs[@]}" >"$build/replay-$h.log" 2>&1; then
    echo "replay $h: ${#inputs[@]} inputs, $(( $(date +%s) - start )) s, clean"
  else
    echo "replay $h: FAILED (log: $build/replay-$h.log)"
    grep -E 'ERROR|runtime error|\*\*\*|Running:' "$build/replay-$h.log" | tail -5 || true
    status=1
  fi
done
[ "$status" -eq 0 ] || exit "$status"

if [ -n "${FUZZ_SECONDS:-}" ]; then
  fuzz_one() {
    local h=$1
    mkdir -p "$build/fuzz-work/$h" "$build/fuzz-findings/$h"
    "$build/fuzz/$h" "$build/fuzz-work/$h" "fuzz/corpus/$h" -max_total_time="$FUZZ_SECONDS" \
      -timeout=25 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/fuzz-findings/$h/" >"$build/fuzz-$h.log" 2>&1 || true
    echo "fuzz $h: $(grep -E 'stat::number_of_executed_units' "$build/fuzz-$h.log" | awk '{print $2}') executions," \
         "findings: $(ls "$build/fuzz-findings/$h" | wc -l)"
  }
  # Two at a time: the machines this runs on have two cores.
  for ((i = 0; i < ${#harnesses[@]}; i += 2)); do
    fuzz_one "${harnesses[i]}" &
    if [ $((i + 1)) -lt ${#harnesses[@]} ]; then fuzz_one "${harnesses[i + 1]}" & fi
    wait
  done
fi
