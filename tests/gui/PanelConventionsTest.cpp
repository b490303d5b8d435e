// What every window shows alike: no text cut off by its widget and every
// text with room to spare, nothing across a group box's frame, on every
// device panel built into Plugins/, the main window and the dialogs; and on
// every panel an accessible name, unique within the panel, for each value
// field, flag, button and spin, each group announced by its own title, the
// battery axis blue wherever a trend has one; every chart label whole.
#include "About.h"
#include "ChartLayoutSupport.h"
#include "ChartView.h"
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
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QToolButton>
#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>

using namespace ostan;
using namespace ostan::test;

namespace {

int TextWidth(const QWidget* W, const QString& Text)
{
    return W->fontMetrics().size(Qt::TextShowMnemonic, Text).width();
}

// Pixels a text keeps free beside it in its widget, and a widget inside its
// group box's frame line: a text that just fits touches the frame.
constexpr int RoomToSpare = 2;

// Texts wider than the room their widget gives them, less Spare: "name:
// text". The room is counted generously (only the frame and the fixed parts
// a style always draws are taken off), so what this finds is cut off or
// touching its edge in any style.
QStringList ClippedTexts(QWidget* Root, int Spare = RoomToSpare)
{
    QStringList Clipped;
    auto Check = [&](const QWidget* W, const QString& Text, int Room) {
        if (!Text.isEmpty() && TextWidth(W, Text) + Spare > Room)
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
    // A group box draws nothing above its title, where the frame line of the
    // group above it may run.
    auto Drawn = [](const QWidget* W) {
        QRect R = W->geometry();
        if (auto* G = qobject_cast<const QGroupBox*>(W)) {
            QStyleOptionGroupBox O;
            O.initFrom(G);
            O.text = G->title();
            O.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            R.setTop(R.top() + G->style()->subControlRect(QStyle::CC_GroupBox, &O, QStyle::SC_GroupBoxLabel, G).top());
        }
        return R;
    };
    // A bare frame line drawn round its neighbours (a bevel) holds them whole.
    auto Frames = [](const QWidget* Line, const QWidget* In) {
        return Line->metaObject() == &QFrame::staticMetaObject && Line->children().isEmpty() &&
               Line->geometry().contains(In->geometry());
    };
    // Siblings side by side, none over another: whatever a widget covers of
    // its neighbour (a text, a frame line, a chart) is hidden.
    for (QWidget* P : All) {
        if (!P->isVisibleTo(Root) && P != Root)
            continue;
        QList<QWidget*> Shown;
        for (QObject* O : P->children())
            if (auto* C = qobject_cast<QWidget*>(O); C && !C->isWindow() && C->isVisibleTo(Root))
                Shown << C;
        for (qsizetype I = 0; I < Shown.size(); ++I)
            for (qsizetype J = I + 1; J < Shown.size(); ++J)
                if (Drawn(Shown[I]).intersects(Drawn(Shown[J])) && !Frames(Shown[I], Shown[J]) &&
                    !Frames(Shown[J], Shown[I]))
                    Clipped << QStringLiteral("%1 and %2 overlap").arg(Shown[I]->objectName(), Shown[J]->objectName());
    }
    auto Shows = [](const QWidget* W) {
        return qobject_cast<const QLabel*>(W) || qobject_cast<const QAbstractButton*>(W) ||
               qobject_cast<const QLineEdit*>(W);
    };
    // What a group box holds stays inside its frame line (below its title),
    // Spare pixels clear of it.
    for (QWidget* W : All) {
        auto* G = qobject_cast<QGroupBox*>(W->parentWidget());
        if (!G || !Shows(W) || !W->isVisibleTo(Root))
            continue;
        QStyleOptionGroupBox O;
        O.initFrom(G);
        O.text = G->title();
        O.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
        const QRect Frame = G->style()->subControlRect(QStyle::CC_GroupBox, &O, QStyle::SC_GroupBoxFrame, G);
        const int Line = G->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &O, G);
        QRect Inside = Frame.adjusted(Line + Spare, Line + Spare, -Line - Spare, -Line - Spare);
        const QRect Title = G->style()->subControlRect(QStyle::CC_GroupBox, &O, QStyle::SC_GroupBoxLabel, G);
        Inside.setTop(std::max(Inside.top(), Title.bottom() + 1));
        if (!Inside.contains(W->geometry()))
            Clipped << QStringLiteral("%1: across the frame of %2").arg(W->objectName(), G->objectName());
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

// At the form's smallest size, where the widgets anchored to the right or
// the bottom stand closest to the others, and in a larger placeholder.
TEST_P(Panels, NoTextIsCutOff)
{
    for (const QSize Size : {Panel->minimumSize(), Placeholder.size() - QSize(2, 2)}) {
        Plugin->SetBounds(1, 1, Size.width(), Size.height());
        ASSERT_EQ(Panel->size(), Size);
        EXPECT_EQ(ClippedTexts(Panel).join(u'\n').toStdString(), "") << Size.width() << "x" << Size.height();
    }
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

// A group box is named by its own title; a group inside another would
// otherwise take the outer one's title, as any unnamed child of a group box
// does.
TEST_P(Panels, EveryGroupIsAnnouncedByItsOwnTitle)
{
    for (QGroupBox* G : Panel->findChildren<QGroupBox*>())
        EXPECT_EQ(AccessibleName(G), G->title()) << G->objectName().toStdString();
}

// The battery's axis has blue Arial labels and title, shown or hidden.
TEST_P(Panels, EveryBatteryAxisIsBlue)
{
    for (QWidget* View : Panel->findChildren<QWidget*>()) {
        if (!View->inherits("ostan::TChartView"))
            continue;
        const TChart& C = static_cast<TChartView*>(View)->Chart();
        for (const TChartAxis* A : {&C.LeftAxis(), &C.RightAxis()}) {
            if (A->Title == QStringLiteral("Аккум, В")) {
                EXPECT_EQ(A->LabelColor, QColor(Qt::blue)) << View->objectName().toStdString();
                EXPECT_EQ(A->LabelFamily, QStringLiteral("Arial")) << View->objectName().toStdString();
            }
        }
    }
}

// The calibration and threshold buttons carry the command glyph on the
// right of their caption: green when enabled, grey when not.
TEST_P(Panels, CalibrationAndThresholdButtonsCarryTheGlyphOnTheRight)
{
    const QStringList Analyser{"BUvozd", "BUpgs", "BCpgs", "BCoff", "BCalarm", "BCoffCalarm"};
    const QMap<QString, QStringList> Glyphs{
        {"MOLT2old", Analyser}, {"MOLT2", Analyser}, {"TIRA5", Analyser}, {"SEVO1", Analyser},
        {"TIRA4", {"BUazot", "BUazot0", "BUvozd", "BUvozd500"}}, {"BRUN3vm", {"BUvozd", "BUpgs"}},
        {"TIRA6", {"BUvozd", "BULimit", "BGuard"}}};
    const QStringList Expected = Glyphs.value(GetParam());
    QStringList Carrying;
    for (QPushButton* B : Panel->findChildren<QPushButton*>())
        if (B->inherits("ostan::TGlyphButton"))
            Carrying << B->objectName();
    Carrying.sort();
    QStringList Sorted = Expected;
    Sorted.sort();
    EXPECT_EQ(Carrying.join(u' ').toStdString(), Sorted.join(u' ').toStdString());

    // Columns of the button's picture that hold a pixel of that colour.
    auto Columns = [](QPushButton* B, auto Is) {
        const QImage I = B->grab().toImage();
        int First = -1, Last = -1;
        for (int X = 0; X < I.width(); ++X)
            for (int Y = 0; Y < I.height(); ++Y)
                if (Is(I.pixelColor(X, Y))) {
                    First = First < 0 ? X : First;
                    Last = X;
                    break;
                }
        return std::pair{First, Last};
    };
    auto Green = [](QColor C) { return C.green() > 120 && C.red() < 60 && C.blue() < 60; };
    for (const QString& Name : Expected) {
        auto* B = Panel->findChild<QPushButton*>(Name);
        ASSERT_NE(B, nullptr) << Name.toStdString();
        const auto [First, Last] = Columns(B, Green);
        ASSERT_GE(First, 0) << Name.toStdString();
        if (B->text().isEmpty()) {
            EXPECT_LT(std::abs((First + Last) / 2 - B->width() / 2), 3) << Name.toStdString(); // centred
        } else {
            // Right of the caption's dark ink.
            const auto [TextFirst, TextLast] =
                Columns(B, [](QColor C) { return C.lightness() < 80 && std::abs(C.red() - C.green()) < 20; });
            EXPECT_GT(First, TextLast) << Name.toStdString();
            EXPECT_GE(TextFirst, 0) << Name.toStdString();
        }
        B->setEnabled(false);
        EXPECT_EQ(Columns(B, Green).first, -1) << Name.toStdString();
        B->setEnabled(true);
    }
}

// The device dialog shows the library's description whole, without
// scrolling.
TEST_P(Panels, TheDeviceDialogShowsItsDescriptionWhole)
{
    TDeviceChooseDialog Choose;
    auto* Memo = Choose.findChild<QPlainTextEdit*>(QStringLiteral("FullDescriptionMemo"));
    ASSERT_NE(Memo, nullptr);
    Memo->setPlainText(QString::fromUtf8(Plugin->GetDescription()));
    Choose.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(Memo->verticalScrollBar()->maximum(), 0) << Memo->toPlainText().toStdString();
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
    // The program's windows: whole, not yet with room to spare.
    EXPECT_EQ(ClippedTexts(&Main, 0).join(u'\n').toStdString(), "");

    TDeviceChooseDialog Choose;
    TOptionsDlg Options;
    TAboutBox About;
    TLogoForm Logo;
    TDebugForm Debug;
    for (QWidget* W : std::initializer_list<QWidget*>{&Choose, &Options, &About, &Logo, &Debug}) {
        W->show();
        QCoreApplication::processEvents();
        EXPECT_EQ(ClippedTexts(W, 0).join(u'\n').toStdString(), "") << W->metaObject()->className();
        W->hide();
    }
}

} // namespace
