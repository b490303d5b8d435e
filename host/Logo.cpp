#include "Logo.h"

#include "CentreOnScreen.h"
#include "Ticks.h"
#include "Version.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>

namespace ostan {

TLogoForm::TLogoForm(QWidget* Parent)
    : QWidget(Parent, Qt::SplashScreen | Qt::FramelessWindowHint)
    , CreatedTicks(GetTickCount())
{
    setObjectName(QStringLiteral("LogoForm"));
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(319, 68);

    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    Panel1->setGeometry(0, 0, 319, 68);

    Label1 = new QLabel(QStringLiteral("OSTAN"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont title(QStringLiteral("Arial"));
    title.setPixelSize(27);
    title.setBold(true);
    title.setItalic(true);
    Label1->setFont(title);
    Label1->setStyleSheet(QStringLiteral("color: #008080;"));

    LabelVersion = new QLabel(QStringLiteral("Информация о версии не найдена"), Panel1);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));

    Label2 = new QLabel(QStringLiteral("Инициализация ..."), Panel1);
    Label2->setObjectName(QStringLiteral("Label2"));
    QFont status(QStringLiteral("Courier New"));
    status.setPixelSize(13);
    status.setItalic(true);
    Label2->setFont(status);
    Label2->setAutoFillBackground(true);
    QPalette pal = Label2->palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xDC, 0xC0)); // pale green
    Label2->setPalette(pal);

    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(2, 1, 2, 2);
    layout->setSpacing(0);
    for (QLabel* l : {Label1, LabelVersion, Label2}) {
        l->setAlignment(Qt::AlignCenter);
        layout->addWidget(l);
    }

    // A coarse timer may fire up to 5 % early; a precise one never does, and
    // the tick counter has the last word.
    CloseTimer = new QTimer(this);
    CloseTimer->setObjectName(QStringLiteral("CloseTimer"));
    CloseTimer->setSingleShot(true);
    CloseTimer->setTimerType(Qt::PreciseTimer);
    CloseTimer->setInterval(MinShowMs);
    connect(CloseTimer, &QTimer::timeout, this, &TLogoForm::CloseTimerTimeout);
    CloseTimer->start();

    // FormCreate
    TimerFired = false;
    const TVersion version;
    const QString text = version.GetVersionText();
    if (!text.isEmpty())
        LabelVersion->setText(text);

    CentreOnPrimaryScreen(*this);
    show();
}

void TLogoForm::ShowNow()
{
    raise();
    repaint();
}

bool TLogoForm::ShownLongEnough(uint32_t Shown)
{
    return Shown > static_cast<uint32_t>(MinShowMs);
}

void TLogoForm::CloseTimerTimeout()
{
    const uint32_t Shown = TicksSince(CreatedTicks);
    if (ShownLongEnough(Shown))
        CloseTimerTimer();
    else
        CloseTimer->start(MinShowMs - static_cast<int>(Shown) + 1); // early: wait for the rest
}

void TLogoForm::CloseTimerTimer()
{
    TimerFired = true;
    CloseTimer->stop();
}

void TLogoForm::closeEvent(QCloseEvent* Event)
{
    if (Closing) { // a close asked again from inside the wait
        Event->ignore();
        return;
    }
    Closing = true;
    // The tick counter decides as well as the timer, so a wait that began
    // late ends at once and a fake clock can drive it.
    PumpUntil([this] {
        if (!TimerFired && ShownLongEnough(TicksSince(CreatedTicks)))
            CloseTimerTimer();
        return TimerFired;
    }, UINT32_MAX);
    Event->accept();
    deleteLater();
}

} // namespace ostan
