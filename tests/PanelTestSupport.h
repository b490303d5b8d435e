#pragma once
// A device library as the program drives it, for the tests of its panel: the
// built library registered, its plug-in created by ProgID and activated in a
// placeholder, a recording callback class offered, the decimal separator
// fixed to ','. Needs tests/fixtures on the include path.
#include "ChartLayoutSupport.h"
#include "ChartView.h"
#include "ComTestSupport.h"
#include "NumberSeparators.h"
#include "PaintPacer.h"
#include "RecordingBack.h"
#include "TempStore.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTimer>
#include <QTimerEvent>
#include <QWidget>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace ostan::test {

// Packet with bytes changed (numbered from 1) and its last byte set again so
// that bytes 2 to the end XOR to 0.
inline std::vector<uint8_t> ChangedPacket(std::vector<uint8_t> P, std::initializer_list<std::pair<int, uint8_t>> Bytes)
{
    for (auto [N, B] : Bytes)
        P[size_t(N - 1)] = B;
    uint8_t X = 0;
    for (size_t i = 1; i + 1 < P.size(); ++i)
        X ^= P[i];
    P.back() = X;
    return P;
}

// Device floats at the edges of what the format holds, as its four
// arguments: exponent, M0, M1, M2 (sign in the top bit of M2).
struct TDeviceFloatCase {
    const char* What;
    std::array<uint8_t, 4> Bytes;
};
inline const TDeviceFloatCase ExtremeDeviceFloats[] = {
    {"+0", {0x00, 0x00, 0x00, 0x00}},
    {"-0", {0x00, 0x00, 0x00, 0x80}},
    {"subnormal pattern", {0x00, 0x01, 0x00, 0x00}},
    {"negative subnormal pattern", {0x00, 0xFF, 0xFF, 0xFF}},
    {"smallest normal", {0x01, 0x00, 0x00, 0x00}},
    {"1e16", {0xB4, 0xCA, 0x1B, 0x0E}},
    {"1e17", {0xB7, 0xBC, 0xA2, 0x31}},
    {"4.36e17", {0xB9, 0x00, 0x7D, 0x41}},
    {"1e18", {0xBA, 0x6B, 0x0B, 0x5E}},
    {"-1e18", {0xBA, 0x6B, 0x0B, 0xDE}},
    {"1e30", {0xE2, 0xCA, 0xF2, 0x49}},
    {"largest finite", {0xFE, 0xFF, 0xFF, 0x7F}},
    {"most negative", {0xFE, 0xFF, 0xFF, 0xFF}},
    {"exponent FF", {0xFF, 0x00, 0x00, 0x00}},
    {"exponent FF, all ones", {0xFF, 0xFF, 0xFF, 0xFF}},
};

// The export's date and time: short date, then long time.
inline bool IsDateTimeText(const QString& Text)
{
    return QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d{4} \\d{1,2}:\\d\\d:\\d\\d$")).match(Text).hasMatch();
}

class TPanelFixture : public ::testing::Test {
protected:
    TPanelFixture(const char* LibraryFile, const char* ProgID, QSize PlaceholderSize = {640, 480})
        : LibraryFile(QString::fromUtf8(LibraryFile)), ProgID(QString::fromUtf8(ProgID))
    {
        Placeholder.resize(PlaceholderSize);
    }
    void SetUp() override
    {
        SetSeparatorsForTest(QLatin1Char(','), QLatin1Char(' '));
        RegisterComServer(LibraryFile);
        Placeholder.show();
        TakeEvents();
    }
    void TearDown() override
    {
        Plugin.Reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(Back.Objects(), 0);
        ResetSeparatorsForTest();
    }

    ComPtr<IOstanPlugin> Create() const { return CreatePlugin(ProgID); }

    // Create, Init, SetBounds, ShowPanel: the program's activation, with the
    // lengths Init reports checked where given. Finds the panel and, when it
    // has one, its chart (the one named ChartName, when given).
    void Activate(std::optional<int32_t> ExpectedPacketLength, std::optional<int32_t> ExpectedDeviceCode,
                  const char* ChartName = nullptr)
    {
        Plugin = Create();
        int32_t PacketLength = 0;
        int32_t DeviceCode = 0;
        Plugin->Init(&Placeholder, PacketLength, DeviceCode);
        if (ExpectedPacketLength) {
            EXPECT_EQ(PacketLength, *ExpectedPacketLength);
        }
        if (ExpectedDeviceCode) {
            EXPECT_EQ(DeviceCode, *ExpectedDeviceCode);
        }
        Plugin->SetBounds(1, 1, Placeholder.width() - 2, Placeholder.height() - 2);
        Plugin->ShowPanel();
        Panel = Placeholder.findChild<QWidget*>(QStringLiteral("Form1"));
        ASSERT_NE(Panel, nullptr);
        // The library's own copy of the chart class (the same definition),
        // the one named ChartName where a panel has several.
        Chart = nullptr;
        ChartView = nullptr;
        for (QWidget* View : Panel->findChildren<QWidget*>())
            if (View->inherits("ostan::TChartView") && (!ChartName || View->objectName() == QLatin1String(ChartName))) {
                ChartView = static_cast<TChartView*>(View);
                Chart = &ChartView->Chart();
                break;
            }
    }

