#!/usr/bin/env bash
# `make run` as a newcomer meets it: scripts/run.sh with the real program and
# the real emulator, on a machine without a display.
#
#   RunScriptTest.sh headless BUILD   TIRA5 is chosen by itself, the screen is
#                                     served over VNC on localhost, Ctrl+C ends
#                                     the program with its settings saved
#   RunScriptTest.sh mistyped BUILD   an unknown DEVICE stops at once, names the
#                                     devices and starts no program
set -euo pipefail
case=$1
build=$(cd "$2" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
run=$work/run
mkdir -p "$run"
script=
cleanup() {
  if [ -n "$script" ] && kill -0 "$script" 2>/dev/null; then
    kill -TERM "$script" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$script" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  sed 's/^/  | /' "$work/out" 2>/dev/null || true
  exit 1
}
# Waits up to $2 seconds for the file $1 to hold the pattern $3.
wait_for() {
  for _ in $(seq $(($2 * 10))); do grep -Eq -- "$3" "$1" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

# Waits up to $1 seconds for the script to end; its exit status in $rc.
wait_end() {
  for _ in $(seq $(($1 * 10))); do kill -0 "$script" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$script" 2>/dev/null && fail "$2"
  rc=0
  wait "$script" || rc=$?
  script=
}

# As from a terminal without a display: the script leads its own process
# group, which is what Ctrl+C signals, and takes SIGINT as a foreground job
# does (a background job of this shell would ignore it).
start_run() {
  mkdir -p "$work/home"
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME \
    -u XDG_STATE_HOME HOME="$work/home" OSTAN_RUN_DIR="$run" DEVICE="$1" \
    python3 -c 'import os, signal, sys
signal.signal(signal.SIGINT, signal.SIG_DFL)
os.setsid()
os.execvp("bash", ["bash"] + sys.argv[1:])' "$root/scripts/run.sh" "$build" >"$work/out" 2>&1 </dev/null &
  script=$!
}

case $case in
headless)
  start_run TIRA5

  # The address as viewers take it: host::port (a single colon is a display).
  wait_for "$work/out" 60 'VNC viewer at localhost::[0-9]+' || fail "no VNC address printed"
  port=$(grep -Eo 'localhost::[0-9]+' "$work/out" | head -1 | cut -d: -f3)
  banner=$(timeout 10 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port; head -c 4 <&3") || true
  [ "$banner" = RFB ] || [ "$banner" = "RFB " ] || fail "no VNC server on localhost:$port (got '$banner')"
  if ss -ltnH "sport = :$port" | grep -Eqv '127\.0\.0\.1:|\[::1\]:'; then
    fail "the VNC port listens beyond localhost: $(ss -ltnH "sport = :$port")"
  fi
  display=:$(cat "$run/display")

  # The meter's device-ID frame alone chose its library.
  wait_for "$run/emulator.log" 60 '^cmd 04 payload 03 03' || fail "TIRA5 was not selected by itself"
  window=$(DISPLAY=$display timeout 10 xdotool search --sync --onlyvisible --name '^Ostan$' | head -1) ||
    fail "no Ostan window on $display"
  grep -q '^cmd 08' "$work/out" && fail "the emulator's log fills the terminal"

  # The file dialog keeps its state (written as the program ends) in the
  # run's folder, not in the user's.
  DISPLAY=$display xdotool windowfocus --sync "$window" key ctrl+o
  dialog=
  for _ in $(seq 100); do
    dialog=$(DISPLAY=$display xdotool search --onlyvisible --name . 2>/dev/null | grep -vx "$window" | head -1) || true
    [ -n "$dialog" ] && break
    sleep 0.1
  done
  [ -n "$dialog" ] || fail "no file dialog after Ctrl+O"
  DISPLAY=$display xdotool windowfocus --sync "$dialog" key Escape

  # Ctrl+C: the program closes as its window does, writing its settings
  # (the live port among them), then Xvfb ends.
  sed -i 's/^"Port"=dword:00000007$/"Port"=dword:00000000/' "$run/registry.reg"
  grep -q '^"Port"=dword:00000000$' "$run/registry.reg" || fail "no port in the store: $(cat "$run/registry.reg")"
  kill -INT -- -"$script"
  wait_end 30 "still running 30 s after Ctrl+C"
  [ "$rc" -eq 130 ] || fail "exit status $rc after Ctrl+C, 130 wanted"
  grep -q '^"Port"=dword:00000007$' "$run/registry.reg" || fail "the settings were not saved: $(cat "$run/registry.reg")"
  grep -qi 'X11 connection\|XIO' "$work/out" && fail "the display ended before the program"
  [ -e "/tmp/.X11-unix/X${display#:}" ] && fail "Xvfb still runs"
  timeout 2 bash -c "exec 3<>/dev/tcp/127.0.0.1/$port" 2>/dev/null && fail "VNC still serves localhost:$port"
  grep -q FileDialog "$run/config/QtProject.conf" 2>/dev/null || fail "the file dialog's state is not in $run/config"
  [ -z "$(ls -A "$work/home")" ] || fail "written to the user's home: $(cd "$work/home" && find . -mindepth 1)"
  ;;
mistyped)
  start_run KARN7
  wait_end 10 "still running 10 s after a mistyped DEVICE"
  [ "$rc" -ne 0 ] || fail "exit status 0 for a mistyped DEVICE"
  for name in PIP_KARN7 PIP_KARN7E_8 MOLT2old TIRA5 TIRA4; do
    grep -q "$name" "$work/out" || fail "the valid devices are not named ($name missing)"
  done
  grep -q 'playing' "$work/out" && fail "claims an emulator plays"
  # A program that ran would have registered its libraries in the store.
  if grep -q 'HKEY_CLASSES_ROOT' "$run/registry.reg" 2>/dev/null; then fail "the program was started"; fi
  ;;
*)
  echo "usage: $0 headless|mistyped BUILD" >&2
  exit 2
  ;;
esac
echo "PASS: $case"
