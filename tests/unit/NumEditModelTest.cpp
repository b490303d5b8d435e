#include "NumControlsSupport.h"
#include "NumEditModel.h"

#include <gtest/gtest.h>

using namespace ostan;
using ostan::test::FixedSeparators;
using ostan::test::Show;
using ostan::test::St;
using F = TNumberFormat;

namespace {

struct KeyCase {
    F Format;
    int Decimals;
    const char* Before;
    char Key;
    const char* After;
    int Beeps;
};

class NumEditModelTest : public ::testing::Test {
protected:
    FixedSeparators Sep;
};

} // namespace

TEST_F(NumEditModelTest, TypedCharactersKeepTheTextANumber)
{
    const KeyCase cases[] = {
        // the mantissa's sign toggles, the caret stays by the same digit
        {F::Standard, -1, "12|3", '-', "-12|3", 0},
        {F::Standard, -1, "-12|3", '-', "12|3", 0},
        {F::Standard, -1, "|12", '-', "-|12", 0},
        {F::Standard, -1, "|-12", '-', "|12", 0},
        // ... and so does the exponent's, anywhere after "E"
        {F::Standard, -1, "1.5E3|", '-', "1.5E-3|", 0},
        {F::Standard, -1, "1.5E|3", '-', "1.5E-|3", 0},
        {F::Standard, -1, "1.5E-3|", '-', "1.5E3|", 0},
        {F::Standard, -1, "1.5E|-3", '7', "1.5E-7|3", 0},
        // the separator and "E" are never doubled: the caret jumps behind them
        {F::Standard, -1, "|1.5", '.', "1.|5", 0},
        {F::Standard, -1, "12|", '.', "12.|", 0},
        {F::Standard, -1, "1|2E5", '.', "12.|E5", 0},
        {F::Standard, 2, "1|2", '.', "1.|2", 0},
        {F::Standard, 0, "12|", '.', "12|", 1},
        {F::Standard, -1, "1|.5E3", 'e', "1.5E|3", 0},
        {F::Standard, -1, "1|.5", 'E', "1.5E|", 0},
        {F::Thousands, -1, "1,2|34", 'E', "1,234E|", 0},
        // fixed decimals are overwritten, a full fraction refuses
        {F::Standard, 2, "2.|50", '7', "2.7|0", 0},
        {F::Standard, 2, "2.5|0", '7', "2.57|", 0},
        {F::Standard, 2, "2.50|", '7', "2.50|", 1},
        {F::Standard, 2, "2|.50", '7', "27|.50", 0},
        // fewer places shown than Decimals: the exponent mark is not overwritten
        {F::Engineering, 14, "12.3450000000000|E0", '1', "12.3450000000000|E0", 1},
        // leading zeros are replaced
        {F::Standard, -1, "0|", '5', "5|", 0},
        {F::Standard, -1, "|0.5", '5', "5|.5", 0},
        {F::Standard, -1, "-0|", '5', "-5|", 0},
        {F::Standard, -1, "1E|0", '5', "1E5|", 0},
        // the exponent stays within 4932
        {F::Standard, -1, "1.5E493|", '2', "1.5E4932|", 0},
        {F::Standard, -1, "1.5E493|", '3', "1.5E493|", 1},
        {F::Standard, -1, "1.5E-49|2", '9', "1.5E-49|2", 1},
        {F::Standard, -1, "1E|0123", '9', "1E|0123", 1}, // also when a leading zero is replaced
        {F::Standard, -1, "1E|0123", '4', "1E4|123", 0},
        // anything else beeps
        {F::Standard, -1, "1|", 'a', "1|", 1},
        {F::Standard, -1, "1|", ' ', "1|", 1},
        {F::Standard, -1, "1|", '+', "1|", 1},
        {F::Standard, -1, "1|", ',', "1|", 1},
        {F::Standard, -1, "1|", '\r', "1|", 1},
        // a digit replaces the selection; "E" and the separator only collapse it
        {F::Standard, -1, "1[23]4", '9', "19|4", 0},
        {F::Standard, -1, "[12]", '9', "9|", 0},
        {F::Standard, -1, "1[2]3", 'E', "123E|", 0},
        {F::Standard, -1, "-1[2]3", '-', "1|3", 0},
    };
    for (const auto& c : cases) {
        TNumEditState s = St(QString::fromLatin1(c.Before));
        const int beeps = TNumEditModel(TNumFormatter(c.Decimals, c.Format)).KeyPress(s, QChar(c.Key));
        EXPECT_EQ(Show(s), QString::fromLatin1(c.After)) << c.Before << " + " << c.Key;
        EXPECT_EQ(beeps, c.Beeps) << c.Before << " + " << c.Key;
    }
}

