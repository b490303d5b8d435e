// The meters SEVO-1 and TIRA5.3: the packet and commands of TIRA5, with a
// sensor of their own calibration.
#include "Devices.h"
#include "devices/TIRA5.h"

namespace adapteremu {

namespace {

QByteArray Sevo1Stream(int Step) { return Tira5MeterStream(Step, 20.0, 310.0); }

} // namespace

} // namespace adapteremu

ADAPTEREMU_DEVICE(SEVO1, Instrument, &Sevo1Stream, &Tira5Command);
