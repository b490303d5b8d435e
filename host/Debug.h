#pragma once
// The traffic log window "Отладка": the bytes from the adapter as hex text,
// a label ending each recognised frame. It records while hidden too.
#include "LogLines.h"
#include "PaintPacer.h"

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace ostan {

class TDebugForm : public QWidget {
    Q_OBJECT
public:
    explicit TDebugForm(QWidget* Parent = nullptr);

    // Longest time a recorded text waits before Memo1 shows it: Memo1 takes
    // the lines as they stand right before the window paints (TPaintPacer),
    // not per byte or per frame, which at 11,520 bytes a second would cost
    // most of a core.
    static constexpr int FlushIntervalMs = PaintIntervalMs;

    // Called by the receive machine for every byte (SameLine true) and every
    // frame label (SameLine false). Cheap: the lines take the text at once,
    // Memo1 catches up within FlushIntervalMs while the window is shown, and
    // when it is shown again.
    void AddText(const QString& Text, bool SameLine);
    void StartNewLine();

    // The main window's "Режим отладки": place the window at the plug-in
    // area (screen position of the main window + the area's offset + (8, 55)),
    // show it and bring it to the front. Placeholder defaults to the main
    // window's child named "PlugInPlaceholder".
    void ShowBeside(QWidget* MainWindow, QWidget* PlugInPlaceholder = nullptr);
    static QPoint PlaceBeside(QPoint MainWindowPos, QPoint PlaceholderOffset);

    // Brings Memo1 up to date with the lines at once.
    void Flush();
    // Memo1 waits for the next paint to catch up.
    bool FlushPending() const { return View.PaintAsked(); }

    const TLogLines& Log() const { return Lines; }
    bool LineEndPending() const { return Lines.LineEndPending; }
    int MaxLines() const { return Lines.MaxLines; }

    QLabel* Label21;
    QPlainTextEdit* Memo1;
    QPushButton* Button1;
    QCheckBox* CheckBox1;
    QLabel* LabeledEdit1Label;
    QLineEdit* LabeledEdit1;
    QLabel* Label1;

public slots:
    void Button1Click();
    void LabeledEdit1Change(const QString& Text);

protected:
    void closeEvent(QCloseEvent* Event) override; // FormCloseQuery: hide instead
    void showEvent(QShowEvent* Event) override;

private:
    void ScheduleFlush();

    TLogLines Lines;
    TPaintHook View{[this] { Flush(); }};
    // What Memo1 shows of Lines: their generation, the number of lines and
    // the length of the last one.
    uint64_t ShownGeneration = 0;
    int ShownLines = 0;
    int ShownLastLength = 0;
};

} // namespace ostan
