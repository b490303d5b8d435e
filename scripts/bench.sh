#!/usr/bin/env bash
# `make bench [DEVICE=X]`: every benchmark executable of a build, then the
# real program on Xvfb with DEVICE (default PIP_KARN7) streaming at the
# adapter's full line rate (bench-device.sh), File > Save onto a big book
# meanwhile (bench-save.sh), then its start-up with every library of the
# build (startup-bench.sh).
#
#   bench.sh [BUILD] [DEVICE]
set -euo pipefail
build=${1:-build}
device=${2:-PIP_KARN7}
here=$(dirname "$0")
bash "$here/bootstrap.sh" bench
dir=$build/bench
if [ ! -d "$dir" ]; then
  echo "bench: no $dir (is Google Benchmark installed? scripts/bootstrap.sh lists libbenchmark-dev)" >&2
  exit 1
fi
# The plug-in scan also over the build's own program folder.
export OSTAN_BENCH_PROGRAM_DIR=${OSTAN_BENCH_PROGRAM_DIR:-$(cd "$build/bin" && pwd)}
status=0
found=0
for exe in "$dir"/*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  found=1
  echo "== $(basename "$exe")"
  "$exe" || status=1
done
if [ $found -eq 0 ]; then
  echo "bench: no benchmark executables in $dir" >&2
  exit 1
fi
echo "== line rate (the program on Xvfb)"
bash "$here/bench-device.sh" "$build" "$device" || status=1
# Every library, the traffic log closed and open (bench-devices.sh).
echo "== every library at the line rate"
bash "$here/bench-devices.sh" "$build" || status=1
echo "== File > Save onto the spreadsheet program's 100,000-row book, MOLT2old streaming"
book=$dir/books/csv-100000.xlsx # made by bench_workbook
if [ -f "$book" ]; then
  bash "$here/bench-save.sh" "$book" "$build" MOLT2old || status=1
else
  echo "bench: no $book (bench_workbook makes it with the spreadsheet program)" >&2
fi
echo "== start-up"
bash "$here/startup-bench.sh" "$build" || status=1
exit $status
