#include "Beep.h"
#include "NumControlsSupport.h"
#include "NumEdit.h"
#include "NumSpin.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace ostan;
using ostan::test::FixedSeparators;

namespace {

// A shown, active window with the control and a second edit to leave to.
class NumEditTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Window = std::make_unique<QWidget>();
        Edit = new TNumEdit(Window.get());
        Other = new QLineEdit(Window.get());
        Other->move(0, 40);
        Window->resize(200, 100);
        Window->show();
        Window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
        Edit->setFocus();
        ASSERT_TRUE(Edit->hasFocus());
        QGuiApplication::clipboard()->clear();
    }
    void Type(const char* Keys) { QTest::keyClicks(Edit, QString::fromLatin1(Keys)); }
    void Select(int Start, int Length) { Edit->setSelection(Start, Length); }

    FixedSeparators Sep;
    BeepRecorder Beeps;
    std::unique_ptr<QWidget> Window;
    TNumEdit* Edit = nullptr;
    QLineEdit* Other = nullptr;
};

} // namespace

TEST_F(NumEditTest, ANewControlShowsZero)
{
    TNumEdit e;
    EXPECT_EQ(e.text(), "0");
    EXPECT_EQ(e.Value(), 0);
    EXPECT_EQ(e.Decimals(), -1);
    EXPECT_EQ(e.NumberFormat(), TNumberFormat::Standard);
    EXPECT_EQ(e.Alignment(), TAlignment::taRightJustify);
    EXPECT_TRUE(e.alignment() & Qt::AlignRight);
    EXPECT_EQ(e.width(), 100);
    e.SetVersion("1");
    EXPECT_EQ(e.Version(), "8.00.00.00");
}

TEST_F(NumEditTest, LeavingOutOfRangeClampsBeepsAndTakesTheFocusBack)
{
    int exits = 0;
    Edit->OnExit = [&](TNumEdit*) { ++exits; };
    Edit->SetDecimals(2);
    Edit->SetMaxValue(3.55L);
    Edit->SetMinValue(1);
    Edit->SetValue(0.5L); // written at run time: no check yet
    EXPECT_EQ(Edit->text(), "0.50");
    EXPECT_TRUE(Beeps.MessageBeeps.empty());

    Other->setFocus();
    EXPECT_EQ(Edit->text(), "1.00");
    EXPECT_EQ(Beeps.MessageBeeps, std::vector<unsigned>{0});
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(exits, 0);

    Edit->SetValue(7);
    QTest::keyClick(Edit, Qt::Key_Tab);
    EXPECT_EQ(Edit->text(), "3.55");
    EXPECT_TRUE(Edit->hasFocus());
    EXPECT_EQ(Beeps.MessageBeeps.size(), 2u);

    // inside the range the exit formats the text and fires OnExit
    Edit->setText("2.5");
    Other->setFocus();
    EXPECT_EQ(Edit->text(), "2.50");
    EXPECT_TRUE(Other->hasFocus());
    EXPECT_EQ(exits, 1);
    EXPECT_EQ(Beeps.MessageBeeps.size(), 2u);
}

TEST_F(NumEditTest, AnAssignedOnInvalidEntryIsTheWholeReaction)
{
    int invalid = 0, exits = 0;
    Edit->OnInvalidEntry = [&](TNumEdit* Sender) { EXPECT_EQ(Sender, Edit); ++invalid; };
    Edit->OnExit = [&](TNumEdit*) { ++exits; };
    Edit->SetMaxValue(3.55L);
    Edit->SetMinValue(1);
    Edit->SetValue(0.5L);
    Other->setFocus();
    EXPECT_EQ(invalid, 1);
    EXPECT_EQ(exits, 0);
    EXPECT_EQ(Edit->text(), "0.5");
    EXPECT_TRUE(Other->hasFocus());
    EXPECT_TRUE(Beeps.MessageBeeps.empty());
}

