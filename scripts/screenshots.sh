#!/usr/bin/env bash
# `make screenshots`: the real program on its own X display with the adapter
# emulator playing each device in turn, chosen in the device dialog as a user
# chooses it. Writes BUILD/screenshots/DeviceDialog.png (the dialog with the
# device's entry selected, its pictures shown) and BUILD/screenshots/<Library>.png
# (the main window with the panel after a few seconds of packets).
#
#   screenshots.sh [BUILD] [LIBRARY...]      (default: every library in Plugins)
set -euo pipefail
. "$(dirname "$0")/session.sh"
build=${1:-build}
shift || true
out=$(mkdir -p "$build/screenshots" && cd "$build/screenshots" && pwd)
libraries=("$@")
if [ ${#libraries[@]} -eq 0 ]; then
  mapfile -t libraries < <(cd "$build/bin/Plugins" && ls *.so | sed 's/\.so$//')
fi
for lib in "${libraries[@]}"; do
  (
    session_begin screenshots "$build"
    session_xvfb
    session_emulator "$lib" --stream-on-select 200
    session_program
    session_select "$lib"
    [ "$lib" != "${libraries[0]}" ] || import -window "$dialog" "$out/DeviceDialog.png"
    xdotool key Return
    session_wait ' cmd 04 ' 10
    sleep 4
    import -window "$main_window" "$out/$lib.png"
    echo "$out/$lib.png"
  )
done
