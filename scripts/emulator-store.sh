# Sourced by the scripts that start the program against the adapter emulator.
# emulator_store FILE [AUTOSELECT] writes a settings store whose port is the
# emulator's COM7 at 115200 bit/s, sound off, cable ROD-4 and automatic
# device selection AUTOSELECT (1, the default, or 0), so that the program
# finds the adapter at once instead of asking.
emulator_store() {
  printf '%s\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_LOCAL_MACHINE\SOFTWARE\Vantrel\Ostan\Settings]' \
    '"Port"=dword:00000007' \
    '"PortSpeed"=dword:0000000d' \
    '"Sound"=dword:00000000' \
    "\"AutoSelectPlugin\"=dword:0000000${2:-1}" \
    '"BLSPinCount"=dword:00000004' >"$1"
}
