#include "Debug.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace ostan {

TDebugForm::TDebugForm(QWidget* Parent)
    : QWidget(Parent, Qt::Window | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("DebugForm"));
    setWindowTitle(QStringLiteral("Отладка"));
    // Lives until the program ends but never keeps it running on its own.
    setAttribute(Qt::WA_QuitOnClose, false);
    QFont f(QStringLiteral("MS Sans Serif"));
    f.setPixelSize(11);
    setFont(f);
    resize(505, 308);

    Label21 = new QLabel(QStringLiteral("Данные адаптера:"), this);
    Label21->setObjectName(QStringLiteral("Label21"));

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setUndoRedoEnabled(false);
    QFont mf(QStringLiteral("Arial"));
    mf.setPixelSize(11);
    Memo1->setFont(mf);

    Button1 = new QPushButton(QStringLiteral("Очистить"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    CheckBox1 = new QCheckBox(QStringLiteral("Запись журнала"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    LabeledEdit1Label = new QLabel(QStringLiteral("Буфер:"), this);
    LabeledEdit1Label->setObjectName(QStringLiteral("LabeledEdit1Label"));
    LabeledEdit1 = new QLineEdit(this);
    LabeledEdit1->setObjectName(QStringLiteral("LabeledEdit1"));
    LabeledEdit1->setFixedWidth(41);
    LabeledEdit1Label->setBuddy(LabeledEdit1);
    Label1 = new QLabel(QStringLiteral("строк"), this);
    Label1->setObjectName(QStringLiteral("Label1"));

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button1);
    bottom->addSpacing(16);
    bottom->addWidget(CheckBox1);
    bottom->addStretch(1);
    bottom->addWidget(LabeledEdit1Label);
    bottom->addWidget(LabeledEdit1);
    bottom->addWidget(Label1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 8);
    layout->addWidget(Label21);
    layout->addWidget(Memo1, 1);
    layout->addLayout(bottom);

    TPaintPacer::Instance().Pace(this);

    connect(Button1, &QPushButton::clicked, this, &TDebugForm::Button1Click);
    connect(CheckBox1, &QCheckBox::toggled, this, [this](bool On) { Lines.Recording = On; });
    connect(LabeledEdit1, &QLineEdit::textChanged, this, &TDebugForm::LabeledEdit1Change);

    // FormCreate
    LabeledEdit1->setText(QStringLiteral("14"));
    Flush();
}

void TDebugForm::AddText(const QString& Text, bool SameLine)
{
    if (!Lines.Recording)
        return;
    Lines.AddText(Text, SameLine);
    ScheduleFlush();
}

void TDebugForm::StartNewLine()
{
    Lines.StartNewLine();
    ScheduleFlush();
}

void TDebugForm::Button1Click()
{
    Lines.Clear();
    Flush();
}

void TDebugForm::LabeledEdit1Change(const QString& Text)
{
    Lines.SetMaxLinesText(Text);
}

void TDebugForm::closeEvent(QCloseEvent* Event)
{
    Event->ignore();
    hide();
}

QPoint TDebugForm::PlaceBeside(QPoint MainWindowPos, QPoint PlaceholderOffset)
{
    return MainWindowPos + PlaceholderOffset + QPoint(8, 55);
}

void TDebugForm::ShowBeside(QWidget* MainWindow, QWidget* PlugInPlaceholder)
{
    if (MainWindow) {
        if (!PlugInPlaceholder)
            PlugInPlaceholder = MainWindow->findChild<QWidget*>(QStringLiteral("PlugInPlaceholder"));
        const QPoint offset = PlugInPlaceholder ? PlugInPlaceholder->mapTo(MainWindow, QPoint(0, 0)) : QPoint();
        move(PlaceBeside(MainWindow->pos(), offset)); // pos(): the frame's top left on screen
    }
    show();
    raise();
    activateWindow();
}

void TDebugForm::showEvent(QShowEvent* Event)
{
    Flush();
    QWidget::showEvent(Event);
}

void TDebugForm::ScheduleFlush()
{
    if (isVisible())
        View.AskToPaint();
}

void TDebugForm::Flush()
{
    View.CancelPaint();
    const QStringList& l = Lines.Lines();
    if (ShownGeneration != Lines.Generation() || l.size() < ShownLines) {
        Memo1->setPlainText(Lines.Text());
    } else {
        // Lines only grew since the last pass: append the difference.
        QString tail;
        if (ShownLines > 0)
            tail = l[ShownLines - 1].mid(ShownLastLength);
        for (int i = ShownLines; i < l.size(); ++i) {
            if (i > 0)
                tail += QLatin1Char('\n');
            tail += l[i];
        }
        if (!tail.isEmpty()) {
            Memo1->moveCursor(QTextCursor::End);
            Memo1->insertPlainText(tail);
        }
    }
    Memo1->moveCursor(QTextCursor::End);
    ShownGeneration = Lines.Generation();
    ShownLines = static_cast<int>(l.size());
    ShownLastLength = l.isEmpty() ? 0 : static_cast<int>(l.last().size());
}

} // namespace ostan
