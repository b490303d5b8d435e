# Sourced by the scripts that drive the real program as a user would: its own
# X display (Xvfb), the adapter emulator on COM7 taking control lines from a
# FIFO, the program against it, keys and clicks through xdotool.
#
#   session_begin NAME BUILD     $root, $bin, $program ($OSTAN_PROGRAM or
#                                BUILD/bin/ostan), a work folder $work removed
#                                at exit with everything started here
#   session_xvfb                 a display of its own (XVFB_DISPLAY, for
#                                instance :18, picks its number); exports DISPLAY
#   session_emulator DEVICE ARG...  the emulator playing DEVICE (ARGs are its
#                                options), its store $store, every line it
#                                prints in $work/emulator.log with its arrival
#                                time; `session_send LINE` controls it
#   session_program [VAR=VALUE...]  the program with that environment; $ostan
#                                is its process, $work/program.log its output;
#                                returns once the adapter has been reset
#   session_choose DEVICE        Ctrl+D, the device's caption typed, Enter;
#                                returns once the adapter selected the device
#   session_open_log             opens the traffic log window "Отладка"
#   session_wait PATTERN SECONDS the emulator log shows PATTERN
#   session_stats                "sent dropped unread": bytes to the program
#   session_cpu_ticks            the program's CPU time in clock ticks
. "$(dirname "${BASH_SOURCE[0]}")/emulator-store.sh"

session_begin() {
  session_name=$1
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  bin=$(cd "$2/bin" && pwd)
  program=${OSTAN_PROGRAM:-$bin/ostan}
  for tool in Xvfb xdotool; do
    command -v $tool >/dev/null || session_fail "$tool missing (scripts/bootstrap.sh bench)"
  done
  work=$(mktemp -d)
  session_pids=()
  trap session_end EXIT
}

session_end() {
  exec 9>&- 2>/dev/null || true
  local p
  for p in "${session_pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}

session_fail() {
  echo "${session_name:-session}: $*" >&2
  exit 1
}

session_xvfb() {
  Xvfb ${XVFB_DISPLAY:-} -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 5>"$work/display" >/dev/null 2>&1 &
  session_pids+=($!)
  local _
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  [ -s "$work/display" ] || session_fail "Xvfb did not start"
  export DISPLAY=:$(cat "$work/display")
}

session_emulator() {
  local device=$1
  shift
  store=$work/registry.reg
  emulator_store "$store" 0
  mkfifo "$work/control"
  exec 9<>"$work/control"
  (echo $BASHPID >"$work/emulator.pid"
   exec "$bin/adapter-emulator" --port 7 --baud 115200 --firmware 27 --status-period 500 --registry "$store" \
     --device "$device" "$@" <"$work/control" 2>"$work/emulator.err" 9>&-) |
    while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$work/emulator.log" &
  session_pids+=($!)
  local _
  for _ in $(seq 50); do [ -s "$work/emulator.pid" ] && break; sleep 0.1; done
  session_pids+=("$(cat "$work/emulator.pid")")
  session_wait ' ready ' 5
}

session_send() { echo "$*" >&9; }

session_wait() {
  local _
  for _ in $(seq $(($2 * 10))); do grep -q -- "$1" "$work/emulator.log" && return 0; sleep 0.1; done
  cat "$work/emulator.err" >&2
  session_fail "no '$1' from the emulator"
}

session_program() {
  env OSTAN_REGISTRY="$store" "$@" "$program" >"$work/program.log" 2>&1 &
  ostan=$!
  session_pids+=($ostan)
  session_wait ' cmd FF' 20 # the adapter reset that ends the start-up
  main_window=$(xdotool search --sync --onlyvisible --name '^Ostan$' | head -1)
}

# The caption the device dialog lists: the first text of the library's profile.
device_caption() {
  local caption
  caption=$(sed -n '/PluginProfile Profile{/,/}/p' "$root/plugins/$1/Profile.h" 2>/dev/null | grep -o '"[^"]*"' | head -1 | tr -d '"')
  [ -n "$caption" ] || session_fail "no profile caption for $1"
  echo "$caption"
}

# The row of CAPTION in the device dialog's list.
device_row() {
  local lib captions=()
  for lib in "$(dirname "$program")"/Plugins/*.so; do
    lib=$(basename "$lib" .so)
    [ -f "$root/plugins/$lib/Profile.h" ] && captions+=("$(device_caption "$lib")")
  done
  python3 -c '
import sys
want, names = sys.argv[1], sorted(sys.argv[2:], key=str.casefold)
print(names.index(want))' "$1" "${captions[@]}" || session_fail "no row for $1 in the device list"
}

# Opens the device dialog (Ctrl+D) and selects DEVICE's entry; $dialog is
# the dialog's window.
session_select() {
  local caption row _
  caption=$(device_caption "$1")
  row=$(device_row "$caption")
  sleep 0.5
  xdotool windowfocus --sync "$main_window"
  xdotool key ctrl+d
  dialog=$(xdotool search --sync --onlyvisible --name '^Выбор прибора$' | head -1)
  # Keys typed before the dialog has the focus would be lost.
  for _ in $(seq 50); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$dialog" ] && break; sleep 0.1; done
  sleep 0.3
  # The list has the focus. A typed caption would select by prefix, and on a
  # busy machine the keyboard search restarts between two keys and lands on
  # another "Блок датчкика ..."; so the entry is reached by its row: Home
  # selects the first.
  xdotool key Home
  [ "$row" -eq 0 ] || xdotool key --delay 30 $(printf 'Down %.0s' $(seq "$row"))
  sleep 0.3
}

# DEVICE chosen in the device dialog as a user chooses it, OK pressed.
session_choose() {
  session_select "$1"
  xdotool key Return
  session_wait ' cmd 04 ' 10
}

# "Режим отладки" in the Управление menu: Alt+У opens it on "Поиск адаптера",
# two steps down pass "Сброс адаптера" and the disabled "Сброс КЗ".
# A busy machine may miss the menu: up to three tries.
session_open_log() {
  local _
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$main_window"
    xdotool key alt+Cyrillic_u
    sleep 1
    xdotool key Down Down Return
    timeout 10 xdotool search --sync --onlyvisible --name '^Отладка$' >/dev/null && return 0
    xdotool key Escape Escape
  done
  session_fail "the log window did not open"
}

session_stats() {
  local before _
  before=$(grep -c ' stats ' "$work/emulator.log" || true)
  session_send stats
  for _ in $(seq 50); do
    [ "$(grep -c ' stats ' "$work/emulator.log" || true)" -gt "$before" ] && break
    sleep 0.1
  done
  grep ' stats ' "$work/emulator.log" | tail -1 | awk '{print $4, $6, $8}'
}

session_cpu_ticks() { awk '{print $14 + $15}' "/proc/$ostan/stat"; }
