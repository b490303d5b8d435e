// One line per emulated device: its library name, whose file
// devices/<Library>.cpp declares it with ADAPTEREMU_DEVICE.
ADAPTEREMU_DEVICE_ENTRY(PIP_KARN7)
ADAPTEREMU_DEVICE_ENTRY(MOLT2)
ADAPTEREMU_DEVICE_ENTRY(TIRA5)
ADAPTEREMU_DEVICE_ENTRY(SEVO1)
