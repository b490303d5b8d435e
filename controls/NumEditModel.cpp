#include "NumEditModel.h"

#include "NumberSeparators.h"

#include <algorithm>
#include <cstdlib>

namespace ostan {

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Integer value of an exponent text ("-73"); saturates, reads the leading
// digits only.
long ExponentOf(const QString& s)
{
    int i = 0;
    const bool neg = !s.isEmpty() && s[0] == u'-';
    if (neg)
        ++i;
    long v = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i)
        v = std::min(v * 10 + (s[i].unicode() - '0'), 1'000'000L);
    return neg ? -v : v;
}

// 1-based position as the rules count it; 0 when absent.
int Pos(const QString& t, QChar c) { return int(t.indexOf(c)) + 1; }

} // namespace

bool TNumEditModel::Skipped(QChar c) const
{
    return c == u'E' || c == ThousandSeparator() || c == DecimalSeparator();
}

bool TNumEditModel::Insert(TNumEditState& s, int At, QChar c) const
{
    if (MaxLength > 0 && s.Text.size() >= MaxLength)
        return false;
    s.Text.insert(At, c);
    s.SelStart = At + 1;
    s.SelLength = 0;
    return true;
}

int TNumEditModel::KeyPress(TNumEditState& s, QChar Key) const
{
    const QChar sep = DecimalSeparator();
    const bool accepted = Key == u'-' || IsDigit(Key) || Key == u'E' || Key == u'e' || Key == sep;
    if (!accepted || (Key == sep && Format.Decimals == 0))
        return 1;
    if (Key == u'e')
        Key = u'E';

    if (Key == u'E' || Key == sep)
        s.SelLength = 0;
    else
        DeleteSelection(s);

    QString& t = s.Text;
    const int len = int(t.size());
    int S = std::clamp(s.SelStart, 0, len);
    const int D = Pos(t, sep);
    const int P = Pos(t, u'E');
    const bool Neg = t.startsWith(u'-');
    const bool ExpNeg = P != 0 && t.mid(P).contains(u'-');
    if (Neg && S == 0)
        S = 1;
    if (ExpNeg && S == P)
        S = P + 1;
    s.SelStart = S;
    s.SelLength = 0;

    if (Key == u'-') {
        if (P != 0 && S >= P) {
            if (ExpNeg) {
                t.remove(P, 1);
                --S;
            } else {
                t.insert(P, u'-');
                ++S;
            }
        } else if (Neg) {
            t.remove(0, 1);
            --S;
        } else {
            t.prepend(u'-');
            ++S;
        }
        s.SelStart = std::clamp(S, 0, int(t.size()));
        return 0;
    }

    if (Key == sep) {
        if (D != 0) {
            s.SelStart = D;
            return 0;
        }
        const int at = Format.Decimals == -1 ? (P != 0 ? P - 1 : len) : S;
        return Insert(s, at, sep) ? 0 : 1;
    }

    if (Key == u'E') {
        if (P != 0) {
            s.SelStart = P;
            return 0;
        }
        return Insert(s, len, u'E') ? 0 : 1;
    }

    return TypeDigit(s, Key, S, D, P, Neg);
}

int TNumEditModel::TypeDigit(TNumEditState& s, QChar Key, int C, int D, int P, bool Neg) const
{
    QString& t = s.Text;
    const int len = int(t.size());
    auto replace = [&](int at) {
        t[at] = Key;
        s.SelStart = at + 1;
        return 0;
    };

    if (C <= 2 && len >= 2 && t[1] == u'0' && Neg)
        return replace(1);
    if (C <= 1 && len >= 1 && t[0] == u'0')
        return replace(0);
    if (P != 0 && C == P && len > P && t[P] == u'0') {
        // A leading zero of the exponent is replaced; the limit still holds.
        if (std::abs(ExponentOf(Key + t.mid(P + 1, 99))) > MaxExponent)
            return 1;
        return replace(P);
    }
    if (P != 0 && C >= P) {
        const QString exponent = t.mid(P, C - P) + Key + t.mid(C, 99);
        if (std::abs(ExponentOf(exponent)) > MaxExponent)
            return 1;
        return Insert(s, C, Key) ? 0 : 1;
    }
    if (Format.Decimals > 0 && D != 0 && C >= D) {
        if (C == D + Format.Decimals)
            return 1; // every place is filled
        // Overwrite the next place; never the exponent mark behind a
        // fraction that shows fewer places than Decimals.
        if (C >= len || !IsDigit(t[C]))
            return 1;
        return replace(C);
    }
    return Insert(s, C, Key) ? 0 : 1;
}

