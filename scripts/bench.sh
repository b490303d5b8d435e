#!/usr/bin/env bash
# `make bench`: runs every benchmark executable of a build, then the real
# program at the adapter's full line rate (scripts/line-rate-bench.sh).
set -euo pipefail
build=${1:-build}
bash "$(dirname "$0")/bootstrap.sh" bench
dir=$build/bench
if [ ! -d "$dir" ]; then
  echo "bench: no $dir (is Google Benchmark installed? scripts/bootstrap.sh lists libbenchmark-dev)" >&2
  exit 1
fi
status=0
found=0
for exe in "$dir"/*; do
  [ -f "$exe" ] && [ -x "$exe" ] || continue
  found=1
  echo "== $(basename "$exe")"
  "$exe" "${@:2}" || status=1
done
if [ $found -eq 0 ]; then
  echo "bench: no benchmark executables in $dir" >&2
  exit 1
fi
echo "== line rate (the program on Xvfb)"
bash "$(dirname "$0")/line-rate-bench.sh" "$build" || status=1
exit $status
