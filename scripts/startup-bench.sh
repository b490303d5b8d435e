#!/usr/bin/env bash
# The program's start-up with every library of the build's Plugins folder:
# process start to main window enabled, the splash screen's wait left out
# (OSTAN_TRACE_STARTUP), against the adapter emulator on its own display.
#
#   startup-bench.sh [BUILD] [RUNS]     (defaults: build 3)
#
# Cold: a store that holds only the settings and the emulator's port, so
# every library is registered. Warm: the store a start left behind. Prints
# each run and how often it wrote the store (the store file replaced: its
# inode changed); a warm start writes it at most once. Big: a cold start
# whose store holds 100,000 values more (BIG_VALUES), as a store grown over
# years would. With strace present, one more cold and one more warm start
# count the store's writes exactly.
set -euo pipefail
. "$(dirname "$0")/session.sh"
runs=${2:-3}
session_begin startup-bench "${1:-build}"
session_xvfb
session_emulator PIP_KARN7
cp "$store" "$work/fresh.reg"
big_values=${BIG_VALUES:-100000}
# Half in one key, half in keys of two values each beside the classes.
awk -v n="$big_values" 'BEGIN {
  print "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Big]"
  for (i = 0; i < n / 2; i++) printf "\"Value%d\"=dword:%08x\n", i, i
  for (k = 0; k < n / 4; k++)
    printf "\n[HKEY_CLASSES_ROOT\\CLSID\\{%08X-0000-0000-0000-000000000000}]\n@=\"Old\"\n\"N\"=dword:00000001\n", k
}' | cat "$work/fresh.reg" - >"$work/big.reg"

identity() { stat -c '%i %y %s' "$store" 2>/dev/null || echo none; }

# One start; prints "<ms to enabled without the splash wait> <store replaced: 0/1>".
start_once() {
  local before after line _
  : >"$work/program.log"
  before=$(identity)
  env OSTAN_REGISTRY="$store" OSTAN_TRACE_STARTUP=1 "$@" "$program" >"$work/program.log" 2>&1 &
  ostan=$!
  for _ in $(seq 2400); do grep -q '^startup:' "$work/program.log" && break; sleep 0.05; done
  line=$(grep '^startup:' "$work/program.log" || true)
  after=$(identity)
  # Under a tracer the program is its child.
  kill -TERM $(pgrep -P "$ostan") "$ostan" 2>/dev/null || true
  wait "$ostan" 2>/dev/null || true
  [ -n "$line" ] || { cat "$work/program.log" >&2; session_fail "no start-up trace"; }
  # "startup: main window enabled N ms after process start, M ms of it the splash wait"
  awk -v changed=$([ "$before" = "$after" ] && echo 0 || echo 1) '{print $5 - $10, changed}' <<<"$line"
}

plugins=$(find "$bin/Plugins" -name '*.so' | wc -l)
echo "start-up with $plugins libraries in $bin/Plugins (splash wait excluded):"
for kind in cold warm big; do
  times=()
  for i in $(seq "$runs"); do
    if [ $kind = cold ]; then cp "$work/fresh.reg" "$store"; fi
    if [ $kind = big ]; then cp "$work/big.reg" "$store"; fi
    if [ $kind = warm ] && [ "$i" = 1 ]; then start_once >/dev/null; fi # the store of a start before
    read -r ms changed < <(start_once)
    times+=("$ms")
    printf '  %s %d: %4d ms, store %s\n' $kind "$i" "$ms" "$([ "$changed" = 1 ] && echo written || echo untouched)"
  done
  printf '  %s: %s ms\n' $kind "$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {printf "min %d, median %d, max %d", a[1], a[int((NR+1)/2)], a[NR]}')"
done

if command -v strace >/dev/null; then
  # Every write of the store is a rename of a new file onto it.
  for kind in cold warm; do
    if [ $kind = cold ]; then cp "$work/fresh.reg" "$store"; fi
    start_once strace -f -qq -e trace=rename,renameat,renameat2 -o "$work/strace.log" >/dev/null
    writes=$(grep -c -F "\"$store\"" "$work/strace.log" || true)
    echo "  $kind start under strace, ended by SIGTERM: the store written $writes time(s), the settings written at the end included"
  done
fi
