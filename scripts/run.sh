#!/usr/bin/env bash
# `make run`: the adapter emulator on a pseudo-terminal, mapped into a
# private settings store, and the program connected to it. DEVICE names the
# device library the emulator plays (default PIP_KARN7).
#
# Without a display the program runs on a new Xvfb screen of its own
# (XVFB_DISPLAY, for instance :18, picks the number that new screen takes; it
# is not an existing display to use), served over VNC on localhost by x11vnc. Ctrl+C ends the program as its window's close does,
# so its closing steps run (the settings are saved); only then do the screen
# and the emulator end.
set -euo pipefail
build=${1:-build}
bin=$build/bin
state=${OSTAN_RUN_DIR:-$build/run}
device=${DEVICE:-PIP_KARN7}
mkdir -p "$state"
state=$(cd "$state" && pwd)
export OSTAN_REGISTRY=${OSTAN_REGISTRY:-$state/registry.reg}
# What the program and the tools keep in the user's folders (the file
# dialog's state, caches) stays in the run's folder, not in ~/.config.
export XDG_CONFIG_HOME=$state/config XDG_CACHE_HOME=$state/cache XDG_DATA_HOME=$state/data \
  XDG_STATE_HOME=$state/state

# Everything started here runs in a session of its own, so Ctrl+C reaches
# this script alone, which ends the others in order.
# $pids lists them in the order they end: the program, VNC, Xvfb, the
# emulator; each gets 20 s before it is killed.
pids=()
cleanup() {
  trap '' INT TERM HUP
  local p
  for p in "${pids[@]}"; do
    kill -TERM "$p" 2>/dev/null || true
    for _ in $(seq 200); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# A first run gets settings that point at the emulator, so the program finds
# the adapter at once instead of asking (delete the file to see a first start).
. "$(dirname "$0")/emulator-store.sh"
if [ ! -e "$OSTAN_REGISTRY" ]; then
  emulator_store "$OSTAN_REGISTRY" 1
fi

setsid "$bin/adapter-emulator" --port 7 --baud 115200 --firmware 27 --status-period 500 \
  --stream-on-select 500 --device "$device" --no-stdin >"$state/emulator.log" 2>&1 </dev/null &
emu=$!
pids=("$emu")
for _ in $(seq 100); do
  grep -q '^ready' "$state/emulator.log" 2>/dev/null && break
  kill -0 "$emu" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q '^ready' "$state/emulator.log" 2>/dev/null; then
  echo "make run: the adapter emulator did not start:" >&2
  sed 's/^/  /' "$state/emulator.log" >&2
  exit 2
fi
echo "adapter emulator on COM7 playing $device (store: $OSTAN_REGISTRY)"
echo "its log, every command the program sends it: $state/emulator.log (tail -f to follow)"

if [ ! -x "$bin/ostan" ]; then
  echo "the program is not built yet; the emulator runs until Ctrl+C"
  trap 'exit 0' INT
  wait "$emu"
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # Xvfb writes the display's number once it takes connections.
  rm -f "$state/display"
  setsid Xvfb ${XVFB_DISPLAY:-} -displayfd 5 -screen 0 1280x800x24 -nolisten tcp \
    5>"$state/display" >"$state/xvfb.log" 2>&1 </dev/null &
  xvfb=$!
  pids=("$xvfb" "${pids[@]}")
  for _ in $(seq 100); do
    [ -s "$state/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
  done
  [ -s "$state/display" ] || {
    echo "make run: Xvfb did not start:" >&2
    sed 's/^/  /' "$state/xvfb.log" >&2
    exit 2
  }
  export DISPLAY=:$(cat "$state/display")
  if command -v x11vnc >/dev/null; then
    setsid x11vnc -display "$DISPLAY" -localhost -forever -shared -nopw -quiet \
      >"$state/vnc.out" 2>"$state/vnc.log" </dev/null &
    pids=("$!" "${pids[@]}")
    echo "waiting for x11vnc to serve the screen..."
    for _ in $(seq 100); do grep -q '^PORT=' "$state/vnc.out" 2>/dev/null && break; sleep 0.1; done
    port=$(sed -n 's/^PORT=//p' "$state/vnc.out")
    if [ -n "$port" ]; then
      echo "no display: the program is on Xvfb $DISPLAY; see it with a VNC viewer at localhost::$port" \
        "(or, as a VNC display number, localhost:$((port - 5900)))"
    else
      echo "no display: the program is on Xvfb $DISPLAY; x11vnc did not start (see $state/vnc.log)"
    fi
  else
    echo "no display: the program is on Xvfb $DISPLAY (install x11vnc to see it over VNC)"
  fi
  echo "Ctrl+C ends it"
fi

# The program's own handler turns SIGTERM into the window's close.
setsid "$bin/ostan" </dev/null &
ostan=$!
pids=("$ostan" "${pids[@]}")
rc=0
wait "$ostan" || rc=$?
exit "$rc"
