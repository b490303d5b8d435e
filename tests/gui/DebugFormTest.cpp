#include "Debug.h"
#include "ManualPacing.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <gtest/gtest.h>

#include <vector>

using namespace ostan;

namespace {

void Frame(TDebugForm& F, std::initializer_list<const char*> Bytes, const char* Label)
{
    for (const char* b : Bytes)
        F.AddText(QString::fromLatin1(b) + QLatin1Char('.'), true);
    F.AddText(QString::fromLatin1(Label), false);
}

QString Shown(TDebugForm& F)
{
    F.Flush(); // what the flush timer does
    return F.Memo1->toPlainText();
}

} // namespace

TEST(DebugForm, StartsHiddenWithHeadingAndDefaults)
{
    TDebugForm f;
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.windowTitle(), "Отладка");
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f.Memo1->toPlainText(), "Данные:\n");
    EXPECT_TRUE(f.Memo1->isReadOnly());
    EXPECT_EQ(f.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(f.Label21->text(), "Данные адаптера:");
    EXPECT_EQ(f.Button1->text(), "Очистить");
    EXPECT_EQ(f.CheckBox1->text(), "Запись журнала");
    EXPECT_TRUE(f.CheckBox1->isChecked());
    EXPECT_EQ(f.LabeledEdit1Label->text(), "Буфер:");
    EXPECT_EQ(f.LabeledEdit1->text(), "14");
    EXPECT_EQ(f.Label1->text(), "строк");
    EXPECT_EQ(f.MaxLines(), 14);
}

// The view appends in batches; whatever the batching, it must show exactly
// the model's lines, across clears, the limit and flushes at odd moments.
TEST(DebugForm, ViewFollowsTheLinesThroughAppendsClearsAndTheLimit)
{
    TDebugForm f;
    f.show();
    f.AddText("73.", true);
    EXPECT_TRUE(f.FlushPending());
    EXPECT_EQ(Shown(f), "Данные:\n73.");
    EXPECT_FALSE(f.FlushPending());
    f.AddText("1B.", true);
    f.AddText("68.", true);
    f.AddText("(Init)", false);
    Frame(f, {"62", "00"}, "(Status)");
    EXPECT_EQ(Shown(f), "Данные:\n73.1B.68.(Init)\n62.00.(Status)");

    f.LabeledEdit1->selectAll();
    QTest::keyClicks(f.LabeledEdit1, "3");
    ASSERT_EQ(f.MaxLines(), 3);
    f.AddText("74.", true); // finds three lines: the log empties, in the same pass as the append
    Frame(f, {"1B"}, "(Echo)");
    Frame(f, {"62"}, "(Status)");
    EXPECT_EQ(Shown(f), "74.1B.(Echo)\n62.(Status)");

    f.AddText("5F.", true);
    QTest::mouseClick(f.Button1, Qt::LeftButton); // "Очистить" mid-frame
    EXPECT_EQ(f.Memo1->toPlainText(), "");
    Frame(f, {"01"}, "(Data)");
    f.Flush();
    EXPECT_EQ(f.Memo1->toPlainText(), "01.(Data)");
    EXPECT_EQ(f.Memo1->toPlainText(), f.Log().Text());
}