TEST_F(NumEditModelTest, TypingANumberFromScratch)
{
    TNumEditModel m(TNumFormatter(-1, F::Standard));
    TNumEditState s = St("|0");
    int beeps = 0;
    for (char c : std::string("1.5e-3"))
        beeps += m.KeyPress(s, QChar(c));
    EXPECT_EQ(Show(s), "1.5E-3|");
    s.SelStart = 1;
    beeps += m.KeyPress(s, u'-');
    EXPECT_EQ(Show(s), "-1|.5E-3");
    EXPECT_EQ(beeps, 0);
    EXPECT_EQ(TNumFormatter::GetValue(s.Text), -0.0015L);
}

TEST_F(NumEditModelTest, DeletionKeepsTheNumbersForm)
{
    struct Case { F Format; int Decimals; const char* Before; int Key; const char* After; };
    const Case cases[] = {
        // Backspace after the separator takes the last integer digit
        {F::Standard, -1, "12.|5", VK_BACK, "1|.5"},
        // the only integer digit leaves a "0"
        {F::Standard, -1, "1.|5", VK_BACK, "0|.5"},
        {F::Standard, -1, "5|", VK_BACK, "0|"},
        {F::Standard, -1, "5|E-3", VK_BACK, "0|E-3"},
        // fixed decimals keep their number
        {F::Standard, 2, "1.2|5", VK_BACK, "1.|50"},
        {F::Standard, 2, "1.|25", VK_DELETE, "1.|50"},
        {F::Standard, 2, "1|.25", VK_DELETE, "1.|50"},
        {F::Scientific, 2, "1.2|5E3", VK_BACK, "1.|50E3"},
        // an exponent never ends in a bare "E" in the exponential formats
        {F::Scientific, -1, "1.5E3|", VK_BACK, "1.5E|0"},
        {F::Engineering, -1, "1.5E3|", VK_BACK, "1.5E|0"},
        {F::Standard, -1, "1.5E3|", VK_BACK, "1.5E|"},
        // "E" and the thousands separator are skipped, not deleted
        {F::Standard, -1, "1E|3", VK_BACK, "0|E3"},
        {F::Standard, -1, "12|E3", VK_DELETE, "12E|"},
        {F::Thousands, 0, "1,|234", VK_BACK, "|,234"},
        // the leading minus goes; an empty text becomes "0"
        {F::Standard, -1, "-|5", VK_BACK, "|5"},
        {F::Standard, -1, "|-5", VK_DELETE, "|5"},
        {F::Standard, -1, "-|", VK_BACK, "|0"},
        // nothing to delete
        {F::Standard, -1, "|12", VK_BACK, "|12"},
        {F::Standard, -1, "12|", VK_DELETE, "12|"},
    };
    for (const auto& c : cases) {
        TNumEditState s = St(QString::fromLatin1(c.Before));
        TNumEditModel(TNumFormatter(c.Decimals, c.Format)).KeyDown(s, c.Key);
        EXPECT_EQ(Show(s), QString::fromLatin1(c.After)) << c.Before << " key " << c.Key;
    }
}

