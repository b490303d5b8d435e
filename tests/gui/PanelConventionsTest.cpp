// What every window shows alike: no text cut off by its widget, on every
// device panel built into Plugins/, the main window and the dialogs; and on
// every panel an accessible name, unique within the panel, for each value
// field, flag, button and spin; every chart label whole.
#include "About.h"
#include "ChartLayoutSupport.h"
#include "ComTestSupport.h"
#include "Debug.h"
#include "DeviceChooseDlg.h"
#include "Logo.h"
#include "MessageBox.h"
#include "Options.h"
#include "OstanMain.h"
#include "RecordingBack.h"
#include "Registry.h"
#include "TempStore.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace ostan;
using namespace ostan::test;

namespace {

int TextWidth(const QWidget* W, const QString& Text)
{
    return W->fontMetrics().size(Qt::TextShowMnemonic, Text).width();
}

// Texts wider than the room their widget gives them: "name: text". The room
// is counted generously (only the frame and the fixed parts a style always
// draws are taken off), so what this finds is cut off in any style.
QStringList ClippedTexts(QWidget* Root)
{
    QStringList Clipped;
    auto Check = [&](const QWidget* W, const QString& Text, int Room) {
        if (!Text.isEmpty() && TextWidth(W, Text) > Room)
            Clipped << QStringLiteral("%1: \"%2\" needs %3, has %4")
                           .arg(W->objectName(), Text)
                           .arg(TextWidth(W, Text))
                           .arg(Room);
    };
    QList<QWidget*> All = Root->findChildren<QWidget*>();
    All.prepend(Root);
    for (QWidget* W : All) {
        if (!W->isVisibleTo(Root) && W != Root)
            continue;
        const QStyle* S = W->style();
        // Whatever its own width, a widget shows only what its parent holds.
        if (W != Root && W->parentWidget() && (W->geometry().right() >= W->parentWidget()->width() || W->x() < 0) &&
            (qobject_cast<QLabel*>(W) || qobject_cast<QAbstractButton*>(W) || qobject_cast<QLineEdit*>(W)))
            Clipped << W->objectName() + QStringLiteral(": beyond its parent ") + W->parentWidget()->objectName();
        if (auto* L = qobject_cast<QLabel*>(W)) {
            if (L->wordWrap() || L->textFormat() == Qt::RichText || Qt::mightBeRichText(L->text()))
                continue;
            Check(L, L->text(), L->contentsRect().width() - 2 * L->margin() - std::max(0, L->indent()));
        } else if (auto* B = qobject_cast<QPushButton*>(W)) {
            const int Icon = B->icon().isNull() ? 0 : B->iconSize().width();
            Check(B, B->text(), B->width() - 2 * S->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, B) - Icon);
        } else if (auto* T = qobject_cast<QToolButton*>(W)) {
            if (T->toolButtonStyle() != Qt::ToolButtonIconOnly)
                Check(T, T->text(), T->width() - 2 * S->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, T));
        } else if (qobject_cast<QCheckBox*>(W) || qobject_cast<QRadioButton*>(W)) {
            auto* B = static_cast<QAbstractButton*>(W);
            Check(B, B->text(), B->width() - S->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, B));
        } else if (auto* G = qobject_cast<QGroupBox*>(W)) {
            Check(G, G->title(), G->width());
        } else if (auto* E = qobject_cast<QLineEdit*>(W)) {
            const int Frame = E->hasFrame() ? 2 * S->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, E) : 0;
            Check(E, E->text(), E->width() - Frame);
        }
    }
    // A widget that covers part of a neighbour's text hides it.
    auto Shows = [](const QWidget* W) {
        return qobject_cast<const QLabel*>(W) || qobject_cast<const QAbstractButton*>(W) ||
               qobject_cast<const QLineEdit*>(W);
    };
    for (QWidget* W : All) {
        if (W == Root || !Shows(W) || !W->isVisibleTo(Root))
            continue;
        for (QObject* O : W->parent()->children()) {
            auto* N = qobject_cast<QWidget*>(O);
            if (N && N != W && N < W && Shows(N) && N->isVisibleTo(Root) && N->geometry().intersects(W->geometry()))
                Clipped << QStringLiteral("%1 and %2 overlap").arg(N->objectName(), W->objectName());
        }
    }
    return Clipped;
}

QString AccessibleName(QWidget* W)
{
    QAccessibleInterface* I = QAccessible::queryAccessibleInterface(W);
    return I ? I->text(QAccessible::Name) : QString();
}

// ---------------------------------------------------------------- panels

