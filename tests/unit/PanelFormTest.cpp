// The panel base and its tables on a small panel made in code: spin
// arguments, commands, flags, columns, anchors, texts that fit, computed
// values without a finite result.
#include "AnalyserCommands.h"
#include "Beep.h"
#include "ButtonFace.h"
#include "CommonInterfacesImp.h"
#include "EventCounter.h"
#include "ManualPacing.h"
#include "NumFormat.h"
#include "NumSpin.h"
#include "NumberSeparators.h"
#include "PaintPacer.h"
#include "PanelText.h"
#include "PluginForm.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace ostan;

namespace {

TEST(SpinArgument, WholeHundredthsThenHalvesToEven)
{
    struct Case {
        double Value;
        TArgumentScale Scale;
        int Argument;
    };
    const Case Cases[] = {
        // the concentration code, offset 50 and 100
        {0.50, ConcentrationScale(50), 0},
        {2.50, ConcentrationScale(50), 200},
        {3.05, ConcentrationScale(50), 255},
        {1.00, ConcentrationScale(100), 0},
        {2.50, ConcentrationScale(100), 150},
        {3.55, ConcentrationScale(100), 255},
        // the switch-off threshold in 0.02 %: the ties go to the even code
        {0.01, SwitchOffScale, 0},
        {0.03, SwitchOffScale, 2},
        {0.05, SwitchOffScale, 2},
        {1.09, SwitchOffScale, 54}, // 108.99999... in binary: never 55
        {1.11, SwitchOffScale, 56},
        {5.00, SwitchOffScale, 250},
        {5.10, SwitchOffScale, 255},
        {1.00, AlarmScale, 100},
        {2.55, AlarmScale, 255},
        {0.29, AlarmScale, 29}, // 28.999999999999996
    };
    for (const Case& C : Cases) {
        EXPECT_EQ(SpinArgument(C.Value, C.Scale), C.Argument) << C.Value << " / " << C.Scale.Divisor;
        if (C.Scale.Divisor == 1) {
            EXPECT_DOUBLE_EQ(ArgumentValue(uint8_t(C.Argument), C.Scale), C.Value);
        }
    }
    EXPECT_EQ(DivideHalfEven(-3, 2), -2);
    EXPECT_EQ(DivideHalfEven(-1, 2), 0);
}

TEST(CommandTable, FindsTheRecordOfAReceivedCommand)
{
    constexpr auto Table = AnalyserCommands(50, {"Сброс", "Включ. сенс.", "Тест нас/сен."});
    struct Case {
        uint8_t Operation, Argument;
        const char* Caption; // nullptr: unknown
    };
    const Case Cases[] = {
        {0x01, 0x00, "U возд."}, {0x04, 0xC8, "C п.г.с."},     {0x08, 0x00, "C откл."},
        {0x20, 0x08, "Сброс"},   {0x20, 0x04, "Включ. сенс."}, {0x20, 0x02, "Тест нас/сен."},
        {0x20, 0x10, nullptr},   {0x40, 0x00, nullptr},
    };
    for (const Case& C : Cases) {
        const TCommandDef* Found = FindCommand(Table, C.Operation, C.Argument);
        if (!C.Caption) {
            EXPECT_EQ(Found, nullptr) << int(C.Operation);
            continue;
        }
        ASSERT_NE(Found, nullptr) << int(C.Operation);
        EXPECT_STREQ(Found->Caption, C.Caption);
    }
    EXPECT_DOUBLE_EQ(ArgumentValue(0xC8, FindCommand(Table, 0x04, 0xC8)->Scale), 2.50);
}

TEST(PanelText, ComputedValuesWithoutAFiniteResultShowDashes)
{
    SetSeparatorsForTest(QLatin1Char(','), QLatin1Char(' '));
    EXPECT_EQ(QuotientText(222.2, 2.5, 1), QStringLiteral("88,9"));
    EXPECT_EQ(QuotientText(1, 0, 1), QStringLiteral("---"));
    EXPECT_EQ(QuotientText(0, 0, 1), QStringLiteral("---"));
    EXPECT_EQ(QuotientText(-1, 0, 2), QStringLiteral("---"));
    EXPECT_EQ(ComputedText(std::numeric_limits<double>::max() * 2, 3), QStringLiteral("---"));
    EXPECT_EQ(FixedText(1500, 1), QStringLiteral("1500,0"));
    ResetSeparatorsForTest();
}

// The texts a value field gets with every packet are remembered; a remembered
// text never outlives a change of the decimal separator or stands for
// another value that shares its slot.
TEST(PanelText, FixedTextIsTheFormattedValueEveryTime)
{
    for (const QChar Separator : {QLatin1Char('.'), QLatin1Char(',')}) {
        SetSeparatorsForTest(Separator, QLatin1Char(' '));
        for (int Pass = 0; Pass < 2; ++Pass)
            for (int i = -500; i <= 500; ++i)
                for (int Decimals = 0; Decimals <= 3; ++Decimals) {
                    const double V = i * 0.125;
                    const QString Picture =
                        Decimals ? QStringLiteral("0.") + QString(Decimals, u'0') : QStringLiteral("0");
                    ASSERT_EQ(FixedText(V, Decimals), TNumFormatter::FormatFloat(Picture, V)) << V << " " << Decimals;
                }
    }
    SetSeparatorsForTest(QLatin1Char(','), QLatin1Char(' '));
    EXPECT_EQ(FixedText(0.125, 2), QStringLiteral("0,13"));
    EXPECT_EQ(FixedText(-0.125, 2), QStringLiteral("-0,13"));
    ResetSeparatorsForTest();
}

struct FakeHost : IHostCallback {
    std::vector<QByteArray>* Sent;
    explicit FakeHost(std::vector<QByteArray>* S) : Sent(S) {}
    void SendPacket(const TDynamicByteArray& P) override
    {
        QByteArray B;
        for (int i = 0; i < P.Length(); ++i)
            B.append(char(P[i]));
        Sent->push_back(B);
    }
    void RestartDevice() override {}
    void DisableAutoSwitch() override {}
};

constexpr std::array<TFlagDef, 2> Flags{{{0x01, "lFault", FlagRed}, {0x06, "lBoth", FlagYellow}}};
constexpr std::array<TColumnDef, 1> Columns{{{"U, мВ", "LU"}}};
constexpr auto Commands = AnalyserCommands(50, {"Сброс", "Включ. сенс.", "Тест нас/сен."});
constexpr auto Spins = AnalyserSpins(50);

// A panel as a form would make it: components by name, then the tables.
class TTestPanel : public TPluginForm {
public:
    TTestPanel()
    {
        resize(300, 200);
        auto* Edit = new QLineEdit(this);
        Edit->setObjectName(QStringLiteral("LU"));
        Edit->setReadOnly(true);
        Edit->setGeometry(10, 10, 60, 21);
        for (const char* Name : {"lFault", "lBoth"}) {
            auto* L = new QLabel(QString::fromLatin1(Name), this);
            L->setObjectName(QLatin1String(Name));
        }
        auto* Wide = new QLabel(QStringLiteral("Очень длинная надпись, которой мало места"), this);
        Wide->setObjectName(QStringLiteral("Wide"));
        Wide->setGeometry(10, 40, 30, 16);
        auto* Right = new QPushButton(QStringLiteral("Длинная кнопка справа"), this);
        Right->setObjectName(QStringLiteral("Right"));
        Right->setGeometry(250, 10, 40, 25);
        Right->setProperty("anchors", QStringLiteral("top right"));
        auto* All = new QWidget(this);
        All->setObjectName(QStringLiteral("All"));
        All->setGeometry(10, 100, 280, 90);
        All->setProperty("anchors", QStringLiteral("left top right bottom"));
        auto* Bottom = new QWidget(this);
        Bottom->setObjectName(QStringLiteral("Bottom"));
        Bottom->setGeometry(10, 170, 20, 20);
        Bottom->setProperty("anchors", QStringLiteral("left bottom"));
        for (const TCommandDef& C : Commands)
            if (!findChild<QPushButton*>(QLatin1String(C.Button))) {
                auto* B = new QPushButton(QString::fromUtf8(C.Caption), this);
                B->setObjectName(QLatin1String(C.Button));
            }
        for (const TSpinDef& S : Spins)
            (new TNumSpin(this))->setObjectName(QLatin1String(S.Spin));
        FlagLabels = TFlagLabels(this, Flags);
        SetColumns(Columns);
        SetSpins(Spins);
        SetCommands(Commands);
        FinishForm("NoSuchLibrary");
    }
    void ProcessPacket() override {}
    TFlagLabels FlagLabels;
};

struct PanelFixture : ::testing::Test {
    void SetUp() override
    {
        SetSeparatorsForTest(QLatin1Char('.'), QLatin1Char(' '));
        PluginPacket = std::make_unique<TPluginPacket>(4, 3, [this] { return std::make_unique<FakeHost>(&Sent); });
    }
    void TearDown() override
    {
        PluginPacket.reset();
        ResetSeparatorsForTest();
    }
    TNumSpin* Spin(const char* Name) { return Panel.findChild<TNumSpin*>(QLatin1String(Name)); }
    void Click(const char* Button) { Panel.findChild<QPushButton*>(QLatin1String(Button))->click(); }
    QByteArray Take()
    {
        QByteArray All;
        for (const QByteArray& B : Sent)
            All += B;
        Sent.clear();
        return All;
    }

