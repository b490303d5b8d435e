#!/usr/bin/env bash
# `make fuzz`: builds the libFuzzer targets with clang, ASan and UBSan in
# build-fuzz/ and runs each for ${FUZZ_SECONDS:-60} seconds (FUZZ_RUNS, when
# set, bounds the executions instead): fuzz_rx (the receive machine),
# fuzz_workbook (the workbook reader), then fuzz_panels once per device
# library. FUZZ_TARGETS="fuzz_rx fuzz_panels" picks targets; FUZZ_LIBRARIES="A B"
# picks libraries. fuzz_panels fails an input that takes the panel more than
# a second of processor time to take and paint; FUZZ_TIMEOUT (default 20)
# seconds of the wall clock catch an input that waits instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-fuzz_rx fuzz_workbook fuzz_panels}
limit=(-max_total_time="$seconds")
if [ -n "${FUZZ_RUNS:-}" ]; then limit=(-runs="$FUZZ_RUNS"); fi
san="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTAN_FUZZ=ON -DCMAKE_C_FLAGS="$san" -DCMAKE_CXX_FLAGS="$san" >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $targets ${JOBS:+-j "$JOBS"}

seed() {
  local corpus=$build/corpus/$1
  mkdir -p "$corpus"
  case $1 in
  fuzz_rx)
    # A synced stream of every frame kind, whole and in small reads.
    printf '\x1f\x13\x02\x05\x01\x40\x73\x1b\x68\x62\x21\x43\x37\x01\x00\x00\x00\x00\x01\x5f\x01\x02\x74\x1a\x6e\x62\x00\x62' \
      >"$corpus/seed-frames"
    printf '\x7b\x03\x11\x03\x00\x62\x09\x6b\x5f\x01\x02\x62\x00\x62\x5f\xee\x01\x73\x19\x6a\x62\x04\x66' \
      >"$corpus/seed-nested"
    ;;
  fuzz_workbook)
    # A spreadsheet-made workbook as a file, and the parts of a small one.
    cp "$root/tests/fixtures/workbooks/LibreOfficeMade.xlsx" "$corpus/seed-made.xlsx"
    cp "$root/tests/fuzz/seed-parts.txt" "$corpus/seed-parts"
    ;;
  esac
  echo "$corpus"
}

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in $targets; do
  if [ "$t" = fuzz_panels ]; then
    libraries=${FUZZ_LIBRARIES:-$(cd "$build/bin/Plugins" && ls *.so | sed 's/\.so$//')}
    for lib in $libraries; do
      echo "== fuzz_panels $lib"
      corpus=$(seed "fuzz_panels-$lib")
      # The panels live as long as the process: their memory is not a leak.
      ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0} OSTAN_FUZZ_LIBRARY=$lib "$build/fuzz/fuzz_panels" "${limit[@]}" \
        -timeout="${FUZZ_TIMEOUT:-20}" -print_final_stats=1 -artifact_prefix="$build/$lib-" "$corpus"
    done
  else
    corpus=$(seed "$t")
    echo "== $t"
    "$build/fuzz/$t" "${limit[@]}" -print_final_stats=1 -artifact_prefix="$build/$t-" "$corpus"
  fi
done
