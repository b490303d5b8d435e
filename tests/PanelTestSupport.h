#pragma once
// A device library as the program drives it, for the tests of its panel: the
// built library registered, its plug-in created by ProgID and activated in a
// placeholder, a recording callback class offered, the decimal separator
// fixed to ','. Needs tests/fixtures on the include path.
#include "ChartView.h"
#include "ComTestSupport.h"
#include "NumberSeparators.h"
#include "RecordingBack.h"
#include "TempStore.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace ostan::test {

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

    // Create, Init, SetBounds, ShowPanel: the program's activation. Finds the
    // panel and, when it has one, its chart (named ChartName).
    void Activate(int32_t ExpectedPacketLength, int32_t ExpectedDeviceCode, const char* ChartName = "Chart1")
    {
        Plugin = Create();
        int32_t PacketLength = 0;
        int32_t DeviceCode = 0;
        Plugin->Init(&Placeholder, PacketLength, DeviceCode);
        EXPECT_EQ(PacketLength, ExpectedPacketLength);
        EXPECT_EQ(DeviceCode, ExpectedDeviceCode);
        Plugin->SetBounds(1, 1, Placeholder.width() - 2, Placeholder.height() - 2);
        Plugin->ShowPanel();
        Panel = Placeholder.findChild<QWidget*>(QStringLiteral("Form1"));
        ASSERT_NE(Panel, nullptr);
        // The library's own copy of the chart class: the same definition.
        QWidget* View = Panel->findChild<QWidget*>(QLatin1String(ChartName));
        Chart = View && View->inherits("ostan::TChartView") ? &static_cast<TChartView*>(View)->Chart() : nullptr;
    }

    template <class W>
    W* Find(const char* Name) const
    {
        W* Child = Panel->findChild<W*>(QLatin1String(Name));
        EXPECT_NE(Child, nullptr) << Name;
        return Child;
    }
    QString Text(const char* Edit) const { return Find<QLineEdit>(Edit)->text(); }

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

    // The export's header or row: texts up to the first empty one.
    QStringList Columns(const char* (IOstanPlugin::*Get)(int32_t)) const
    {
        QStringList Texts;
        for (int i = 0; *(Plugin.Get()->*Get)(i); ++i)
            Texts << QString::fromUtf8((Plugin.Get()->*Get)(i));
        return Texts;
    }

    const QString LibraryFile;
    const QString ProgID;
    TTempStore Store;
    TOfferedRecordingBack Back;
    QWidget Placeholder;
    ComPtr<IOstanPlugin> Plugin;
    QWidget* Panel = nullptr;
    TChart* Chart = nullptr;
};

} // namespace ostan::test