TEST_F(NumEditTest, WithoutARangeAnyValueLeaves)
{
    Edit->SetValue(-1e9L);
    Other->setFocus();
    EXPECT_TRUE(Other->hasFocus());
    EXPECT_TRUE(Beeps.MessageBeeps.empty());
}

TEST_F(NumEditTest, PropertyWritesReformatAndClamp)
{
    int changes = 0;
    Edit->OnChange = [&](TNumEdit*) { ++changes; };
    Edit->SetValue(2.5L);
    EXPECT_EQ(changes, 1);
    Edit->SetValue(2.5L); // the same text: no change event
    EXPECT_EQ(changes, 1);
    Edit->SetDecimals(20);
    EXPECT_EQ(Edit->Decimals(), 14);
    Edit->SetDecimals(-5);
    EXPECT_EQ(Edit->Decimals(), -1);
    Edit->SetMaxLength(6);
    Edit->SetDecimals(5);
    EXPECT_EQ(Edit->Decimals(), 4);
    EXPECT_EQ(Edit->text(), "2.5000");
    Edit->SetNumberFormat(TNumberFormat::Scientific);
    EXPECT_EQ(Edit->text(), "2.5000E0");
    Edit->SetMaxValue(5);
    Edit->SetMinValue(10); // would cross: ignored
    EXPECT_EQ(Edit->MinValue(), 0);
}

