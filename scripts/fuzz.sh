#!/usr/bin/env bash
# `make fuzz`: builds the libFuzzer targets with clang, ASan and UBSan in
# build-fuzz/ and runs each of ${FUZZ_TARGETS:-fuzz_rx fuzz_workbook} for
# ${FUZZ_SECONDS:-60} seconds (FUZZ_RUNS, when set, bounds the executions).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${FUZZ_BUILD:-$root/build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-fuzz_rx fuzz_workbook}
san="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTAN_FUZZ=ON -DCMAKE_C_FLAGS="$san" -DCMAKE_CXX_FLAGS="$san" >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" --target $targets

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
  corpus=$(seed "$t")
  echo "== $t"
  "$build/fuzz/$t" -max_total_time="$seconds" ${FUZZ_RUNS:+-runs=$FUZZ_RUNS} -print_final_stats=1 \
    -artifact_prefix="$build/$t-" "$corpus"
done
