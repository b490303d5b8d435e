# Sourced by the scripts that start the program against the emulator:
# emulator_settings FILE AUTOSELECT writes a settings store whose port is the
# emulator's COM7 at 115200 bit/s, sound off, automatic selection AUTOSELECT
# (0 or 1), so the program finds the adapter at once instead of asking.
emulator_settings() {
  cat >"$1" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Vantrel\\Ostan\\Settings]
"Port"=dword:00000007
"PortSpeed"=dword:0000000d
"Sound"=dword:00000000
"AutoSelectPlugin"=dword:0000000$2
"BLSPinCount"=dword:00000004
REG
}