TEST_F(NumEditTest, TypedKeysFollowTheRules)
{
    Type("1.5e-3x");
    EXPECT_EQ(Edit->text(), "1.5E-3");
    EXPECT_EQ(Beeps.MessageBeeps.size(), 1u);
    QTest::keyClick(Edit, Qt::Key_Backspace);
    EXPECT_EQ(Edit->text(), "1.5E-");
    EXPECT_EQ(Edit->Value(), 1.5L);
    QTest::keyClick(Edit, Qt::Key_Home);
    QTest::keyClick(Edit, Qt::Key_Right);
    Type("-");
    EXPECT_EQ(Edit->text(), "-1.5E-");
    EXPECT_EQ(Edit->cursorPosition(), 2);

    // editing shortcuts of the line edit itself do not get through
    const QString before = Edit->text();
    QTest::keyClick(Edit, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(Edit, Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(Edit->text(), before);
}

TEST_F(NumEditTest, ThousandsRegroupAsTheUserTypes)
{
    Edit->SetNumberFormat(TNumberFormat::Thousands);
    Type("1234");
    EXPECT_EQ(Edit->text(), "1,234");
    EXPECT_EQ(Edit->cursorPosition(), 5);
    Type("E5"); // reads as a number at every step
    EXPECT_EQ(Edit->text(), "123,400,000");
}

// Key releases leave the selection and its anchor alone: Shift with the
// arrows, Home and End grows and shrinks it from the caret's side.
TEST_F(NumEditTest, ShiftSelectionsGrowFromTheCaretAndADigitReplacesThem)
{
    using K = Qt::Key;
    struct Case {
        TNumberFormat Format;
        int Decimals;
        TNumValue Value;
        std::vector<K> Keys; // each with Shift, after End
        const char* Selected;
        const char* Typed; // after the digit 9
    };
    const Case cases[] = {
        {TNumberFormat::Standard, 2, 1, {K::Key_Left, K::Key_Left}, "00", "1.90"},
        {TNumberFormat::Standard, 2, 1, {K::Key_Home, K::Key_Right}, ".00", "1.90"},
        {TNumberFormat::Standard, -1, 123.45L, {K::Key_Left, K::Key_Left}, "45", "123.9"},
        {TNumberFormat::Standard, -1, 123.45L, {K::Key_Left, K::Key_Left, K::Key_Left, K::Key_Right}, "45", "123.9"},
        {TNumberFormat::Thousands, 0, 1234567, {K::Key_Left, K::Key_Left, K::Key_Left}, "567", "12,349"},
        {TNumberFormat::Thousands, 0, 1234567, {K::Key_Home, K::Key_Right, K::Key_Right}, "234,567", "19"},
        {TNumberFormat::Scientific, 2, 1500, {K::Key_Left, K::Key_Left}, "E3", "1.50E9"},
        {TNumberFormat::Engineering, 2, 1234.5L, {K::Key_Home, K::Key_Right, K::Key_Right}, "23E3", "1.90E0"},
        {TNumberFormat::Engineering, 2, 1234.5L, {K::Key_Home, K::Key_End, K::Key_Left}, "3", "1.23E9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Selected);
        Edit->SetNumberFormat(c.Format);
        Edit->SetDecimals(c.Decimals);
        Edit->SetValue(c.Value);
        QTest::keyClick(Edit, Qt::Key_End);
        for (K k : c.Keys)
            QTest::keyClick(Edit, k, Qt::ShiftModifier);
        EXPECT_EQ(Edit->selectedText(), QString::fromLatin1(c.Selected));
        // the caret stays where the keys moved it: at the selection's left end
        EXPECT_EQ(Edit->cursorPosition(), Edit->selectionStart());
        Type("9");
        EXPECT_EQ(Edit->text(), QString::fromLatin1(c.Typed));
    }
}

TEST_F(NumEditTest, ShiftDelCtrlVAndTheMenuPasteFollowTheRules)
{
    Edit->SetValue(12.5L);
    QGuiApplication::clipboard()->setText("keep");
    Select(1, 2); // "2."
    QTest::keyClick(Edit, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(Edit->text(), "1.5"); // deleted by the rules, the separator kept
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "keep");

    QGuiApplication::clipboard()->setText("7x8");
    Edit->setCursorPosition(1);
    QTest::keyClick(Edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Edit->text(), "178.5");
    EXPECT_EQ(Beeps.MessageBeeps.size(), 1u);

    QGuiApplication::clipboard()->setText("9.9");
    Edit->selectAll();
    std::unique_ptr<QMenu> menu(Edit->CreateContextMenu(nullptr));
    auto* paste = menu->findChild<QAction*>("Paste");
    ASSERT_TRUE(paste && paste->isEnabled());
    paste->trigger();
    EXPECT_EQ(Edit->text(), "9.9");
    EXPECT_EQ(Beeps.MessageBeeps.size(), 1u);
}

TEST_F(NumEditTest, CopyAndCutLeaveThousandsSeparatorsOut)
{
    Edit->SetNumberFormat(TNumberFormat::Thousands);
    Edit->SetValue(1234567);
    Select(0, 5); // "1,234"
    QTest::keyClick(Edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "1234");
    Edit->setCursorPosition(3);
    Edit->CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "0");
    Select(6, 3); // "567"
    QTest::keyClick(Edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "567");
    EXPECT_EQ(Edit->text(), "1,234"); // regrouped when the key is released
}

TEST_F(NumEditTest, AReadOnlyControlOnlyCopies)
{
    Edit->SetValue(12.5L);
    Edit->SetReadOnly(true);
    Edit->selectAll();
    Edit->CutToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "12.5");
    EXPECT_EQ(Edit->text(), "12.5");
    QGuiApplication::clipboard()->setText("3");
    QTest::keyClick(Edit, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(Edit, Qt::Key_Backspace);
    Type("4");
    EXPECT_EQ(Edit->text(), "12.5");
    EXPECT_TRUE(Beeps.MessageBeeps.empty());
    std::unique_ptr<QMenu> menu(Edit->CreateContextMenu(nullptr));
    EXPECT_FALSE(menu->findChild<QAction*>("Cut")->isEnabled());
    EXPECT_FALSE(menu->findChild<QAction*>("Paste")->isEnabled());
    EXPECT_TRUE(menu->findChild<QAction*>("Copy")->isEnabled());
}

TEST_F(NumEditTest, InputMethodsDropsAndTheSelectionPasteCannotBypassTheRules)
{
    Edit->SetValue(1);
    QInputMethodEvent im;
    im.setCommitString("2a");
    QApplication::sendEvent(Edit, &im);
    EXPECT_EQ(Edit->text(), "12");
    EXPECT_EQ(Beeps.MessageBeeps.size(), 1u);

    EXPECT_FALSE(Edit->acceptDrops());
    QMimeData mime;
    mime.setText("abc");
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Edit, &drop);
    EXPECT_EQ(Edit->text(), "12");

    if (QGuiApplication::clipboard()->supportsSelection())
        QGuiApplication::clipboard()->setText("abc", QClipboard::Selection);
    QGuiApplication::clipboard()->setText("abc");
    QTest::mouseClick(Edit, Qt::MiddleButton, {}, QPoint(5, 5));
    EXPECT_EQ(Edit->text(), "12");
}

TEST_F(NumEditTest, ADisabledControlPaintsDisabledColor)
{
    Edit->SetColor(QColor(0, 0, 255));
    Edit->SetDisabledColor(QColor(255, 0, 0));
    auto painted = [&] { return Edit->grab().toImage().pixelColor(6, Edit->height() / 2); };
    EXPECT_EQ(painted(), QColor(0, 0, 255));
    Edit->SetEnabled(false);
    EXPECT_EQ(painted(), QColor(255, 0, 0));
    Edit->SetColor(QColor(0, 255, 0)); // shows only after enabling
    EXPECT_EQ(painted(), QColor(255, 0, 0));
    Edit->SetEnabled(true);
    EXPECT_EQ(painted(), QColor(0, 255, 0));
    Window->setEnabled(false); // a disabled parent disables the control too
    EXPECT_EQ(painted(), QColor(255, 0, 0));
}

// Enter and Escape belong to the window: Enter presses the default button,
// Escape cancels; the control neither keeps nor beeps at them.
TEST(NumControlKeys, EnterAndEscapeReachTheDialog)
{
    FixedSeparators Sep;
    BeepRecorder Beeps;
    struct Case { const char* Control; bool ReadOnly; Qt::Key Key; Qt::KeyboardModifiers Mods; int Result; };
    const Case Cases[] = {
        {"edit", false, Qt::Key_Return, Qt::NoModifier, QDialog::Accepted},
        {"edit", false, Qt::Key_Enter, Qt::KeypadModifier, QDialog::Accepted},
        {"edit", false, Qt::Key_Escape, Qt::NoModifier, QDialog::Rejected},
        {"spin", false, Qt::Key_Return, Qt::NoModifier, QDialog::Accepted},
        {"spin", false, Qt::Key_Escape, Qt::NoModifier, QDialog::Rejected},
        {"spin", true, Qt::Key_Return, Qt::NoModifier, QDialog::Accepted},
        {"spin", true, Qt::Key_Escape, Qt::NoModifier, QDialog::Rejected},
    };
    for (const Case& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Control << (C.ReadOnly ? " read-only " : " ") << C.Key);
        QDialog Dialog;
        TNumEdit* Edit = std::string(C.Control) == "spin" ? new TNumSpin(&Dialog) : new TNumEdit(&Dialog);
        Edit->SetValue(12);
        Edit->SetReadOnly(C.ReadOnly);
        auto* Ok = new QPushButton(QStringLiteral("OK"), &Dialog);
        Ok->move(0, 40);
        Ok->setDefault(true);
        QObject::connect(Ok, &QPushButton::clicked, &Dialog, &QDialog::accept);
        Dialog.setResult(-1);
        Dialog.show();
        Dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Dialog));
        Edit->setFocus();
        ASSERT_TRUE(Edit->hasFocus());
        QTest::keyClick(Edit, C.Key, C.Mods);
        EXPECT_FALSE(Dialog.isVisible());
        EXPECT_EQ(Dialog.result(), C.Result);
        EXPECT_EQ(Edit->text(), "12");
        EXPECT_TRUE(Beeps.MessageBeeps.empty());
        Beeps.MessageBeeps.clear();
    }
}
