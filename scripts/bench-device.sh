#!/usr/bin/env bash
# The whole program with a device streaming at the adapter's full line rate
# (115200 bit/s, ten bits a byte) and its panel shown, the device chosen in
# the device dialog as a user chooses it:
#
#   bench-device.sh [BUILD] [DEVICE] [SECONDS]     (defaults: build PIP_KARN7 20)
#
# Prints the program's share of one core, the bytes the adapter wrote against
# the bytes the program read, and, for a panel whose timer puts a command on
# the wire (the adapter's automatic switching kept off), that timer's period.
# The select command's payload shows which library the dialog chose (its
# lengths), so a run whose typed caption went astray stands out.
# BENCH_SECONDS sets the time too; OSTAN_PROGRAM runs another build of ostan
# (its Plugins beside it) against this build's emulator; BENCH_SCREENSHOT=FILE
# keeps the screen as the stream ends; BENCH_LOG=1 opens the traffic log
# window first.
set -euo pipefail
. "$(dirname "$0")/session.sh"
device=${2:-PIP_KARN7}
seconds=${3:-${BENCH_SECONDS:-20}}
session_begin bench-device "${1:-build}"
session_xvfb
session_emulator "$device" --stream-on-select line
session_program
session_choose "$device"
[ "${BENCH_LOG:-0}" = 0 ] || session_open_log
sleep 2 # the panel is up and the stream has settled

read -r sent0 dropped0 unread0 < <(session_stats)
t0=$EPOCHREALTIME
cpu0=$(session_cpu_ticks)
sleep "$seconds"
cpu1=$(session_cpu_ticks)
t1=$EPOCHREALTIME
[ -z "${BENCH_SCREENSHOT:-}" ] || import -window root "$BENCH_SCREENSHOT"
read -r sent1 dropped1 unread1 < <(session_stats)

hz=$(getconf CLK_TCK)
awk -v dev="$device" -v logwin="${BENCH_LOG:-0}" -v t0="$t0" -v t1="$t1" -v c0="$cpu0" -v c1="$cpu1" -v hz="$hz" \
    -v s0="$sent0" -v s1="$sent1" -v d0="$dropped0" -v d1="$dropped1" -v u0="$unread0" -v u1="$unread1" '
  $2 == "cmd" && $3 == "04" { selected = $0; sub(/^[^ ]+ cmd 04 ?/, "", selected) }
  $2 == "cmd" && $3 == "08" && $1 >= t0 && $1 <= t1 {
    if (n > 0) { gap = $1 - last; sum += gap; if (gap > max) max = gap }
    last = $1; n++
  }
  END {
    elapsed = t1 - t0
    written = (s1 + d1) - (s0 + d0)
    read = (s1 - u1) - (s0 - u0)
    printf "%s at the line rate for %.0f s, its panel shown, the log window %s: %.0f bytes/s\n", dev, elapsed, logwin != "0" ? "open" : "closed", written / elapsed
    printf "  CPU: %.1f %% of one core\n", 100 * (c1 - c0) / hz / elapsed
    printf "  the program selected the device with: %s\n", selected
    printf "  bytes written %d, read %d (%.2f %%), %d waiting at the end, dropped by the line %d\n",
           written, read, written ? 100 * read / written : 100, u1, d1 - d0
    if (n > 1)
      printf "  panel timer: %d commands, mean period %.0f ms, longest gap %.0f ms\n", n, 1000 * sum / (n - 1), 1000 * max
    else if (n == 1)
      printf "  panel timer: 1 command on the wire\n"
  }' "$work/emulator.log"
