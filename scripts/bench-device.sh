#!/usr/bin/env bash
# The whole program with a device streaming at the full line rate and its
# panel shown: the program's share of one core, and the bytes it read
# against the bytes the adapter wrote.
#
#   bench-device.sh [BUILD] [DEVICE] [SECONDS]     (defaults: build PIP_KARN7 20)
#
# The program runs on its own X display (Xvfb); the device is chosen in the
# device dialog as a user chooses it (keys through xdotool); the adapter
# emulator streams the device's packets back to back at 115200 bit/s.
set -euo pipefail
build=${1:-build}
device=${2:-PIP_KARN7}
seconds=${3:-${BENCH_SECONDS:-20}}
root=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$build/bin" && pwd)

# The caption the dialog lists: the first text of the library's profile.
caption=$(sed -n '/PluginProfile Profile{/,/}/p' "$root/plugins/$device/Profile.h" | grep -o '"[^"]*"' | head -1 | tr -d '"')
[ -n "$caption" ] || { echo "bench-device: no profile caption for $device" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(cat "$work/display")

export OSTAN_REGISTRY=$work/registry.reg
. "$root/scripts/emulator-settings.sh"
emulator_settings "$OSTAN_REGISTRY" 0

mkfifo "$work/control"
exec 3<>"$work/control"
"$bin/adapter-emulator" --port 7 --baud 115200 --firmware 27 --status-period 500 \
  --stream-on-select line --device "$device" <&3 >"$work/emulator.log" 2>&1 &
pids+=($!)
wait_line() { # PATTERN SECONDS
  for _ in $(seq $(($2 * 10))); do grep -q "$1" "$work/emulator.log" && return 0; sleep 0.1; done
  echo "bench-device: no \"$1\" from the emulator" >&2
  cat "$work/emulator.log" >&2
  exit 1
}
wait_line '^ready' 5

"$bin/ostan" >"$work/ostan.log" 2>&1 &
ostan=$!
pids+=($ostan)
wait_line '^cmd FF' 15 # probed and reset: the link is up
sleep 1

# Enter presses the window's default button, the device choice; typing the
# caption selects its entry, Enter is OK.
for w in $(xdotool search --name '^Ostan$'); do xdotool windowfocus "$w" 2>/dev/null || true; done
xdotool key Return
sleep 1.5
xdotool type --delay 30 "$caption"
xdotool key Return
wait_line '^cmd 04' 10
sleep 2 # the panel is up and the stream has settled

ticks() { awk '{print $14 + $15}' "/proc/$ostan/stat"; }
stats() { # prints "sent dropped unread"
  local before
  before=$(grep -c '^stats' "$work/emulator.log" || true)
  echo stats >&3
  for _ in $(seq 50); do
    [ "$(grep -c '^stats' "$work/emulator.log" || true)" -gt "$before" ] && break
    sleep 0.05
  done
  grep '^stats' "$work/emulator.log" | tail -1 | awk '{print $3, $5, $7}'
}

read -r sent0 dropped0 unread0 <<<"$(stats)"
cpu0=$(ticks)
start=$(date +%s.%N)
sleep "$seconds"
cpu1=$(ticks)
end=$(date +%s.%N)
read -r sent1 dropped1 unread1 <<<"$(stats)"

hz=$(getconf CLK_TCK)
awk -v d="$device" -v c0="$cpu0" -v c1="$cpu1" -v hz="$hz" -v t0="$start" -v t1="$end" \
    -v s0="$sent0" -v s1="$sent1" -v u0="$unread0" -v u1="$unread1" -v x0="$dropped0" -v x1="$dropped1" 'BEGIN {
  t = t1 - t0
  written = s1 - s0
  read = written - (u1 - u0)
  printf "%s at the line rate for %.1f s, panel shown:\n", d, t
  printf "  program CPU: %.1f %% of one core\n", 100 * (c1 - c0) / hz / t
  printf "  adapter wrote %d bytes (%.0f B/s), the program read %d (%.2f %%), %d not yet read, %d dropped\n",
         written, written / t, read, written ? 100 * read / written : 100, u1, x1 - x0
}'
kill "$ostan" 2>/dev/null || true
