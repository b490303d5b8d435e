#include "ShownState.h"

#include "ManualPacing.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

using namespace ostan;

namespace {

struct TWidgets {
    QWidget Panel;
    QLineEdit* Edit = new QLineEdit(QStringLiteral("1.0"), &Panel);
    QLabel* Label = new QLabel(QStringLiteral("мВ"), &Panel);
    QProgressBar* Bar = new QProgressBar(&Panel);
    TWidgets() { Bar->setRange(0, 12); }
};

QString FlagOf(const QLabel* L)
{
    return QString::number(L->isEnabled()) + L->palette().color(QPalette::Window).name() + L->accessibleDescription();
}

} // namespace

// Each kind of change: before pacing at once; once paced the widget keeps
// what it shows while the state answers the latest, and takes the latest by
// the interval's end, once however many changes came.
TEST(ShownState, ChangesGoAtOnceUntilPacedThenByTheIntervalsEnd)
{
    test::TManualPacing Pacing;
    TWidgets W;
    W.Label->setEnabled(false);
    struct TKind {
        const char* What;
        std::function<void(TShownState&, int)> Set; // the Nth change
        std::function<QString()> Widget;
        std::function<QString(const TShownState&)> State; // none: the state has no reader for it
        std::function<QString(int)> Shows;                 // what the Nth change shows
    };
    const TKind Kinds[] = {
        {"field", [&](TShownState& S, int N) { S.SetText(W.Edit, QString::number(N) + ".5"); },
         [&] { return W.Edit->text(); }, [&](const TShownState& S) { return S.Text(W.Edit); },
         [](int N) { return QString::number(N) + ".5"; }},
        {"label", [&](TShownState& S, int N) { S.SetText(W.Label, QString(N, u'В')); },
         [&] { return W.Label->text(); }, [&](const TShownState& S) { return S.Text(W.Label); },
         [](int N) { return QString(N, u'В'); }},
        {"flag", [&](TShownState& S, int N) { S.SetFlag(W.Label, N % 2, N % 2 ? Qt::red : Qt::gray, N % 2 ? "есть" : ""); },
         [&] { return FlagOf(W.Label); }, nullptr,
         [](int N) { return N % 2 ? QStringLiteral("1#ff0000есть") : "0" + QColor(Qt::gray).name(); }},
        {"background", [&](TShownState& S, int N) { S.SetBase(W.Edit, QColor(N, 0, 0)); },
         [&] { return W.Edit->palette().color(QPalette::Base).name(); }, nullptr,
         [](int N) { return QColor(N, 0, 0).name(); }},
        {"bar", [&](TShownState& S, int N) { S.SetValue(W.Bar, N); }, [&] { return QString::number(W.Bar->value()); },
         [&](const TShownState& S) { return QString::number(S.Value(W.Bar)); }, [](int N) { return QString::number(N); }},
    };
    for (const TKind& K : Kinds) {
        SCOPED_TRACE(K.What);
        TShownState S;
        K.Set(S, 0);
        EXPECT_EQ(K.Widget(), K.Shows(0));
        EXPECT_FALSE(S.Waiting());
        S.Pace();
        Pacing.Advance(2 * PaintIntervalMs);

        int WidgetChanges = 0;
        QString Seen = K.Shows(0);
        for (int N = 1; N <= 5; ++N) {
            K.Set(S, N);
            if (K.State) {
                EXPECT_EQ(K.State(S), K.Shows(N));
            }
            EXPECT_TRUE(S.Waiting());
            EXPECT_EQ(K.Widget(), Seen); // nothing reaches the widget by itself
            Pacing.Advance(1);
            if (K.Widget() != Seen)
                ++WidgetChanges;
            Seen = K.Widget();
        }
        Pacing.Advance(PaintIntervalMs);
        EXPECT_EQ(K.Widget(), K.Shows(5));
        EXPECT_FALSE(S.Waiting());
        // The first change after a quiet interval went at the next pass, the
        // rest waited for the interval's end together.
        EXPECT_EQ(WidgetChanges, 1);
    }
}

// Setting back what the widget shows while a change waits leaves the widget
// untouched; a change made while the state applies (a widget's signal) waits
// for the next interval and is not lost; a reader's Apply shows all at once.
TEST(ShownState, UndoneChangesReentryAndApply)
{
    test::TManualPacing Pacing;
    TWidgets W;
    TShownState S;
    S.Pace();
    Pacing.Advance(2 * PaintIntervalMs);
    S.SetText(W.Label, QStringLiteral("x"));
    Pacing.Advance(1); // the quiet interval's first change goes at once
    ASSERT_EQ(W.Label->text(), QStringLiteral("x"));

    int EditChanges = 0;
    QObject::connect(W.Edit, &QLineEdit::textChanged, [&] { ++EditChanges; });
    S.SetText(W.Edit, QStringLiteral("2.0"));
    S.SetText(W.Edit, QStringLiteral("1.0"));
    Pacing.Advance(PaintIntervalMs);
    EXPECT_EQ(EditChanges, 0);
    EXPECT_EQ(W.Edit->text(), QStringLiteral("1.0"));

    const auto Reentry = QObject::connect(W.Edit, &QLineEdit::textChanged, [&](const QString& T) { S.SetText(W.Label, T + "!"); });
    S.SetText(W.Edit, QStringLiteral("3.0"));
    Pacing.Advance(PaintIntervalMs);
    ASSERT_EQ(W.Edit->text(), QStringLiteral("3.0"));
    EXPECT_EQ(S.Text(W.Label), QStringLiteral("3.0!"));
    EXPECT_EQ(W.Label->text(), QStringLiteral("x"));
    Pacing.Advance(PaintIntervalMs);
    EXPECT_EQ(W.Label->text(), QStringLiteral("3.0!"));

    QObject::disconnect(Reentry);
    S.SetValue(W.Bar, 7);
    S.SetText(W.Edit, QStringLiteral("4.0"));
    S.Apply();
    EXPECT_EQ(W.Bar->value(), 7);
    EXPECT_EQ(W.Edit->text(), QStringLiteral("4.0"));
    EXPECT_FALSE(S.Waiting());
    EXPECT_EQ(W.Edit->cursorPosition(), 0); // the leading digits show
}
