#pragma once
// What the panel tests of the libraries of the analysers' command set share:
// packets fed in order with the texts, flags and trend points they leave,
// and the bytes each button sends with the spins at their ends and ties.
#include "Beep.h"
#include "PanelTestSupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace ostan::test {

// Packet P with bytes changed (numbered from 1) and its last byte set so
// that bytes 2 to the last XOR to 0.
inline std::vector<uint8_t> WithBytes(std::vector<uint8_t> P, std::initializer_list<std::pair<int, uint8_t>> Bytes)
{
    for (auto [N, B] : Bytes)
        P[size_t(N - 1)] = B;
    uint8_t X = 0;
    for (size_t i = 1; i + 1 < P.size(); ++i)
        X ^= P[i];
    P.back() = X;
    return P;
}

struct TPacketCase {
    const char* What;
    std::vector<uint8_t> Packet;
    bool Accepted;
    QStringList Texts;  // of the fixture's fields
    std::string Flags;  // of the fixture's flag labels
    double Left, Right; // the trend's last points
};

struct TButtonCase {
    const char* Button;
    const char* Spin1;
    const char* Spin2;
    const char* Spin3;
    QStringList Sent;
    int Beeps = 0;
};

// The buttons every library of the set has, with the spins (C п.г.с., C откл.,
// C сигн.) at their ends, at ties, beyond their range and empty.
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
    TAnalyserPanelFixture(const char* LibraryFile, const char* ProgID, std::vector<const char*> Fields,
                          std::vector<const char*> FlagLabels)
        : TPanelFixture(LibraryFile, ProgID, {800, 500}), FieldNames(std::move(Fields)), FlagNames(std::move(FlagLabels))
    {
    }

    void Activate(int32_t PacketLength)
    {
        TPanelFixture::Activate(PacketLength, 3);
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 2);
        TakeEvents();
    }
    QStringList Texts() const
    {
        QStringList T;
        for (const char* F : FieldNames)
            T << Text(F);
        return T;
    }
    std::string Flags() const
    {
        std::string S;
        for (const char* Name : FlagNames)
            S += FlagState(Find<QLabel>(Name));
        return S;
    }
    void SetSpins(const char* S1, const char* S2, const char* S3)
    {
        Find<QLineEdit>("NumSpin1")->setText(QString::fromLatin1(S1));
        Find<QLineEdit>("NumSpin2")->setText(QString::fromLatin1(S2));
        Find<QLineEdit>("NumSpin3")->setText(QString::fromLatin1(S3));
    }

    // Texts and flags persist from packet to packet, so the cases run in
    // order. Every accepted packet adds one point to each series.
    void Feed(std::span<const TPacketCase> Cases)
    {
        const int Points = Chart->Series(0).Count();
        for (const TPacketCase& C : Cases) {
            SCOPED_TRACE(C.What);
            const double LastX = Chart->Series(0).XValueLast();
            EXPECT_EQ(Plugin->ReceivePacket(TDynamicByteArray(C.Packet)), C.Accepted);
            EXPECT_EQ(Texts(), C.Texts);
            EXPECT_EQ(Flags(), C.Flags);
            for (int S = 0; S < 2; ++S) {
                EXPECT_EQ(Chart->Series(S).Count(), Points);
                EXPECT_EQ(Chart->Series(S).XValueLast(), C.Accepted ? LastX + 1 : LastX);
            }
            EXPECT_DOUBLE_EQ(Chart->Series(0).YValue(Points - 1), C.Left);
            EXPECT_DOUBLE_EQ(Chart->Series(1).YValue(Points - 1), C.Right);
        }
        // Packets send nothing.
        EXPECT_TRUE(TakeEvents().filter(QStringLiteral("SendPacket")).isEmpty());
    }

    void Click(std::span<const TButtonCase> Cases)
    {
        for (const TButtonCase& C : Cases) {
            SCOPED_TRACE(std::string(C.Button) + " " + C.Spin1 + " " + C.Spin2 + " " + C.Spin3);
            SetSpins(C.Spin1, C.Spin2, C.Spin3);
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
    void ExpectStartingState(const char* Title, const char* ChartView) const
    {
        EXPECT_EQ(Panel->windowTitle(), QString::fromUtf8(Title));
        EXPECT_EQ(Panel->minimumSize(), QSize(531, 348));
        for (const char* F : FieldNames) {
            EXPECT_TRUE(Text(F).isEmpty()) << F;
            EXPECT_TRUE(Find<QLineEdit>(F)->isReadOnly()) << F;
            EXPECT_EQ(Find<QLineEdit>(F)->focusPolicy(), Qt::ClickFocus) << F;
        }
        EXPECT_EQ(Flags(), std::string(FlagNames.size(), '-'));
        EXPECT_EQ(Text("NumSpin1"), QStringLiteral("2,50"));
        EXPECT_EQ(Text("NumSpin2"), QStringLiteral("5,00"));
        EXPECT_EQ(Text("NumSpin3"), QStringLiteral("1,00"));
        for (const char* Image : {"MainImage", "ConnectionBLD4", "ConnectionBLD5"})
            EXPECT_FALSE(Find<QWidget>(Image)->isVisible()) << Image;

        // Anchored: the flags at the top right, the service buttons at the
        // bottom left, the trend filling the rest.
        EXPECT_EQ(Find<QWidget>("GroupBox3")->geometry().right(), Panel->width() - 1 - (523 - 519));
        EXPECT_EQ(Find<QWidget>("BSensOn")->geometry().bottom(), Panel->height() - 1 - (314 - 313));
        EXPECT_EQ(Find<QWidget>(ChartView)->geometry().bottomRight(), QPoint(Panel->width() - 1, Panel->height() - 1));

        EXPECT_EQ(Chart->LeftAxis().Minimum(), -10);
        EXPECT_EQ(Chart->LeftAxis().Maximum(), 100);
        EXPECT_EQ(Chart->RightAxis().Minimum(), 4.8);
        EXPECT_EQ(Chart->RightAxis().Maximum(), 5.2);
        EXPECT_EQ(Chart->Series(0).Title, QStringLiteral("Uсенс. абс."));
        EXPECT_EQ(Chart->Series(1).Title, QStringLiteral("Аккум."));
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
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d{1,2}:\\d\\d:\\d\\d$")).match(Row[0]).hasMatch())
            << Row[0].toStdString();
        EXPECT_EQ(Row.mid(1), Values);
        for (int Index : {7, 8, 100, -1}) {
            EXPECT_STREQ(Plugin->GetColumnCaption(Index), "") << Index;
            EXPECT_STREQ(Plugin->GetColumnValue(Index), "") << Index;
        }
    }

    const std::vector<const char*> FieldNames; // what Texts reads
    const std::vector<const char*> FlagNames;  // what Flags reads
};

} // namespace ostan::test
