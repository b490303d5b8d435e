#pragma once
// Test helpers for the numeric controls: fixed separators and a compact
// notation for edit states: "12|.5" is the caret after "12", "1[23]4" a
// selection of "23".
#include "NumEditModel.h"
#include "NumberSeparators.h"
#include "QStringPrinting.h"

#include <QString>

namespace ostan::test {

struct FixedSeparators {
    explicit FixedSeparators(QChar Decimal = u'.', QChar Thousands = u',') { SetSeparatorsForTest(Decimal, Thousands); }
    ~FixedSeparators() { ResetSeparatorsForTest(); }
};

inline TNumEditState St(const QString& n)
{
    TNumEditState s;
    for (QChar c : n) {
        if (c == u'|') {
            s.SelStart = int(s.Text.size());
        } else if (c == u'[') {
            s.SelStart = int(s.Text.size());
        } else if (c == u']') {
            s.SelLength = int(s.Text.size()) - s.SelStart;
        } else {
            s.Text += c;
        }
    }
    return s;
}

inline QString Show(const TNumEditState& s)
{
    QString t = s.Text;
    if (s.SelLength > 0)
        return t.insert(s.SelStart + s.SelLength, u']').insert(s.SelStart, u'[');
    return t.insert(s.SelStart, u'|');
}

} // namespace ostan::test
