#!/usr/bin/env bash
# The real program where the settings store or a workbook is no ordinary
# file: a FIFO, a link to /dev/zero, a folder, a lock another process holds,
# a link, a value name with a NUL, a read-only store. For each: what came (a
# box, an exit, or the program going on) and when, the peak resident size,
# how long SIGTERM took to end it, and whether the file is as it was.
#
#   special-files.sh [BUILD]      (XVFB_DISPLAY picks the display)
set -uo pipefail
. "$(dirname "$0")/session.sh"
session_begin special-files "${1:-build}"
session_xvfb

peak_kb() { awk '/^VmHWM:/ {print $2}' "/proc/$1/status" 2>/dev/null; }
boxes() { grep -ao 'box [0-9] .*' "$1" 2>/dev/null; }
since() { echo "$EPOCHREALTIME - $1" | bc; }
# SIGTERM to PID; prints how long it took to end (or "not ended").
terminate() {
  local t0=$EPOCHREALTIME _
  kill -TERM "$1" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || { printf '%.1f s' "$(since "$t0")"; return; }; sleep 0.05; done
  printf 'not ended in 5 s'
  kill -KILL "$1" 2>/dev/null
}

# The program alone with store STORE: a box, its end or 15 s going on.
alone() {
  local name=$1 st=$2 log=$work/alone.log pid t0 outcome=goes-on peak=0
  env OSTAN_REGISTRY="$st" OSTAN_TRACE_BOXES=1 OSTAN_SYSTEM_SERIAL_DEVICES= "$program" >"$log" 2>&1 &
  pid=$!
  t0=$EPOCHREALTIME
  while (( $(echo "$(since "$t0") < 15" | bc) )); do
    kill -0 $pid 2>/dev/null || { outcome=exit; break; }
    peak=$(peak_kb $pid || echo "$peak")
    boxes "$log" >/dev/null && { outcome=box; break; }
    sleep 0.1
  done
  printf '%-26s %-7s at %4.1f s, peak RSS %6s kB, SIGTERM: %s\n' "$name" "$outcome" "$(since "$t0")" "$peak" "$(terminate $pid)"
  wait $pid 2>/dev/null
  boxes "$log" | head -1 | sed 's/^/    /'
}
same() { [ "$1" = "$2" ] && echo "    left as it was" || echo "    CHANGED"; }

# A store the program has used once: settings and registrations.
session_emulator PIP_KARN7
session_program
terminate $ostan >/dev/null
used=$work/used.reg
cp "$store" "$used"

mkfifo "$work/fifo.reg"
alone "store is a FIFO" "$work/fifo.reg"; same "$(stat -c %F "$work/fifo.reg")" fifo
ln -s /dev/zero "$work/zero.reg"
alone "store links to /dev/zero" "$work/zero.reg"; same "$(stat -c %F%t%T /dev/zero; readlink "$work/zero.reg")" "$(printf 'character special file15\n/dev/zero')"
mkdir "$work/folder.reg"
alone "store is a folder" "$work/folder.reg"; same "$(stat -c %F "$work/folder.reg")" directory
printf 'Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan\\Settings]\n"Po\0rt"=dword:00000003\n' >"$work/nul.reg"
alone "value name with a NUL" "$work/nul.reg"; ls "$work" | grep '^nul' | tr '\n' ' ' | sed 's/^/    /'; echo
sed '/CLASSES_ROOT/,$d' "$used" >"$work/held.reg" # the start has to register
sum=$(md5sum <"$work/held.reg")
flock -o -x "$work/held.reg.lock" sleep 60 & holder=$!
sleep 0.3
alone "store lock held elsewhere" "$work/held.reg"; same "$(md5sum <"$work/held.reg")" "$sum"
kill $holder
cp "$used" "$work/ro.reg"; chmod 0444 "$work/ro.reg"; sum=$(md5sum <"$work/ro.reg")
alone "store 0444 (uid $(id -u))" "$work/ro.reg"; same "$(md5sum <"$work/ro.reg")" "$sum"

# With the adapter: the store a link; File > Save onto FIFOs; the end while
# another process holds the lock; a normal end through the link.
mkdir "$work/real"
cp "$used" "$work/real/store.reg"
rm "$store"
ln -s "$work/real/store.reg" "$store"
: >"$work/emulator.log" # session_program waits for this start's reset
session_program OSTAN_TRACE_BOXES=1
session_choose PIP_KARN7
save() {
  local n t0 _
  n=$(boxes "$work/program.log" | wc -l)
  xdotool windowfocus --sync "$main_window"
  xdotool key ctrl+s
  sleep 1.5
  xdotool key ctrl+a
  xdotool type --delay 5 "$1"
  xdotool key Return
  t0=$EPOCHREALTIME
  for _ in $(seq 150); do [ "$(boxes "$work/program.log" | wc -l)" -gt "$n" ] && break; sleep 0.1; done
  printf '%-26s box     after %4.1f s: %s\n' "save onto $(basename "$1")" "$(since "$t0")" "$(boxes "$work/program.log" | tail -1)"
  xdotool key Return
  sleep 0.5
}
mkfifo "$work/book.xlsx"
save "$work/book.xlsx"; same "$(stat -c %F "$work/book.xlsx")" fifo
mkfifo "$work/fifo"
ln -s "$work/fifo" "$work/linked.xlsx"
save "$work/linked.xlsx"; same "$(stat -c %F "$work/fifo"; readlink "$work/linked.xlsx")" "$(printf 'fifo\n%s' "$work/fifo")"
kill -0 $ostan && echo "    the program goes on; peak RSS $(peak_kb $ostan) kB"
sum=$(md5sum <"$work/real/store.reg")
flock -o -x "$work/real/store.reg.lock" sleep 60 & holder=$!
sleep 0.3
printf '%-26s SIGTERM: %s\n' "end with the lock held" "$(terminate $ostan)"
same "$(md5sum <"$work/real/store.reg")" "$sum"
kill $holder
sed --follow-symlinks -i 's/"Sound"=dword:0000000[01]/"Sound"=dword:00000002/' "$store"
: >"$work/emulator.log"
session_program
printf '%-26s SIGTERM: %s\n' "end through a linked store" "$(terminate $ostan)"
[ -L "$store" ] && echo "    still a link to $(readlink "$store"); $(grep -a Sound "$work/real/store.reg") (written back as 1)"
