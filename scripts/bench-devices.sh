#!/usr/bin/env bash
# Every library of the build's Plugins folder at the adapter's full line rate
# (bench-device.sh), with the traffic log window closed and then open, and a
# table of the figures: the program's share of one core, the bytes it read
# against those the adapter wrote, and the panel timer's period where the
# panel has one. The load average before and after stands beside them, as
# figures from a busy machine read differently.
#
#   bench-devices.sh [BUILD] [SECONDS]     (defaults: build 10)
set -euo pipefail
build=${1:-build}
seconds=${2:-${BENCH_SECONDS:-10}}
here=$(dirname "$0")
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
load() { cut -d' ' -f1-3 /proc/loadavg; }
echo "load average before: $(load) ($(nproc) cores)"
libs=()
for so in "$build"/bin/Plugins/*.so; do libs+=("$(basename "$so" .so)"); done
status=0
for lib in "${libs[@]}"; do
  for log in 0 1; do
    if ! BENCH_LOG=$log bash "$here/bench-device.sh" "$build" "$lib" "$seconds" >"$out/$lib.$log" 2>&1; then
      status=1
      echo "bench-devices: $lib with the log $([ $log = 0 ] && echo closed || echo open) failed:" >&2
      cat "$out/$lib.$log" >&2
    fi
  done
done
echo "load average after: $(load)"
printf '%-14s %11s %11s %16s %16s %s\n' device "CPU closed" "CPU open" "read (closed)" "read (open)" "panel timer (closed / open)"
for lib in "${libs[@]}"; do
  cpu() { awk '/CPU:/ {print $2 " %"}' "$out/$lib.$1"; }
  got() { awk '/bytes written/ {gsub(/[(),]/, ""); print $5 "/" $3}' "$out/$lib.$1"; }
  timer() { awk '/panel timer:/ {sub(/^ *panel timer: /, ""); print}' "$out/$lib.$1"; }
  t0=$(timer 0); t1=$(timer 1)
  printf '%-14s %11s %11s %16s %16s %s\n' "$lib" "$(cpu 0)" "$(cpu 1)" "$(got 0)" "$(got 1)" \
    "${t0:+$t0 / }${t1:--}"
done
exit $status
