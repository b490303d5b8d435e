#pragma once
// Typing, deletion and clipboard rules of the numeric edit controls, on a
// plain text + caret + selection state. They keep the text a number while it
// is edited in place: signs are toggled rather than typed, the decimal
// separator and "E" are never typed twice nor deleted one by one, fixed
// decimals are overwritten, and the exponent stays within +-4932. Every
// refusal is one system beep, which the caller sounds.
#include "NumFormat.h"

#include <QString>
#include <functional>

namespace ostan {

// Virtual key codes the rules look at.
enum : int { VK_BACK = 8, VK_RETURN = 13, VK_SPACE = 32, VK_UP = 38, VK_DOWN = 40, VK_DELETE = 46 };

struct TNumEditState {
    QString Text;
    int SelStart = 0;  // the caret when nothing is selected
    int SelLength = 0;

    QString SelText() const { return Text.mid(SelStart, SelLength); }
    bool operator==(const TNumEditState&) const = default;
};

class TNumEditModel {
public:
    static constexpr int MaxExponent = 4932;

    explicit TNumEditModel(TNumFormatter Format, int MaxLength = 0) : Format(Format), MaxLength(MaxLength) {}

    // One typed character; returns the beeps (0 or 1).
    int KeyPress(TNumEditState& s, QChar Key) const;

    // Backspace or Delete: the selection, or one character.
    void KeyDown(TNumEditState& s, int Key) const;
    void DeleteChar(TNumEditState& s, int Key) const;
    // Deletes the characters of the selection that a single deletion may
    // remove; separators and "E" inside it stay.
    void DeleteSelection(TNumEditState& s) const;

    // Regroups the thousands after a key in the Thousands format.
    void KeyUp(TNumEditState& s, int Key) const;

    // What a copy puts on the clipboard: the selection without thousands
    // separators ("0" with nothing selected).
    static QString CopyText(const TNumEditState& s) { return TNumFormatter::StripThousands(s.SelText()); }

    // Deletes the selection, then types every character of Text (Filter,
    // when given, sees each one first and may change it or set it to 0).
    // Returns the beeps.
    int Paste(TNumEditState& s, const QString& Text, const std::function<void(QChar&)>& Filter = {}) const;

private:
    int TypeDigit(TNumEditState& s, QChar Key, int C, int D, int P, bool Neg) const;
    bool Insert(TNumEditState& s, int At, QChar c) const;
    bool Skipped(QChar c) const;

    TNumFormatter Format;
    int MaxLength;
};

} // namespace ostan
