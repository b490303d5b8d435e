#pragma once
// The traffic log's lines without a window: what the log shows, when a line
// ends and when the line limit empties it. The window mirrors these lines.
#include <QString>
#include <QStringList>
#include <cstdint>

namespace ostan {

class TLogLines {
public:
    static constexpr int DefaultMaxLines = 14;
    // A line that would grow past this many characters is continued on a new
    // one. Frames that get no label (refused, garbled, a wrong line speed)
    // would otherwise run on into one endless line, which costs ever more to
    // lay out and is bounded by nothing. Well above the longest frame's line.
    static constexpr int MaxLineLength = 1024;

    TLogLines();

    // Records Text when Recording is on. SameLine false ends the line after
    // Text, so the next recorded text starts a new one. A byte's text that
    // would take the line past MaxLineLength starts a new one as well (a
    // label stays with its bytes).
    void AddText(const QString& Text, bool SameLine);
    // Adds an empty line, or empties the log when it already holds MaxLines.
    void StartNewLine();
    // Empties the log, heading included; LineEndPending stays as it is.
    void Clear();

    // Applies a line-limit entry: a decimal integer of 1 or more becomes
    // MaxLines; anything else is refused and the limit kept.
    bool SetMaxLinesText(const QString& Text);

    const QStringList& Lines() const { return LinesList; }
    QString Text() const { return LinesList.join(QLatin1Char('\n')); }

    // Bumped whenever lines are taken away (clear, limit reached): a view
    // that saw an older generation must redraw, otherwise it only appends.
    uint64_t Generation() const { return Gen; }

    bool Recording = true;     // "Запись журнала"
    bool LineEndPending = false;
    int MaxLines = DefaultMaxLines;

private:
    QStringList LinesList; // empty list: the log is empty
    uint64_t Gen = 0;
};

} // namespace ostan