TEST_F(NumEditModelTest, DeleteSelectionTouchesOnlyTheSelectedCharacters)
{
    struct Case { int Decimals; const char* Before; const char* After; };
    const Case cases[] = {
        {2, "[12.50]", "|0.00"},    // the whole text: the formatted zero
        {-1, "[12.5]", "|0"},
        {-1, "1.5[E]3", "1.5E|3"}, // only "E": nothing to delete
        {-1, "1.[5E]3", "1.|E3"},
        {-1, "1[2.]5", "1|.5"},     // the separator stays
        {-1, "[12].5", "0|.5"},
        {2, "1.[25]", "1.|00"},
        {-1, "1,[2]34", "1,|34"},
        {-1, "1,[234].5", "1,|.5"},
        {-1, "[-1]2", "|2"},
    };
    for (const auto& c : cases) {
        TNumEditState s = St(QString::fromLatin1(c.Before));
        TNumEditModel(TNumFormatter(c.Decimals, F::Standard)).KeyDown(s, VK_DELETE);
        EXPECT_EQ(Show(s), QString::fromLatin1(c.After)) << c.Before;
    }
}

TEST_F(NumEditModelTest, ThousandsRegroupWhileTyping)
{
    struct Case { const char* Before; int Key; const char* After; };
    const Case cases[] = {
        {"1234|", '4', "1,234|"},
        {"1,2345|", '5', "12,345|"},
        {"12|34", '3', "1,2|34"},
        {"|,234", VK_BACK, "|234"},
        {"1,234.|", 0x10000000 | 0x2e, "1,234.|"},
        {"1,234E|", 'E', "1,234E|"},                // no regrouping, and reading it is safe
        {"1,234.50|", '0', "1,234.50|"},            // trailing zeros survive typing
        {"1,234.50|", VK_RETURN, "1,234.5|"},       // Enter and Space reformat
        {"1,[23]4", 'X', "1,[23]4"},                // nothing with a selection
    };
    TNumEditModel m(TNumFormatter(-1, F::Thousands));
    for (const auto& c : cases) {
        TNumEditState s = St(QString::fromLatin1(c.Before));
        m.KeyUp(s, c.Key);
        EXPECT_EQ(Show(s), QString::fromLatin1(c.After)) << c.Before;
    }
    TNumEditState s = St("1234|");
    TNumEditModel(TNumFormatter(-1, F::Standard)).KeyUp(s, '4');
    EXPECT_EQ(Show(s), "1234|");
}

TEST_F(NumEditModelTest, ClipboardTextsGoThroughTheRules)
{
    EXPECT_EQ(TNumEditModel::CopyText(St("1,[234.5]")), "234.5");
    EXPECT_EQ(TNumEditModel::CopyText(St("[1,234]")), "1234");
    EXPECT_EQ(TNumEditModel::CopyText(St("1,234|")), "0");

    TNumEditModel free(TNumFormatter(-1, F::Standard));
    TNumEditState s = St("1|");
    EXPECT_EQ(free.Paste(s, "2a3.4\n"), 2);
    EXPECT_EQ(Show(s), "123.4|");

    // pasting over everything with fixed decimals fills the places
    TNumEditModel fixed(TNumFormatter(2, F::Standard));
    s = St("[7.00]");
    EXPECT_EQ(fixed.Paste(s, "2.5"), 0);
    EXPECT_EQ(Show(s), "2.5|0");

    // control characters in the text are refused like any other
    s = St("1|");
    EXPECT_EQ(free.Paste(s, QString(QChar(22)) + "5"), 1);
    EXPECT_EQ(Show(s), "15|");

    // a filter sees every character and may drop it
    s = St("|0");
    free.Paste(s, "123", [](QChar& c) { if (c == u'2') c = QChar(); });
    EXPECT_EQ(Show(s), "13|");
}

TEST_F(NumEditModelTest, MaxLengthRefusesInsertionsButNotOverwrites)
{
    TNumEditModel m(TNumFormatter(2, F::Standard), 4);
    TNumEditState s = St("1.|50");
    EXPECT_EQ(m.KeyPress(s, u'7'), 0);
    EXPECT_EQ(Show(s), "1.7|0");
    s = St("1|.50");
    EXPECT_EQ(m.KeyPress(s, u'7'), 1);
    EXPECT_EQ(Show(s), "1|.50");
}
