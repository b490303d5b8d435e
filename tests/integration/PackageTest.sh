#!/usr/bin/env bash
# The Debian package as a workshop gets it: made by cpack from the built tree
# (into a scratch folder), unpacked with dpkg -x, nothing installed into the
# machine. The unpacked program runs against the unpacked emulator on an
# Xvfb screen: it finds and registers its device libraries, a meter is
# chosen, the help opens. Then the checkers the package must pass, where
# they are installed.
#
#   PackageTest.sh BUILD [sanitized]
set -euo pipefail
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/../.." && pwd)
skip() { echo "SKIP: $*"; exit 77; }
[ "${2:-}" = sanitized ] && skip "a sanitized build is not one to ship: the package is tested in the release build"
for tool in cpack dpkg-deb dpkg-shlibdeps Xvfb xdotool; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/bootstrap.sh installs it)"
done

work=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do
    kill -TERM "$p" 2>/dev/null || true
    for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$p" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for f in "$work"/*.log; do [ -e "$f" ] && { echo "== $f"; sed 's/^/  | /' "$f" | tail -40; }; done
  exit 1
}
wait_for() { # FILE SECONDS PATTERN
  for _ in $(seq $(($2 * 10))); do grep -Eq -- "$3" "$1" 2>/dev/null && return 0; sleep 0.1; done
  return 1
}

# The package, made apart from `make package`'s own output.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/pkg" >"$work/cpack.log" 2>&1 || fail "cpack failed"
deb=$(ls "$work"/pkg/ostan_*.deb)
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt in the found dependencies: $(dpkg-deb -f "$deb" Depends)"
# Every file under /usr, none in /usr/local.
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -Ev '^\./$|^\./usr/$|^\./usr/(bin|lib|share)/' || true)
[ -z "$outside" ] || fail "files outside the layout: $outside"
dpkg -x "$deb" "$work/root"
r=$work/root
lib=$(ls -d "$r"/usr/lib/*/ostan 2>/dev/null || ls -d "$r"/usr/lib/ostan)
[ "$(ls "$lib"/Plugins/*.so | wc -l)" -eq 11 ] || fail "not the eleven device libraries in $lib/Plugins"
[ -f "$r/usr/share/ostan/Ostan.hlp" ] || fail "no help file in /usr/share/ostan"
[ -f "$r/usr/share/doc/ostan/copyright" ] || fail "no copyright file"
# The unpacked files find each other by relative paths, never the build tree.
if readelf -d "$r/usr/bin/ostan" "$lib/adapter-emulator" "$lib"/Plugins/*.so | grep -F "$build"; then
  fail "a run path into the build tree"
fi

# The emulator plays the TIRA5 meter, which the program chooses by itself.
export OSTAN_REGISTRY=$work/registry.reg
. "$root/scripts/emulator-store.sh"
emulator_store "$OSTAN_REGISTRY" 1
env -u LD_LIBRARY_PATH "$lib/adapter-emulator" --port 7 --baud 115200 --firmware 27 --status-period 500 \
  --stream-on-select 500 --device TIRA5 --no-stdin >"$work/emulator.log" 2>&1 </dev/null &
pids+=($!)
wait_for "$work/emulator.log" 30 '^ready' || fail "the unpacked emulator did not start"

Xvfb -displayfd 5 -screen 0 1280x800x24 -nolisten tcp 5>"$work/display" >"$work/xvfb.log" 2>&1 </dev/null &
pids=("$!" "${pids[@]}")
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

env -u LD_LIBRARY_PATH -u QT_QPA_PLATFORM -u QT_PLUGIN_PATH "$r/usr/bin/ostan" >"$work/ostan.log" 2>&1 </dev/null &
ostan=$!
pids=("$ostan" "${pids[@]}")
wait_for "$work/emulator.log" 90 '^cmd 04 payload 03 03' || fail "the meter was not chosen"
# The libraries were registered from where they were unpacked.
grep -qF "$lib/Plugins/" "$OSTAN_REGISTRY" || fail "no library registered from $lib/Plugins"
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Ostan$' | head -1) || fail "no Ostan window"
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
xdotool key --window "$window" F1
timeout 20 xdotool search --sync --onlyvisible --name '^Ostan - справка$' >/dev/null || fail "F1 opened no help"
kill -TERM "$ostan"
for _ in $(seq 300); do kill -0 "$ostan" 2>/dev/null || break; sleep 0.1; done
kill -0 "$ostan" 2>/dev/null && fail "the program did not end at SIGTERM"
rc=0
wait "$ostan" || rc=$?
[ "$rc" -eq 0 ] || fail "the program ended with $rc"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$r"/usr/share/applications/*.desktop >"$work/desktop.log" 2>&1 || fail "desktop-file-validate"
else echo "desktop-file-validate is not installed: not run"; fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$r"/usr/share/metainfo/*.metainfo.xml >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate"
else echo "appstreamcli is not installed: not run"; fi
if command -v lintian >/dev/null; then
  lintian --allow-root "$deb" >"$work/lintian.log" 2>&1 || true
  grep -q '^E:' "$work/lintian.log" && fail "lintian reports errors"
  sed 's/^/lintian: /' "$work/lintian.log"
else echo "lintian is not installed: not run"; fi
echo "PASS: package"
