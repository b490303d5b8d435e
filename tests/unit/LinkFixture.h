#pragma once
// A link wired to fakes, with the box and beep recorders installed.
#include "AdapterLink.h"
#include "Beep.h"
#include "LinkFakes.h"
#include "MessageBox.h"

#include <gtest/gtest.h>

namespace ostan::fakes {

class LinkTest : public ::testing::Test {
protected:
    LinkTest() { Host.Link = &Link; }

    // One receive event carrying B.
    void Feed(const Bytes& B)
    {
        Port.Queue(B);
        Link.VaComm1RxChar();
    }
    // An accepted init frame: the link is up and Synced; records cleared.
    void Sync(uint8_t Version = 27)
    {
        Feed({'s', Version, static_cast<uint8_t>('s' ^ Version)});
        Host.LogLines.clear();
        Host.ViewChanges = 0;
    }
    // A rejected frame: no longer Synced; records cleared.
    void Unsync()
    {
        Feed({'s', 0x1B, 0x00});
        Host.LogLine.clear();
    }
    // The link up and a device with Length-byte packets selected.
    void Select(int Length)
    {
        Sync();
        Link.SelectDevice(Length, 0x12);
        Port.Writes.clear();
    }
    static Bytes Status(uint8_t S) { return {'b', S, static_cast<uint8_t>('b' ^ S)}; }

    FakeClock Clock;
    FakePort Port;
    FakeTimer Timer{Clock};
    FakeHost Host;
    MessageBoxRecorder Boxes;
    BeepRecorder Beeps;
    TAdapterLink Link{Port, Timer, Host};
};

} // namespace ostan::fakes
