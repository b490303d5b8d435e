#!/usr/bin/env bash
# `make run`: the adapter emulator on a pseudo-terminal, mapped into a
# private settings store, and the program connected to it. DEVICE names the
# device library the emulator plays (default PIP_KARN7).
set -euo pipefail
build=${1:-build}
bin=$build/bin
state=${OSTAN_RUN_DIR:-$build/run}
mkdir -p "$state"
export OSTAN_REGISTRY=${OSTAN_REGISTRY:-$(cd "$state" && pwd)/registry.reg}

# A first run gets settings that point at the emulator, so the program finds
# the adapter at once instead of asking (delete the file to see a first start).
. "$(dirname "$0")/emulator-settings.sh"
if [ ! -e "$OSTAN_REGISTRY" ]; then
  emulator_settings "$OSTAN_REGISTRY" 1
fi

"$bin/adapter-emulator" --port 7 --baud 115200 --firmware 27 --status-period 500 --stream-on-select 500 \
  --device "${DEVICE:-PIP_KARN7}" --no-stdin \
  >"$state/emulator.log" 2>&1 &
emu=$!
trap 'kill $emu 2>/dev/null || true' EXIT
for _ in $(seq 50); do grep -q '^ready' "$state/emulator.log" 2>/dev/null && break; sleep 0.1; done
echo "adapter emulator on COM7 playing ${DEVICE:-PIP_KARN7} (store: $OSTAN_REGISTRY, log: $state/emulator.log)"

if [ ! -x "$bin/ostan" ]; then
  echo "the program is not built yet; the emulator runs until Ctrl+C"
  wait $emu
  exit 0
fi

# What the program sends the adapter, as the emulator hears it.
tail -n +1 -f "$state/emulator.log" &
tailer=$!
trap 'kill $emu $tailer 2>/dev/null || true' EXIT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "no display: running under Xvfb (Ctrl+C ends it)"
  xvfb-run -a "$bin/ostan" || true
else
  "$bin/ostan" || true
fi