QStringList Libraries()
{
    return QString::fromUtf8(OSTAN_PLUGIN_LIBRARIES).split(u',', Qt::SkipEmptyParts);
}

class Panels : public ::testing::TestWithParam<QString> {
protected:
    void SetUp() override
    {
        RegisterComServer(QStringLiteral(OSTAN_PLUGIN_DIR "/") + GetParam() + QStringLiteral(".so"));
        Placeholder.resize(640, 480);
        Placeholder.show();
        Plugin = CreatePlugin(GetParam() + QStringLiteral(".OstanPlugin"));
        int32_t PacketLength = 0;
        int32_t DeviceCode = 0;
        Plugin->Init(&Placeholder, PacketLength, DeviceCode);
        Plugin->SetBounds(1, 1, Placeholder.width() - 2, Placeholder.height() - 2);
        Plugin->ShowPanel();
        Panel = Placeholder.findChild<QWidget*>(QStringLiteral("Form1"));
        ASSERT_NE(Panel, nullptr);
    }
    void TearDown() override
    {
        Plugin.Reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TTempStore Store;
    TOfferedRecordingBack Back;
    QWidget Placeholder;
    ComPtr<IOstanPlugin> Plugin;
    QWidget* Panel = nullptr;
};

TEST_P(Panels, NoTextIsCutOff)
{
    EXPECT_EQ(ClippedTexts(Panel).join(u'\n').toStdString(), "");
}

TEST_P(Panels, ChartLabelsAreWhole)
{
    QStringList Faults;
    for (QWidget* W : Panel->findChildren<QWidget*>()) {
        if (!W->inherits("ostan::TChartView") || !W->isVisibleTo(Panel))
            continue;
        const auto* View = static_cast<const TChartView*>(W);
        if (View->Layout().Texts.empty())
            Faults << W->objectName() + QStringLiteral(": no labels");
        for (const QString& F : ChartLayoutFaults(*View))
            Faults << W->objectName() + QStringLiteral(": ") + F;
    }
    EXPECT_EQ(Faults.join(u'\n').toStdString(), "");
}

TEST_P(Panels, EveryValueFieldFlagButtonAndSpinHasItsOwnAccessibleName)
{
    QStringList Missing;
    QMap<QString, QString> Seen; // name -> component
    for (QWidget* W : Panel->findChildren<QWidget*>()) {
        const bool Named = qobject_cast<QLineEdit*>(W) || qobject_cast<QAbstractButton*>(W) ||
                           (qobject_cast<QLabel*>(W) && W->property("flag").toBool());
        if (!Named || !W->isVisibleTo(Panel))
            continue;
        const QString Name = AccessibleName(W).trimmed();
        if (Name.isEmpty())
            Missing << W->objectName() + QStringLiteral(": no name");
        else if (Seen.contains(Name))
            Missing << W->objectName() + QStringLiteral(": \"") + Name + QStringLiteral("\" as ") + Seen[Name];
        else
            Seen[Name] = W->objectName();
    }
    EXPECT_EQ(Missing.join(u'\n').toStdString(), "");
    EXPECT_FALSE(Seen.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryLibrary, Panels, ::testing::ValuesIn(Libraries()),
                         [](const ::testing::TestParamInfo<QString>& I) { return I.param.toStdString(); });

// ---------------------------------------------------------------- the program's windows

class ProgramWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetSystemSerialDevicesForTest([] { return QStringList(); });
        TRegistry R;
        ASSERT_TRUE(R.OpenKey(TOptionsDlg::SettingsKey, true));
        for (const char* Name : {"Port", "PortSpeed", "Sound", "AutoSelectPlugin", "BLSPinCount"})
            R.WriteInteger(Name, QByteArray(Name) == "PortSpeed" ? 13 : QByteArray(Name) == "BLSPinCount" ? 4 : 1);
    }
    void TearDown() override { SetSystemSerialDevicesForTest({}); }
    TTempStore Store;
    MessageBoxRecorder Boxes;
};

TEST_F(ProgramWindows, NoTextIsCutOff)
{
    TMainForm Main;
    Main.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(ClippedTexts(&Main).join(u'\n').toStdString(), "");

    TDeviceChooseDialog Choose;
    TOptionsDlg Options;
    TAboutBox About;
    TLogoForm Logo;
    TDebugForm Debug;
    for (QWidget* W : std::initializer_list<QWidget*>{&Choose, &Options, &About, &Logo, &Debug}) {
        W->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(ClippedTexts(W).join(u'\n').toStdString(), "") << W->metaObject()->className();
        W->hide();
    }
}

} // namespace
