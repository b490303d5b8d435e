#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (the two
# independent workbook readers among them). Idempotent: asks apt
# only for what is missing, and runs apt-get update only then.
set -euo pipefail

packages=(
  g++ cmake ninja-build make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libjpeg62-turbo-dev libzip-dev libpugixml-dev libasound2-dev
  xvfb xauth xdotool fonts-dejavu-core
  fonts-dejavu-extra # the condensed face of the panels' tightest captions
  x11vnc # `make run` without a display: the Xvfb screen over VNC on localhost
  fonts-liberation2 # the metrics of the fonts the windows name (Times New Roman, Arial)
  python3-openpyxl libreoffice-calc-nogui
  qt6-translations-l10n # Qt's own dialogs and buttons in Russian
  dpkg-dev fakeroot lintian desktop-file-utils appstream # `make package` and the test of the package
)
# `bootstrap.sh fuzz`: also the compiler and runtimes of `make fuzz`.
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-dev)
fi
# `bootstrap.sh bench`: also the tracer that counts the start-up's writes of the store.
if [ "${1:-}" = bench ]; then
  packages+=(strace)
fi
# `bootstrap.sh screenshots`: also the tool that grabs a window.
if [ "${1:-}" = screenshots ]; then
  packages+=(imagemagick)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
SUDO=
if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
