#!/usr/bin/env bash
# The program at the adapter's full line rate: the real binary on Xvfb, the
# KARN-7 panel chosen as a user does (Ctrl+D, a click on the entry, a click on
# OK, through the X server), and the adapter emulator sending KARN-7 packets at
# 11,520 bytes a second (115200 baud, ten bits a byte) for OSTAN_BENCH_SECONDS
# (60). Prints the program's share of one core, the bytes written against the
# bytes the program read, and the period of the panel's 500 ms timer as its
# command reaches the wire. OSTAN_BENCH_PROGRAM runs another build of ostan
# (its Plugins folder beside it) against this build's emulator;
# OSTAN_BENCH_SCREENSHOT=FILE.png keeps the screen as the stream ends.
set -euo pipefail
build=${1:-build}
seconds=${OSTAN_BENCH_SECONDS:-60}
bin=$(cd "$build/bin" && pwd)
program=${OSTAN_BENCH_PROGRAM:-$bin/ostan}
for tool in Xvfb xdotool; do
  command -v $tool >/dev/null || { echo "line-rate: $tool missing (scripts/bootstrap.sh bench)" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  exec 3>&- || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

reg=$work/registry.reg
bash "$(dirname "$0")/emulator-store.sh" 0 >"$reg"
# The emulator takes control lines from a FIFO held open here, and every line
# it prints gets the time it arrived.
mkfifo "$work/control"
exec 3<>"$work/control"
(echo $BASHPID >"$work/emulator.pid"
 exec "$bin/adapter-emulator" --port 7 --baud 115200 --firmware 27 --status-period 500 --registry "$reg" \
   <"$work/control" 2>"$work/emulator.err") |
  while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$work/emulator.log" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/emulator.pid" ] && break; sleep 0.1; done
pids+=("$(cat "$work/emulator.pid")")
wait_for() { # PATTERN SECONDS
  for _ in $(seq $(($2 * 10))); do grep -q "$1" "$work/emulator.log" && return 0; sleep 0.1; done
  echo "line-rate: no '$1' from the emulator" >&2; cat "$work/emulator.err" >&2; exit 1
}
wait_for ' ready ' 5

display=
for d in $(seq 90 140); do
  if [ ! -e /tmp/.X11-unix/X$d ] && [ ! -e /tmp/.X$d-lock ]; then display=:$d; break; fi
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

OSTAN_REGISTRY=$reg "$program" >"$work/program.log" 2>&1 &
ostan=$!
pids+=($ostan)
wait_for ' cmd FF' 20 # the adapter reset that ends the start-up
sleep 1

# The user's way to the panel: Ctrl+D in the main window, the entry, OK.
main=$(xdotool search --sync --onlyvisible --name '^Ostan$' | head -1)
xdotool windowfocus --sync "$main"
xdotool key ctrl+d
dialog=$(xdotool search --sync --onlyvisible --name 'Выбор прибора' | head -1)
xdotool mousemove --window "$dialog" 40 32 click 1
sleep 0.3
xdotool mousemove --window "$dialog" 365 306 click 1
wait_for ' cmd 04 ' 10

# 72 packets every 25 ms: 288 bytes, 11,520 a second.
packets=
for i in $(seq 0 71); do
  v=$(((i * 7) % 251))
  printf -v p '5F80%02X%02X' $v $((0x80 ^ v))
  packets+=$p
done
cpu_ticks() { awk '{print $14 + $15}' "/proc/$ostan/stat"; }
stats() { # prints "sent dropped unread" once the emulator answers
  local before
  before=$(grep -c ' stats ' "$work/emulator.log" || true)
  echo stats >&3
  for _ in $(seq 50); do
    [ "$(grep -c ' stats ' "$work/emulator.log" || true)" -gt "$before" ] && break
    sleep 0.1
  done
  grep ' stats ' "$work/emulator.log" | tail -1 | awk '{print $4, $6, $8}'
}

read -r sent0 dropped0 unread0 < <(stats)
echo "stream raw 25 $packets" >&3
t0=$EPOCHREALTIME
cpu0=$(cpu_ticks)
sleep "$seconds"
cpu1=$(cpu_ticks)
t1=$EPOCHREALTIME
if [ -n "${OSTAN_BENCH_SCREENSHOT:-}" ]; then
  import -window root "$OSTAN_BENCH_SCREENSHOT"
fi
echo "stream off" >&3
sleep 0.5
read -r sent1 dropped1 unread1 < <(stats)

hz=$(getconf CLK_TCK)
awk -v t0="$t0" -v t1="$t1" -v c0="$cpu0" -v c1="$cpu1" -v hz="$hz" \
    -v s0="$sent0" -v s1="$sent1" -v d0="$dropped0" -v d1="$dropped1" -v u0="$unread0" -v u1="$unread1" '
  $2 == "cmd" && $3 == "08" && $1 >= t0 && $1 <= t1 {
    if (n > 0) { gap = $1 - last; sum += gap; if (gap > max) max = gap }
    last = $1; n++
  }
  END {
    elapsed = t1 - t0
    written = (s1 + d1) - (s0 + d0)
    read = (s1 - u1) - (s0 - u0)
    printf "line rate: %.0f s of KARN-7 packets at %.0f bytes/s\n", elapsed, written / elapsed
    printf "  CPU: %.1f %% of one core\n", 100 * (c1 - c0) / hz / elapsed
    printf "  bytes written %d, read %d (%.2f %%), dropped by the line %d\n", written, read, 100 * read / written, d1 - d0
    if (n > 1)
      printf "  500 ms timer: %d commands, mean period %.0f ms, longest gap %.0f ms\n", n, 1000 * sum / (n - 1), 1000 * max
    else
      printf "  500 ms timer: %d commands on the wire\n", n
  }' "$work/emulator.log"

kill -TERM "$ostan" 2>/dev/null || true