    std::vector<QByteArray> Sent;
    TTestPanel Panel;
};

TEST_F(PanelFixture, SpinsStartFromTheirTable)
{
    EXPECT_EQ(Spin("NumSpin1")->text(), QStringLiteral("2.50"));
    EXPECT_EQ(double(Spin("NumSpin1")->MinValue()), 0.5);
    EXPECT_EQ(double(Spin("NumSpin1")->MaxValue()), 3.05);
    EXPECT_EQ(Spin("NumSpin2")->text(), QStringLiteral("5.00"));
    EXPECT_EQ(double(Spin("NumSpin2")->Increment()), 0.02);
    EXPECT_EQ(Spin("NumSpin3")->text(), QStringLiteral("1.00"));
}

TEST_F(PanelFixture, ButtonsSendTheirRecordsWithTheSpinsClampedToTheirRange)
{
    struct Case {
        const char* Button;
        const char* Spin1;
        const char* Spin2;
        const char* Spin3;
        QByteArray Bytes;
    };
    const Case Cases[] = {
        {"BUvozd", "2.50", "5.00", "1.00", QByteArray("\x01\x00\x01", 3)},
        {"BCpgs", "2.50", "5.00", "1.00", QByteArray("\x04\xC8\xCC", 3)},
        {"BCpgs", "9.99", "5.00", "1.00", QByteArray("\x04\xFF\xFB", 3)}, // above the range: its top
        {"BCpgs", "0.10", "5.00", "1.00", QByteArray("\x04\x00\x04", 3)}, // below: its bottom
        {"BCoff", "2.50", "1.09", "1.00", QByteArray("\x08\x36\x3E", 3)},
        {"BCoff", "2.50", "0.05", "1.00", QByteArray("\x08\x02\x0A", 3)},
        {"BCoffCalarm", "2.50", "5.00", "2.55", QByteArray("\x08\xFA\xF2\x10\xFF\xEF", 6)},
        {"BReset", "", "", "", QByteArray("\x20\x08\x28", 3)},
        // an empty spin sends nothing; the other command of the button goes
        {"BCoffCalarm", "2.50", "", "1.00", QByteArray("\x10\x64\x74", 3)},
        {"BCpgs", "", "5.00", "1.00", QByteArray()},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(std::string(C.Button) + " " + C.Spin1 + " " + C.Spin2 + " " + C.Spin3);
        Spin("NumSpin1")->setText(QString::fromLatin1(C.Spin1));
        Spin("NumSpin2")->setText(QString::fromLatin1(C.Spin2));
        Spin("NumSpin3")->setText(QString::fromLatin1(C.Spin3));
        BeepRecorder Beeps;
        Click(C.Button);
        EXPECT_EQ(Take().toHex(' '), C.Bytes.toHex(' '));
        const bool EmptyUsed = (QByteArray(C.Button) == "BCpgs" && !*C.Spin1) ||
                               (QByteArray(C.Button) == "BCoffCalarm" && (!*C.Spin2 || !*C.Spin3));
        EXPECT_EQ(Beeps.MessageBeeps.size(), EmptyUsed ? 1u : 0u);
    }
    // Nothing goes out without the packet.
    PluginPacket.reset();
    Click("BUvozd");
    EXPECT_TRUE(Sent.empty());
}

TEST_F(PanelFixture, FlagsColumnsAndValueFields)
{
    auto State = [this](const char* Name) {
        auto* L = Panel.findChild<QLabel*>(QLatin1String(Name));
        const QColor C = L->palette().color(QPalette::Window);
        return (L->isEnabled() ? "on " : "off ") + C.name().toStdString();
    };
    const std::string Face = "off " + QApplication::palette().color(QPalette::Active, QPalette::Button).name().toStdString();
    EXPECT_EQ(State("lFault"), Face);
    Panel.FlagLabels.Show(0x03);
    EXPECT_EQ(State("lFault"), "on #ff0000");
    EXPECT_EQ(State("lBoth"), Face);
    Panel.FlagLabels.Show(0x06);
    EXPECT_EQ(State("lFault"), Face);
    EXPECT_EQ(State("lBoth"), "on #ffff00");
    EXPECT_TRUE(Panel.findChild<QLabel*>(QStringLiteral("lBoth"))->property("flag").toBool());

    auto* U = Panel.findChild<QLineEdit*>(QStringLiteral("LU"));
    EXPECT_EQ(U->focusPolicy(), Qt::ClickFocus);
    EXPECT_EQ(U->palette().color(QPalette::Base), QApplication::palette().color(QPalette::Active, QPalette::Button));
    // A number longer than the field shows its leading digits.
    ShowText(U, QStringLiteral("340282346638529000000000000000000000000.0"));
    EXPECT_EQ(U->cursorPosition(), 0);
    ShowText(U, QStringLiteral("12.5"));
    EXPECT_EQ(Panel.GetColumnCaption(1), QStringLiteral("U, мВ"));
    EXPECT_EQ(Panel.GetColumnValue(1), QStringLiteral("12.5"));
    EXPECT_EQ(Panel.GetColumnCaption(0), QStringLiteral("Дата, время"));
    EXPECT_TRUE(Panel.GetColumnCaption(2).isEmpty());
    EXPECT_TRUE(Panel.GetColumnValue(2).isEmpty());
    EXPECT_TRUE(Panel.GetColumnValue(-1).isEmpty());
}

TEST_F(PanelFixture, TextsFitAndAnchoredComponentsFollowTheEdges)
{
    auto* Wide = Panel.findChild<QLabel*>(QStringLiteral("Wide"));
    EXPECT_EQ(Wide->x(), 10);
    EXPECT_GE(Wide->width(), Wide->fontMetrics().horizontalAdvance(Wide->text()));
    auto* Right = Panel.findChild<QWidget*>(QStringLiteral("Right"));
    // It grew to the left: its right edge stays.
    EXPECT_EQ(Right->geometry().right(), 289);
    EXPECT_GT(Right->width(), 40);
    const QRect RightAtStart = Right->geometry();

    Panel.resize(400, 260);
    Panel.PlaceComponents();
    EXPECT_EQ(Right->geometry(), RightAtStart.translated(100, 0));
    EXPECT_EQ(Panel.findChild<QWidget*>(QStringLiteral("All"))->geometry(), QRect(10, 100, 380, 150));
    EXPECT_EQ(Panel.findChild<QWidget*>(QStringLiteral("Bottom"))->geometry(), QRect(10, 230, 20, 20));
    EXPECT_EQ(Panel.findChild<QWidget*>(QStringLiteral("LU"))->geometry(), QRect(10, 10, 60, 21));
}

TEST_F(PanelFixture, PacketsChangeTheStateAtOnceAndTheComponentsAndThePaintingAtAHumanPace)
{
    test::TManualPacing Pacing;
    Panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Panel));
    auto* U = Panel.findChild<QLineEdit*>(QStringLiteral("LU"));
    auto* Other = Panel.findChild<QLabel*>(QStringLiteral("Wide"));
    Pacing.Advance(2 * PaintIntervalMs);
    TEventCounter OtherPaints({Other}, {QEvent::Paint});
    // What each paint of the field shows, and when.
    struct TPaints : QObject {
        const fakes::FakeClock* Clock = nullptr;
        std::vector<std::pair<uint32_t, QString>> Seen;
        bool eventFilter(QObject* Watched, QEvent* E) override
        {
            if (E->type() == QEvent::Paint)
                Seen.emplace_back(Clock->Now, static_cast<QLineEdit*>(Watched)->text());
            return false;
        }
    } Paints;
    Paints.Clock = &Pacing.Clock;
    U->installEventFilter(&Paints);
    int FieldChanges = 0;
    QObject::connect(U, &QLineEdit::textChanged, [&] { ++FieldChanges; });
    // A packet every millisecond for a second, each changing the field:
    // every text is in the state at once (the export reads it), and each
    // paint shows the latest packet's.
    int Packets = 0;
    QString Text;
    Pacing.Advance(1000, [&] {
        Panel.HoldPainting();
        Text = QString::number(++Packets);
        ShowText(U, Text);
        EXPECT_EQ(ShownText(U), Text);
        EXPECT_EQ(Panel.GetColumnValue(1), Text);
    });
    ASSERT_GE(Paints.Seen.size(), 10u);
    EXPECT_LE(Paints.Seen.size(), 11u);
    EXPECT_EQ(FieldChanges, int(Paints.Seen.size()));
    for (size_t i = 0; i < Paints.Seen.size(); ++i) {
        const auto& [At, Shown] = Paints.Seen[i];
        EXPECT_EQ(Shown.toInt(), Packets - int(Pacing.Clock.Now - At)) << "painted at " << At;
        if (i > 0) {
            EXPECT_EQ(At - Paints.Seen[i - 1].first, uint32_t(PaintIntervalMs));
        }
    }
    // The last packet reaches the screen within an interval.
    const uint32_t Last = Pacing.Clock.Now;
    Pacing.Advance(PaintIntervalMs);
    EXPECT_EQ(Paints.Seen.back().second, Text);
    EXPECT_LE(Paints.Seen.back().first - Last, uint32_t(PaintIntervalMs));
    EXPECT_EQ(U->cursorPosition(), 0);
    // What did not change is not painted again.
    EXPECT_EQ(OtherPaints.Count, 0);
}

