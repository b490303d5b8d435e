#!/usr/bin/env bash
# File > Save onto a big workbook while a device streams at the adapter's
# full line rate, as a technician would: Ctrl+S, the book's name typed into
# the save dialog, Enter.
#
#   bench-save.sh BOOK [BUILD] [DEVICE]     (defaults: build MOLT2old)
#
# The book is copied first. Prints the bytes the adapter wrote against the
# bytes the program read, and the longest the port went unread from the
# dialog's Enter to the save's end: the most bytes found waiting (asked
# every 20 ms) over the line rate.
set -euo pipefail
. "$(dirname "$0")/session.sh"
book=$(realpath "$1")
device=${3:-MOLT2old}
session_begin bench-save "${2:-build}"
session_xvfb
session_emulator "$device" --stream-on-select line
session_program
session_choose "$device"
sleep 2
cp "$book" "$work/book.xlsx"
before=$(stat -c %Y.%s "$work/book.xlsx")
read -r sent0 dropped0 unread0 < <(session_stats)
xdotool windowfocus --sync "$main_window"
xdotool key ctrl+s
sleep 1.5
xdotool type --delay 5 "$work/book.xlsx"
t0=$EPOCHREALTIME # from the Enter that closes the dialog: the save's own gaps
xdotool key Return
# Asked without waiting for the answers, which the log keeps with their times.
for _ in $(seq 3000); do
  session_send stats
  sleep 0.02
  [ "$(stat -c %Y.%s "$work/book.xlsx")" = "$before" ] || break
done
for _ in $(seq 25); do session_send stats; sleep 0.02; done
t1=$EPOCHREALTIME
sleep 1
read -r sent1 dropped1 unread1 < <(session_stats)
awk -v t0="$t0" -v t1="$t1" -v s0="$sent0" -v s1="$sent1" -v d0="$dropped0" -v d1="$dropped1" -v u0="$unread0" -v u1="$unread1" '
  $2 == "stats" && $1 >= t0 && $1 <= t1 { if ($8 > max) max = $8 }
  END {
    written = (s1 + d1) - (s0 + d0)
    read = (s1 - u1) - (s0 - u0)
    printf "File > Save during %.1f s of streaming: bytes written %d, read %d (%.2f %%), dropped by the line %d\n",
           t1 - t0, written, read, written ? 100 * read / written : 100, d1 - d0
    printf "  most bytes waiting unread: %d, the longest gap between receive events about %.0f ms\n", max, 1000 * max / 11520
  }' "$work/emulator.log"
[ "$(stat -c %Y.%s "$work/book.xlsx")" != "$before" ] || echo "  the book was not saved" >&2