    // Activate for a panel with a two-series trend; what the
    // activation itself reported is taken, so a test sees only what follows.
    void ActivateWithTrend(int32_t ExpectedPacketLength, int32_t ExpectedDeviceCode, const char* ChartName = nullptr)
    {
        Activate(ExpectedPacketLength, ExpectedDeviceCode, ChartName);
        ASSERT_NE(Chart, nullptr);
        ASSERT_EQ(Chart->SeriesCount(), 2);
        TakeEvents();
    }

    // The scan's view of the library: its class by ProgID, its caption and
    // description, its three pictures.
    void ExpectScanAnswer(const TGUID& ClassID, const char* Caption, const char* Description)
    {
        EXPECT_EQ(ProgIDToClassID(ProgID), ClassID);
        Plugin = Create();
        Plugin->LoadPictures();
        EXPECT_STREQ(Plugin->GetCaption(), Caption);
        EXPECT_STREQ(Plugin->GetDescription(), Description);
        for (intptr_t Ref : {Plugin->GetDevicePicture(), Plugin->GetConnectionPictureBLS4(), Plugin->GetConnectionPictureBLS5()})
            EXPECT_NE(Ref, NoPicture);
    }

    // The panel as activated: its caption and minimum size, the given value
    // fields empty and out of the tab order, the pictures hidden.
    void ExpectFreshPanel(const char* Caption, std::span<const char* const> ValueFields)
    {
        EXPECT_EQ(Panel->windowTitle(), QString::fromUtf8(Caption));
        EXPECT_EQ(Panel->minimumSize(), QSize(531, 348));
        ExpectEmptyValueFields(ValueFields);
        for (const char* Image : {"MainImage", "ConnectionBLD4", "ConnectionBLD5"})
            EXPECT_FALSE(Find<QWidget>(Image)->isVisible()) << Image;
    }
    void ExpectEmptyValueFields(std::span<const char* const> ValueFields) const
    {
        for (const char* F : ValueFields) {
            EXPECT_TRUE(Text(F).isEmpty()) << F;
            EXPECT_TRUE(Find<QLineEdit>(F)->isReadOnly()) << F;
            EXPECT_EQ(Find<QLineEdit>(F)->focusPolicy(), Qt::ClickFocus) << F;
        }
    }

    // A component of the panel as the user sees it now: the panel's latest
    // state taken first.
    template <class W>
    W* Find(const char* Name) const
    {
        ShowLatest(Panel);
        W* Child = Panel->findChild<W*>(QLatin1String(Name));
        EXPECT_NE(Child, nullptr) << Name;
        return Child;
    }
    QString Text(const char* Edit) const { return Find<QLineEdit>(Edit)->text(); }

    // The analysers' two trend sides: the absolute sensor voltage, -10 to
    // 100 mV, on the left and the battery, 4.8 to 5.2 V, on the right.
    void ExpectAnalyserTrendSides() const
    {
        EXPECT_EQ(Chart->LeftAxis().Minimum(), -10);
        EXPECT_EQ(Chart->LeftAxis().Maximum(), 100);
        EXPECT_EQ(Chart->RightAxis().Minimum(), 4.8);
        EXPECT_EQ(Chart->RightAxis().Maximum(), 5.2);
        EXPECT_EQ(Chart->Series(0).Title, QStringLiteral("Uсенс. абс."));
        EXPECT_EQ(Chart->Series(1).Title, QStringLiteral("Аккум."));
    }

    // A sensor panel's repeating 500 ms timer, running; each of Ticks ticks,
    // delivered at once instead of waited for, asks to keep the adapter's
    // automatic switching off.
    QTimer* ExpectAutoSwitchTimer(int Ticks)
    {
        auto* Timer = Find<QTimer>("AutoSwithDisableTimer");
        EXPECT_NE(Timer, nullptr);
        if (!Timer)
            return nullptr;
        EXPECT_EQ(Timer->interval(), 500);
        EXPECT_TRUE(Timer->isActive());
        EXPECT_FALSE(Timer->isSingleShot());
        TakeEvents();
        for (int i = 0; i < Ticks; ++i) {
            QTimerEvent Tick(Timer->timerId());
            QCoreApplication::sendEvent(Timer, &Tick);
        }
        EXPECT_EQ(TakeEvents(), QStringList(Ticks, QStringLiteral("DisableAutoSwitch")));
        return Timer;
    }
    QStringList FieldTexts(std::span<const char* const> Edits) const
    {
        QStringList T;
        for (const char* E : Edits)
            T << Text(E);
        return T;
    }