// Once packets come, a text, a label, a flag, a field's background and a bar
// wait for the interval; the state answers with the latest at once, and the
// widget gets it at the interval's end or when a reader asks.
TEST_F(PanelFixture, APacedPanelsComponentsTakeTheLatestStateAtTheIntervalOrForAReader)
{
    test::TManualPacing Pacing;
    auto* U = Panel.findChild<QLineEdit*>(QStringLiteral("LU"));
    auto* Caption = Panel.findChild<QLabel*>(QStringLiteral("Wide"));
    auto* Fault = Panel.findChild<QLabel*>(QStringLiteral("lFault"));
    auto* Bar = new QProgressBar(&Panel);
    Bar->setRange(0, 12);
    Bar->setValue(12);
    const QColor Face = ButtonFace(U);
    // Before the first packet every change shows at once.
    ShowText(U, QStringLiteral("1.0"));
    EXPECT_EQ(U->text(), QStringLiteral("1.0"));
    Panel.HoldPainting();

    struct Step {
        const char* What;
        std::function<void()> Change, Undo;
        std::function<QString()> Widget;
        std::function<QString()> State; // what the state reads, where it reads
        QString Before, After;
    };
    auto FlagOf = [](QLabel* L) {
        return QString::number(L->isEnabled()) + L->palette().color(QPalette::Window).name() + L->accessibleDescription();
    };
    const Step Steps[] = {
        {"field", [&] { ShowText(U, QStringLiteral("2.5")); }, [&] { ShowText(U, QStringLiteral("1.0")); },
         [&] { return U->text(); }, [&] { return ShownText(U); }, "1.0", "2.5"},
        {"field emptied", [&] { ShowText(U, QString()); }, [&] { ShowText(U, QStringLiteral("1.0")); },
         [&] { return U->text(); }, [&] { return ShownText(U); }, "1.0", ""},
        {"label", [&] { ShowText(Caption, QStringLiteral("В")); }, [&, Was = Caption->text()] { ShowText(Caption, Was); },
         [&] { return Caption->text(); }, [&] { return ShownText(Caption); }, Caption->text(), "В"},
        {"flag", [&] { Panel.FlagLabels.Show(0x01); }, [&] { Panel.FlagLabels.Show(0x00); },
         [&] { return FlagOf(Fault); }, nullptr, "0" + Face.name(), "1#ff0000красный"},
        {"background", [&] { ShowBase(U, Qt::red); }, [&] { ShowBase(U, Face); },
         [&] { return U->palette().color(QPalette::Base).name(); }, nullptr, Face.name(), "#ff0000"},
        {"bar", [&] { ShowValue(Bar, 3); }, [&] { ShowValue(Bar, 12); },
         [&] { return QString::number(Bar->value()); }, nullptr, "12", "3"},
    };
    for (const bool ByReader : {true, false})
        for (const Step& S : Steps) {
            SCOPED_TRACE(std::string(S.What) + (ByReader ? " for a reader" : " at the interval"));
            if (!ByReader) // a quiet interval first
                Pacing.Advance(2 * PaintIntervalMs);
            ASSERT_EQ(S.Widget(), S.Before);
            S.Change();
            EXPECT_EQ(S.Widget(), S.Before);
            if (S.State) {
                EXPECT_EQ(S.State(), S.After);
            }
            if (ByReader)
                ShowLatest(Caption); // from any widget of the panel
            else
                Pacing.Advance(2 * PaintIntervalMs);
            EXPECT_EQ(S.Widget(), S.After);
            S.Undo();
            Panel.ShowLatest();
        }
}

