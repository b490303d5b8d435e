#!/usr/bin/env bash
# Prints a settings store that points the program at the adapter emulator on
# COM7 at 115200 baud, sound off, cable type 4. $1: automatic device
# selection, 1 (default) or 0.
set -euo pipefail
printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Vantrel\Ostan\Settings]' \
  '"Port"=dword:00000007' \
  '"PortSpeed"=dword:0000000d' \
  '"Sound"=dword:00000000' \
  "\"AutoSelectPlugin\"=dword:0000000${1:-1}" \
  '"BLSPinCount"=dword:00000004'
