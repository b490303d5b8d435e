#pragma once
// The panels of the analyser command set as the program drives them (on top
// of TPanelFixture): their value fields and flag labels read in a fixed
// order, packets fed in order with the texts, flags and trend points they
// leave, their three spins typed into, and the bytes each button sends.
#include "Beep.h"
#include "PanelTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <span>
#include <string>
#include <vector>

namespace ostan::test {

struct TPacketCase {
    const char* What;
    std::vector<uint8_t> Packet;
    bool Accepted;
    QStringList Texts;  // of the fixture's fields
    std::string Flags;  // of the fixture's flag labels
    double Left, Right; // the trend's last points
};

// A click on Button with the spins' texts C п.г.с., C откл., C сигн.: the
// commands it sends and the beeps it gives.
struct TButtonCase {
    const char* Button;
    const char* Spin1;
    const char* Spin2;
    const char* Spin3;
    QStringList Sent;
    int Beeps = 0;
};

// The buttons every library of the set has, with the spins at their ends,
// at ties, beyond their range and empty.
inline std::vector<TButtonCase> AnalyserButtonCases()
{
    return {
        {"BUvozd", "2,50", "5,00", "1,00", {"SendPacket 01 00 01"}},
        {"BUpgs", "2,50", "5,00", "1,00", {"SendPacket 02 00 02"}},
        {"BCpgs", "0,50", "5,00", "1,00", {"SendPacket 04 00 04"}},
        {"BCpgs", "2,50", "5,00", "1,00", {"SendPacket 04 C8 CC"}},
        {"BCpgs", "3,05", "5,00", "1,00", {"SendPacket 04 FF FB"}},
        {"BCpgs", "9,00", "5,00", "1,00", {"SendPacket 04 FF FB"}}, // typed past the range: its top
        {"BCpgs", "0,10", "5,00", "1,00", {"SendPacket 04 00 04"}}, // and below it: its bottom
        {"BCoff", "2,50", "0,01", "1,00", {"SendPacket 08 00 08"}},
        {"BCoff", "2,50", "0,03", "1,00", {"SendPacket 08 02 0A"}},
        {"BCoff", "2,50", "0,05", "1,00", {"SendPacket 08 02 0A"}},
        {"BCoff", "2,50", "1,09", "1,00", {"SendPacket 08 36 3E"}},
        {"BCoff", "2,50", "5,00", "1,00", {"SendPacket 08 FA F2"}},
        {"BCoff", "2,50", "5,10", "1,00", {"SendPacket 08 FF F7"}},
        {"BCalarm", "2,50", "5,00", "0,00", {"SendPacket 10 00 10"}},
        {"BCalarm", "2,50", "5,00", "1,00", {"SendPacket 10 64 74"}},
        {"BCalarm", "2,50", "5,00", "2,55", {"SendPacket 10 FF EF"}},
        {"BCoffCalarm", "2,50", "5,00", "1,00", {"SendPacket 08 FA F2", "SendPacket 10 64 74"}},
        {"BCoffCalarm", "2,50", "0,05", "2,55", {"SendPacket 08 02 0A", "SendPacket 10 FF EF"}},
        {"BSensOn", "2,50", "5,00", "1,00", {"SendPacket 20 04 24"}},
        {"BSoundTest", "2,50", "5,00", "1,00", {"SendPacket 20 01 21"}},
        {"BPumpTest", "2,50", "5,00", "1,00", {"SendPacket 20 02 22"}},
        // A value the user does not see is never sent.
        {"BCpgs", "", "5,00", "1,00", {}, 1},
        {"BCoffCalarm", "2,50", "", "1,00", {"SendPacket 10 64 74"}, 1},
        {"BCoffCalarm", "2,50", "5,00", "", {"SendPacket 08 FA F2"}, 1},
    };
}

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
    void Activate() { ActivateWithTrend(PacketLength, 3); }
    QStringList Texts() const { return FieldTexts(Fields); }
    // See TPanelFixture::FlagState.
    std::string Flags() const
    {
        std::string S;
        for (const char* Name : FlagLabels)
            S += FlagState(Find<QLabel>(Name));
        return S;
    }

    // Texts and flags persist from packet to packet, so the cases run in
    // order. Every accepted packet adds one point to each series.
    using TPanelFixture::Feed;
    void Feed(std::span<const TPacketCase> Cases)
    {
        for (const TPacketCase& C : Cases) {
            SCOPED_TRACE(C.What);
            Feed(C.Packet, C.Accepted, C.Left, C.Right);
            EXPECT_EQ(Texts(), C.Texts);
            EXPECT_EQ(Flags(), C.Flags);
        }
        // Packets send nothing.
        EXPECT_TRUE(TakeEvents().filter(QStringLiteral("SendPacket")).isEmpty());
    }

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

    // What the panel shows before its first packet: Title, empty value
    // fields, dark flags, the spins' start values, hidden pictures, the
    // anchored components (ChartView the trend's) and the trend; an
    // exported row holds only the date and time.
    void ExpectStartingState(const char* Title, const char* ChartView)
    {
        ExpectFreshPanel(Title, Fields);
        EXPECT_EQ(Flags(), std::string(FlagLabels.size(), '-'));
        EXPECT_EQ(Text("NumSpin1"), QStringLiteral("2,50"));
        EXPECT_EQ(Text("NumSpin2"), QStringLiteral("5,00"));
        EXPECT_EQ(Text("NumSpin3"), QStringLiteral("1,00"));

        // Anchored: the flags at the top right, the service buttons at the
        // bottom left, the trend filling the rest.
        EXPECT_EQ(Find<QWidget>("GroupBox3")->geometry().right(), Panel->width() - 1 - (523 - 519));
        EXPECT_EQ(Find<QWidget>("BSensOn")->geometry().bottom(), Panel->height() - 1 - (314 - 313));
        EXPECT_EQ(Find<QWidget>(ChartView)->geometry().bottomRight(), QPoint(Panel->width() - 1, Panel->height() - 1));

        ExpectAnalyserTrendSides();
        EXPECT_EQ(Chart->Series(0).Color, QColor(Qt::black));
        EXPECT_EQ(Chart->Series(1).Color, QColor(0, 128, 255));
        EXPECT_EQ(Chart->Series(0).Count(), Chart->Width() / 25);

        EXPECT_EQ(Columns(&IOstanPlugin::GetColumnValue).size(), 1);
    }

    // The exported header and row: the date and time, then the stored
    // values and the sensitivity (Values); nothing past them.
    void ExpectExport(const QStringList& Values) const
    {
        EXPECT_EQ(Columns(&IOstanPlugin::GetColumnCaption),
                  (QStringList{"Дата, время", "U возд., мВ", "U п.г.с., мВ", "С п.г.с., %", "Чувств. сенс., мВ/%",
                               "С откл., %", "С сигн., %"}));
        const QStringList Row = Columns(&IOstanPlugin::GetColumnValue);
        ASSERT_EQ(Row.size(), 7);
        EXPECT_TRUE(IsDateTimeText(Row[0])) << Row[0].toStdString();
        EXPECT_EQ(Row.mid(1), Values);
        ExpectNoColumns({7, 8, 100, -1});
    }

    const int PacketLength;
    const std::vector<const char*> Fields;
    const std::vector<const char*> FlagLabels;
};

} // namespace ostan::test
