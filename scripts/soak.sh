#!/usr/bin/env bash
# `make soak`: the real program for SOAK_MINUTES (60) with a device streaming
# at the adapter's full line rate, its panel and the traffic log window open,
# and File > Save into one workbook every minute, driven through the X server
# as a user drives it.
#
#   soak.sh [BUILD] [DEVICE]      (defaults: build MOLT2old, the longest packets)
#
# Passes when the resident memory sampled every minute grows after the
# warm-up (SOAK_WARMUP minutes, 10; at most the first half of the run) by
# less than SOAK_SLOPE_LIMIT kB an hour (256) as the least-squares slope of
# the samples from the warm-up's end on, every byte the adapter wrote was
# read, the workbook holds a row for every minute, every save said "Файл
# сохранен успешно." and no other box appeared. The workbook stays in
# BUILD/soak/.
set -euo pipefail
. "$(dirname "$0")/session.sh"
build=${1:-build}
device=${2:-MOLT2old}
minutes=${SOAK_MINUTES:-60}
warmup=${SOAK_WARMUP:-10}
[ "$warmup" -le $((minutes / 2)) ] || warmup=$((minutes / 2))
slope_limit=${SOAK_SLOPE_LIMIT:-256}
session_begin soak "$build"
[ -f "$bin/Plugins/$device.so" ] || session_fail "no $device library in $bin/Plugins"
mkdir -p "$build/soak"
workbook=$(cd "$build/soak" && pwd)/soak-$device.xlsx
rm -f "$workbook"

session_xvfb
session_emulator "$device" --stream-on-select line
session_program OSTAN_TRACE_BOXES=1
session_choose "$device"

session_open_log
boxes() { grep -c '^box ' "$work/program.log" || true; }
visible_ostan_windows() { xdotool search --onlyvisible --name '^Ostan$' 2>/dev/null | wc -l; }

# File > Save: the name typed into the dialog, Enter; the box that reports
# the save gets Enter too. Returns 1 when the box does not come.
save() {
  local before _
  before=$(boxes)
  xdotool windowfocus --sync "$main_window"
  xdotool key ctrl+s
  for _ in $(seq 100); do
    [ "$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)" -gt "$windows_idle" ] && break
    sleep 0.1
  done
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 5 "$workbook"
  xdotool key Return
  for _ in $(seq 200); do [ "$(boxes)" -gt "$before" ] && break; sleep 0.1; done
  [ "$(boxes)" -gt "$before" ] || return 1
  for _ in $(seq 50); do
    [ "$(visible_ostan_windows)" -gt 1 ] && break
    sleep 0.1
  done
  xdotool key Return
  for _ in $(seq 50); do
    [ "$(visible_ostan_windows)" -le 1 ] && return 0
    sleep 0.1
  done
  return 1
}
rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$ostan/status"; }

sleep 2
windows_idle=$(xdotool search --onlyvisible --name '' 2>/dev/null | wc -l)
read -r sent0 dropped0 unread0 < <(session_stats)
cpu0=$(session_cpu_ticks)
t0=$EPOCHREALTIME
start=$SECONDS
rss=("$(rss_kb)")
failed_saves=0
printf 'soak: %s at the line rate for %d min, log window open, a save a minute into %s\n' "$device" "$minutes" "$workbook"
printf '  minute  0: RSS %6d kB\n' "${rss[0]}"
for m in $(seq "$minutes"); do
  wait_s=$((start + m * 60 - SECONDS))
  [ $wait_s -le 0 ] || sleep $wait_s
  kill -0 "$ostan" 2>/dev/null || { echo "  the program ended at minute $m"; break; }
  saved=saved
  save || { saved="NOT SAVED"; failed_saves=$((failed_saves + 1)); }
  rss+=("$(rss_kb)")
  read -r sent dropped unread < <(session_stats)
  printf '  minute %2d: RSS %6d kB, %s, %d bytes written, %d waiting\n' "$m" "${rss[-1]}" "$saved" \
    $((sent + dropped - sent0 - dropped0)) "$unread"
done
alive=1
kill -0 "$ostan" 2>/dev/null || alive=0
cpu1=$([ $alive = 1 ] && session_cpu_ticks || echo "$cpu0")
t1=$EPOCHREALTIME
# The stream stops; whatever is still on its way must be read.
session_send stream off
sleep 2
read -r sent1 dropped1 unread1 < <(session_stats)

rows=$(/usr/bin/python3 - "$workbook" <<'PY'
import sys, openpyxl
try:
    sheet = openpyxl.load_workbook(sys.argv[1], read_only=True).active
    print(sum(1 for row in sheet.iter_rows(min_row=2, values_only=True) if row and row[0] not in (None, "")))
except Exception as e:
    print(-1)
PY
)
saved_boxes=$(grep -c '^box 0 Файл сохранен успешно\.$' "$work/program.log" || true)
other_boxes=$(grep '^box ' "$work/program.log" | grep -v '^box 0 Файл сохранен успешно\.$' || true)

hz=$(getconf CLK_TCK)
# Least-squares slope of RSS over the minutes from the warm-up's end on, in
# kB an hour: one step of a few pages is no trend, a steady leak is.
read -r slope samples < <(for m in "${!rss[@]}"; do [ "$m" -ge "$warmup" ] && echo "$m ${rss[$m]}"; done |
  awk '{ n++; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2 }
       END { d = n * sxx - sx * sx; printf "%.0f %d\n", (n >= 2 && d != 0) ? 60 * (n * sxy - sx * sy) / d : 0, n }')
written=$((sent1 + dropped1 - sent0 - dropped0))
# Read in the hour: what was written, plus what was still on its way at the
# start, less what is still waiting now.
read_bytes=$((written + unread0 - unread1))
verdict=PASS
fail() { verdict=FAIL; echo "  FAIL: $*"; }
awk -v c0="$cpu0" -v c1="$cpu1" -v hz="$hz" -v t0="$t0" -v t1="$t1" \
  'BEGIN { printf "  CPU: %.1f %% of one core over %.0f s\n", 100 * (c1 - c0) / hz / (t1 - t0), t1 - t0 }'
echo "  RSS: ${rss[0]} kB at the start, ${rss[$warmup]:-?} kB after the $warmup min warm-up, ${rss[-1]} kB at the end;" \
  "slope from minute $warmup on $slope kB/h over $samples samples (limit $slope_limit kB/h)"
echo "  bytes: written $written, read $read_bytes, waiting at the end $unread1, dropped by the line $((dropped1 - dropped0))"
echo "  workbook: $rows rows for $minutes minutes; $saved_boxes saves reported, $failed_saves not"
echo "  other boxes: ${other_boxes:-none}"
[ $alive = 1 ] || fail "the program ended"
[ "$samples" -ge 2 ] || fail "too few RSS samples after the warm-up"
[ "$slope" -lt "$slope_limit" ] || fail "RSS grew by $slope kB/h after the first $warmup minutes"
# Every byte written reached the program: none waits, none was lost.
[ "$unread1" -eq 0 ] && [ $((dropped1 - dropped0)) -eq 0 ] || fail "bytes left unread"
[ "$rows" -eq "$minutes" ] || fail "$rows rows, $minutes wanted"
[ "$saved_boxes" -eq "$minutes" ] && [ "$failed_saves" -eq 0 ] || fail "not every save reported success"
[ -z "$other_boxes" ] || fail "a box other than the save's"
echo "soak: $verdict"
[ $verdict = PASS ]