    // Feeds Packet to the plug-in; the value of the point it added to the
    // chart's series 0, none when it added none.
    std::optional<double> ReceiveForPoint(const std::vector<uint8_t>& Packet, bool Accepted = true)
    {
        const TFastLineSeries& Series = Chart->Series(0);
        const double LastX = Series.XValueLast();
        EXPECT_EQ(Plugin->ReceivePacket(TDynamicByteArray(Packet)), Accepted);
        if (Series.XValueLast() == LastX)
            return std::nullopt;
        EXPECT_EQ(Series.XValueLast(), LastX + 1);
        return Series.YValue(Series.Count() - 1);
    }

    // A flag label as the user sees it: '-' off (disabled, button face),
    // 'Y' yellow, 'R' red, 'L' lime, '?' anything else.
    static char FlagState(const QLabel* L)
    {
        const QColor C = L->palette().color(QPalette::Window);
        if (!L->isEnabled())
            return C == QApplication::palette(L).color(QPalette::Active, QPalette::Button) ? '-' : '?';
        if (C == QColor(Qt::yellow))
            return 'Y';
        if (C == QColor(Qt::red))
            return 'R';
        if (C == QColor(Qt::green))
            return 'L';
        return '?';
    }
    std::string Flags(std::initializer_list<const char*> Labels) const
    {
        std::string S;
        for (const char* Name : Labels)
            S += FlagState(Find<QLabel>(Name));
        return S;
    }

    // Hands Packet to the plug-in: accepted or refused as expected, and the
    // trend's last points then Left and Right, moved on by one when accepted
    // (the window keeps its number of points).
    void Feed(const std::vector<uint8_t>& Packet, bool Accepted, double Left, double Right)
    {
        ASSERT_NE(Chart, nullptr);
        const int Points = Chart->Series(0).Count();
        const double LastX = Chart->Series(0).XValueLast();
        EXPECT_EQ(Plugin->ReceivePacket(TDynamicByteArray(Packet)), Accepted);
        for (int S = 0; S < 2; ++S) {
            EXPECT_EQ(Chart->Series(S).Count(), Points);
            EXPECT_EQ(Chart->Series(S).XValueLast(), Accepted ? LastX + 1 : LastX);
        }
        EXPECT_DOUBLE_EQ(Chart->Series(0).YValue(Points - 1), Left);
        EXPECT_DOUBLE_EQ(Chart->Series(1).YValue(Points - 1), Right);
    }

    // Every extreme device float in each of the panel's float fields
    // (numbered by their first byte; Packet gives the accepted packet with
    // the float in that field), twice, the panel painted offscreen after
    // each: every paint ends, and what the trend hands its painter stays in
    // its view.
    void ExpectExtremeFloatsPainted(const std::vector<int>& Fields,
                                    const std::function<std::vector<uint8_t>(int, const std::array<uint8_t, 4>&)>& Packet)
    {
        ASSERT_NE(ChartView, nullptr);
        for (int Field : Fields)
            for (const TDeviceFloatCase& F : ExtremeDeviceFloats)
                for (int Time = 0; Time < 2; ++Time) {
                    SCOPED_TRACE(std::string(F.What) + " at byte " + std::to_string(Field));
                    EXPECT_TRUE(Plugin->ReceivePacket(TDynamicByteArray(Packet(Field, F.Bytes))));
                    EXPECT_FALSE(Panel->grab().isNull());
                    EXPECT_EQ(ChartLayoutFaults(*ChartView).join(u'\n').toStdString(), "");
                }
    }

    // The export's header or row: texts up to the first empty one.
    QStringList Columns(const char* (IOstanPlugin::*Get)(int32_t)) const
    {
        QStringList Texts;
        for (int i = 0; *(Plugin.Get()->*Get)(i); ++i)
            Texts << QString::fromUtf8((Plugin.Get()->*Get)(i));
        return Texts;
    }

    // No export column at these indexes: neither caption nor value.
    void ExpectNoColumns(std::initializer_list<int> Indexes) const
    {
        for (int Index : Indexes) {
            EXPECT_STREQ(Plugin->GetColumnCaption(Index), "") << Index;
            EXPECT_STREQ(Plugin->GetColumnValue(Index), "") << Index;
        }
    }

    const QString LibraryFile;
    const QString ProgID;
    TTempStore Store;
    TOfferedRecordingBack Back;
    QWidget Placeholder;
    ComPtr<IOstanPlugin> Plugin;
    QWidget* Panel = nullptr;
    TChartView* ChartView = nullptr;
    TChart* Chart = nullptr;
};

} // namespace ostan::test
