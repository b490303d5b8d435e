#pragma once
// The panels of the analyser command set as the program drives them (on top
// of TPanelFixture): their value fields and flag labels read in a fixed
// order, their three spins typed into, and the bytes each button sends.
#include "Beep.h"
#include "PanelTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <vector>

namespace ostan::test {

class TAnalyserPanelFixture : public TPanelFixture {
protected:
    // Fields and FlagLabels: the order Texts and Flags give them in.
    TAnalyserPanelFixture(const char* LibraryFile, const char* ProgID, int PacketLength,
                          std::vector<const char*> Fields, std::vector<const char*> FlagLabels)
        : TPanelFixture(LibraryFile, ProgID, {800, 500}), PacketLength(PacketLength), Fields(std::move(Fields)),
          FlagLabels(std::move(FlagLabels))
    {
    }

    // Activated with its trend of two series, the events so far taken.
    void Activate()
    {
        TPanelFixture::Activate(PacketLength, 3);
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 2);
        TakeEvents();
    }
    QStringList Texts() const
    {
        QStringList T;
        for (const char* F : Fields)
            T << Text(F);
        return T;
    }
    // See TPanelFixture::FlagState.
    std::string Flags() const
    {
        std::string S;
        for (const char* Name : FlagLabels)
            S += FlagState(Find<QLabel>(Name));
        return S;
    }

    // A click on Button with the spins' texts C п.г.с., C откл., C сигн.:
    // the commands it sends and the beeps it gives.
    struct TButtonCase {
        const char* Button;
        const char* Spin1;
        const char* Spin2;
        const char* Spin3;
        QStringList Sent;
        int Beeps = 0;
    };
    void ExpectButtons(std::span<const TButtonCase> Cases)
    {
        for (const TButtonCase& C : Cases) {
            SCOPED_TRACE(std::string(C.Button) + " " + C.Spin1 + " " + C.Spin2 + " " + C.Spin3);
            Find<QLineEdit>("NumSpin1")->setText(QString::fromUtf8(C.Spin1));
            Find<QLineEdit>("NumSpin2")->setText(QString::fromUtf8(C.Spin2));
            Find<QLineEdit>("NumSpin3")->setText(QString::fromUtf8(C.Spin3));
            BeepRecorder Beeps;
            Find<QPushButton>(C.Button)->click();
            EXPECT_EQ(TakeEvents(), C.Sent);
            EXPECT_EQ(int(Beeps.MessageBeeps.size()), C.Beeps);
        }
    }

    const int PacketLength;
    const std::vector<const char*> Fields;
    const std::vector<const char*> FlagLabels;
};

} // namespace ostan::test