// A full-rate stream with the window shown: Memo1 changes only as the window
// is about to paint, at most once per interval, and then holds exactly what
// the lines recorded text by text hold; the last text shows within an
// interval. The limit typed key by key meanwhile applies at each key.
TEST(DebugForm, ABurstReachesMemo1OncePerIntervalExactlyAsRecorded)
{
    test::TManualPacing Pacing;
    TDebugForm f;
    f.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&f));
    Pacing.Advance(2 * PaintIntervalMs);
    TLogLines Expected; // fed text by text, as the receive machine calls
    std::vector<uint32_t> Changes;
    QObject::connect(f.Memo1->document(), &QTextDocument::contentsChanged, [&] {
        if (Changes.empty() || Changes.back() != Pacing.Clock.Now)
            Changes.push_back(Pacing.Clock.Now);
    });
    int Mismatches = 0;
    long Sent = 0;
    Pacing.Advance(1000, [&] {
        // Memo1 as the last pass left it.
        if (!Changes.empty() && Changes.back() == Pacing.Clock.Now - 1 && f.Memo1->toPlainText() != Expected.Text())
            ++Mismatches;
        for (int i = 0; i < 12; ++i, ++Sent) { // a millisecond of the line
            const QString Byte = QStringLiteral("%1.").arg((Sent * 37) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
            f.AddText(Byte, true);
            Expected.AddText(Byte, true);
            if (Sent % 20 == 19 && Sent % 140 != 139) { // now and then a frame without a label
                f.AddText(QStringLiteral("(Data)"), false);
                Expected.AddText(QStringLiteral("(Data)"), false);
            }
        }
        if (Pacing.Clock.Now % 1000 == 450) {
            f.LabeledEdit1->selectAll();
            QTest::keyClicks(f.LabeledEdit1, "20");
            Expected.SetMaxLinesText(QStringLiteral("2"));
            Expected.SetMaxLinesText(QStringLiteral("20"));
            EXPECT_EQ(f.MaxLines(), 20);
        }
    });
    EXPECT_EQ(Mismatches, 0);
    ASSERT_GE(Changes.size(), 10u);
    EXPECT_LE(Changes.size(), 11u);
    for (size_t i = 1; i < Changes.size(); ++i)
        EXPECT_GE(Changes[i] - Changes[i - 1], uint32_t(PaintIntervalMs));
    const uint32_t Last = Pacing.Clock.Now;
    Pacing.Advance(PaintIntervalMs);
    EXPECT_LE(Changes.back() - Last, uint32_t(PaintIntervalMs));
    EXPECT_EQ(f.Memo1->toPlainText(), Expected.Text());
    EXPECT_EQ(f.Log().Lines(), Expected.Lines());
    EXPECT_FALSE(f.FlushPending());
}

TEST(DebugForm, RecordsWhileHiddenAndNotWhenUnchecked)
{
    TDebugForm f;
    Frame(f, {"73", "1B", "68"}, "(Init)");
    EXPECT_FALSE(f.FlushPending()); // hidden: the view catches up when shown
    EXPECT_EQ(Shown(f), "Данные:\n73.1B.68.(Init)");
    f.AddText("62.", true);
    QTest::mouseClick(f.CheckBox1, Qt::LeftButton, {}, QPoint(4, f.CheckBox1->height() / 2));
    ASSERT_FALSE(f.CheckBox1->isChecked());
    Frame(f, {"00", "62"}, "(Status)");
    EXPECT_EQ(Shown(f), "Данные:\n73.1B.68.(Init)\n62.");
    EXPECT_FALSE(f.LineEndPending());
    f.CheckBox1->setChecked(true);
    f.AddText("00.", true);
    EXPECT_EQ(Shown(f), "Данные:\n73.1B.68.(Init)\n62.00.");
}

TEST(DebugForm, BadLimitEntriesKeepTheLimit)
{
    TDebugForm f;
    for (const char* bad : {"0", "-5", "abc", ""}) {
        f.LabeledEdit1->selectAll();
        if (*bad)
            QTest::keyClicks(f.LabeledEdit1, bad);
        else
            QTest::keyClick(f.LabeledEdit1, Qt::Key_Delete);
        EXPECT_EQ(f.MaxLines(), 14) << bad;
    }
}

TEST(DebugForm, CloseHidesAndShowBesidePlacesAtThePluginArea)
{
    QWidget main;
    main.resize(630, 420);
    auto* area = new QWidget(&main);
    area->setObjectName("PlugInPlaceholder");
    area->setGeometry(97, 30, 533, 360);
    main.move(100, 80);
    main.show();

    auto* f = new TDebugForm;
    f->ShowBeside(&main);
    EXPECT_TRUE(f->isVisible());
    const QPoint expected = main.pos() + QPoint(97 + 8, 30 + 55);
    EXPECT_EQ(f->pos(), expected);

    Frame(*f, {"62"}, "(Status)");
    EXPECT_FALSE(f->close()); // refused: hidden instead
    EXPECT_FALSE(f->isVisible());
    Frame(*f, {"62"}, "(Status)"); // recorded meanwhile
    f->move(0, 0);
    f->ShowBeside(&main, area); // moved back again
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->pos(), expected);
    EXPECT_EQ(f->Memo1->toPlainText(), "Данные:\n62.(Status)\n62.(Status)");
    delete f;
}