// What a Designer form writes, by property name, in the form's order.
TEST(NumericControlProperties, AFormSetsThemByName)
{
    SetSeparatorsForTest(QLatin1Char('.'), QLatin1Char(' '));
    TNumSpin Spin;
    for (const auto& [Name, Value] : std::initializer_list<std::pair<const char*, QVariant>>{
             {"Decimals", 2}, {"MaxValue", 3.05}, {"MinValue", 0.5}, {"Value", 2.5}, {"Increment", 0.01},
             {"Wrap", true}, {"RoundValues", false}, {"EditorEnabled", false}})
        EXPECT_TRUE(Spin.setProperty(Name, Value)) << Name;
    EXPECT_EQ(Spin.text(), QStringLiteral("2.50"));
    EXPECT_EQ(Spin.property("MinValue").toDouble(), 0.5);
    EXPECT_EQ(Spin.property("MaxValue").toDouble(), 3.05);
    EXPECT_EQ(Spin.property("Increment").toDouble(), 0.01);
    EXPECT_TRUE(Spin.Wrap());
    EXPECT_FALSE(Spin.EditorEnabled());
    // A minimum above the maximum is refused, as the control refuses it.
    Spin.setProperty("MinValue", 4.0);
    EXPECT_EQ(Spin.property("MinValue").toDouble(), 0.5);
    ResetSeparatorsForTest();
}

TEST(PanelForm, AComponentTheFormLacksIsAProgrammingError)
{
    class TBadPanel : public TPluginForm {
    public:
        TBadPanel() { SetColumns(Columns); }
        void ProcessPacket() override {}
    };
    EXPECT_THROW(TBadPanel{}, std::logic_error);
}

} // namespace
