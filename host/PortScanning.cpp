#include "PortScanning.h"

#include "Ticks.h"

#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QVBoxLayout>

namespace ostan {

int TPortScanningForm::CloseIntervalMs = 2000;
std::function<void(const QString&, const QColor&)> TPortScanningForm::OnTextForTest;
std::function<void(const TPortScanningForm&)> TPortScanningForm::OnDetailsForTest;

TPortScanningForm::TPortScanningForm(QWidget* Owner)
    : QWidget(Owner, Qt::Tool | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("PortScanningForm"));
    setFixedSize(281, 66);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    Panel1 = new QLabel(QStringLiteral("Поиск устройства"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(5);
    QFont f(QStringLiteral("Times New Roman"));
    f.setPixelSize(13);
    Panel1->setFont(f);
    Panel1->setFixedHeight(66);
    l->addWidget(Panel1);
    Details = new QLabel(this);
    Details->setObjectName(QStringLiteral("Details"));
    Details->setWordWrap(true);
    Details->setTextFormat(Qt::PlainText);
    Details->setContentsMargins(6, 4, 6, 6);
    Details->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Details->setAutoFillBackground(true);
    Details->setAccessibleName(QStringLiteral("Не удалось открыть"));
    Details->hide();
    l->addWidget(Details);
    SetTextColor(palette().color(QPalette::WindowText));

    const QRect area = Owner ? Owner->frameGeometry() : screen()->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));

    CloseTimer.setSingleShot(true);
    CloseTimer.setInterval(CloseIntervalMs);
    connect(&CloseTimer, &QTimer::timeout, this, &TPortScanningForm::CloseTimerTimer);
    CloseTimer.start();
    show();
}

void TPortScanningForm::SetText(const QString& Text)
{
    Panel1->setText(Text);
    Panel1->repaint();
    if (OnTextForTest)
        OnTextForTest(Text, TextColor());
}

void TPortScanningForm::SetTextColor(const QColor& Color)
{
    QPalette p = Panel1->palette();
    p.setColor(QPalette::WindowText, Color);
    Panel1->setPalette(p);
    Panel1->repaint();
}

QString TPortScanningForm::Text() const { return Panel1->text(); }
QColor TPortScanningForm::TextColor() const { return Panel1->palette().color(QPalette::WindowText); }

void TPortScanningForm::SetDetails(const QString& Text)
{
    Details->setText(Text);
    Details->setVisible(!Text.isEmpty());
    const int w = Text.isEmpty() ? 281 : 440;
    setFixedWidth(w);
    layout()->activate();
    const int h = Text.isEmpty() ? 66 : layout()->heightForWidth(w);
    const QPoint centre = geometry().center();
    setFixedSize(w, h);
    move(centre - QPoint(w / 2, h / 2));
    Details->repaint();
    if (OnDetailsForTest)
        OnDetailsForTest(*this);
}

void TPortScanningForm::CloseTimerTimer() { CloseTimer.stop(); }

void TPortScanningForm::CloseWhenDone()
{
    PumpUntil([this] { return !CloseTimer.isActive(); }, 0xFFFFFFFFu);
    hide();
    deleteLater();
}

} // namespace ostan