void TNumEditModel::KeyDown(TNumEditState& s, int Key) const
{
    if (Key != VK_BACK && Key != VK_DELETE)
        return;
    if (s.SelLength > 0)
        DeleteSelection(s);
    else
        DeleteChar(s, Key);
}

void TNumEditModel::DeleteChar(TNumEditState& s, int Key) const
{
    QString& t = s.Text;
    const int len = int(t.size());
    const int D = Pos(t, DecimalSeparator());
    int P = Pos(t, u'E');
    if (P == 0)
        P = len + 1;
    const int S = std::clamp(s.SelStart, 0, len);
    s.SelLength = 0;

    int c;
    if (Key == VK_DELETE) {
        c = S + 1;
        if (c > len)
            return;
    } else {
        c = S;
        if (c == 0)
            return;
    }
    if (Skipped(t[c - 1]))
        c += Key == VK_DELETE ? 1 : -1;
    if (c <= 0 || c > len)
        return;

    if (D != 0 && c > D && c < P) {
        t.remove(c - 1, 1);
        if (Format.Decimals > 0) {
            const int e = int(t.indexOf(u'E'));
            t.insert(e < 0 ? t.size() : e, u'0');
        }
        s.SelStart = c - 1;
    } else if (c == 1 && t.startsWith(u'-')) {
        t.remove(0, 1);
        if (t.isEmpty())
            t = QStringLiteral("0");
        s.SelStart = 0;
    } else if (c == 1 && (c == D - 1 || c == P - 1 || len == 1)) {
        t[0] = u'0';
        s.SelStart = 1;
    } else {
        t.remove(c - 1, 1);
        s.SelStart = c - 1;
        const bool exponential = Format.NumberFormat == TNumberFormat::Scientific ||
                                 Format.NumberFormat == TNumberFormat::Engineering;
        if (exponential && t.endsWith(u'E'))
            t += u'0';
    }
}

void TNumEditModel::DeleteSelection(TNumEditState& s) const
{
    if (s.SelLength <= 0)
        return;
    if (s.SelLength >= s.Text.size()) {
        s.Text = Format.FormatValue(0);
        s.SelStart = 0;
        s.SelLength = 0;
        return;
    }
    // From the end backwards, so the positions still to visit stay put.
    const int start = s.SelStart;
    const int end = start + s.SelLength;
    s.SelStart = end;
    s.SelLength = 0;
    for (int i = end - 1; i >= start; --i) {
        if (Skipped(s.Text[i]))
            continue;
        s.SelStart = i + 1;
        DeleteChar(s, VK_BACK);
    }
}

void TNumEditModel::KeyUp(TNumEditState& s, int Key) const
{
    if (s.SelLength != 0 || Format.NumberFormat != TNumberFormat::Thousands)
        return;
    const QChar sep = DecimalSeparator();
    const QChar th = ThousandSeparator();
    const QString old = s.Text;
    const QString now = Format.FormatValue(TNumFormatter::GetValue(old));
    const int kOld = int(old.count(th));
    const int kNew = int(now.count(th));
    if (kOld == kNew && old.indexOf(th) == now.indexOf(th) && Key != VK_RETURN && Key != VK_SPACE)
        return;
    s.Text = now;
    int caret = s.SelStart + kNew - kOld;
    const bool sepOld = old.contains(sep);
    const bool sepNew = now.contains(sep);
    if (sepNew && !sepOld)
        ++caret;
    else if (sepOld && !sepNew)
        --caret;
    caret = std::clamp(caret, 0, int(now.size()));
    if (caret < now.size() && now[caret] == th)
        ++caret;
    s.SelStart = caret;
}

int TNumEditModel::Paste(TNumEditState& s, const QString& Text, const std::function<void(QChar&)>& Filter) const
{
    DeleteSelection(s);
    int beeps = 0;
    for (QChar c : Text) {
        if (Filter)
            Filter(c);
        if (!c.isNull())
            beeps += KeyPress(s, c);
    }
    return beeps;
}

} // namespace ostan
