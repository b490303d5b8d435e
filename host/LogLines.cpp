#include "LogLines.h"

namespace ostan {

TLogLines::TLogLines()
    : LinesList{QStringLiteral("Данные:"), QString()}
{
}

void TLogLines::AddText(const QString& Text, bool SameLine)
{
    if (!Recording)
        return;
    if (LineEndPending) {
        StartNewLine();
        LineEndPending = false;
    } else if (SameLine && !LinesList.isEmpty() && !LinesList.last().isEmpty()
               && LinesList.last().size() + Text.size() > MaxLineLength) {
        StartNewLine();
    }
    if (LinesList.isEmpty())
        LinesList.append(Text);
    else
        LinesList.last().append(Text);
    if (!SameLine)
        LineEndPending = true;
}

void TLogLines::StartNewLine()
{
    if (LinesList.size() < MaxLines)
        LinesList.append(QString());
    else
        Clear();
}

void TLogLines::Clear()
{
    LinesList.clear();
    ++Gen;
}

bool TLogLines::SetMaxLinesText(const QString& Text)
{
    bool ok = false;
    const int v = Text.toInt(&ok, 10);
    if (!ok || v < 1)
        return false;
    MaxLines = v;
    return true;
}

} // namespace ostan
