// The oxygen meter TIRA-4 and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <algorithm>

namespace picturemaker {

namespace {

// The meter in the frame R: a hand-held housing with its display showing the
// oxygen reading, two keys, the gas inlet on top and the cable socket at the
// bottom.
void Tira4Meter(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Gas inlet.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(90, 90, 95));
    P.drawRect(Box(0.42, 0.00, 0.16, 0.06));
    // Housing.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(60, 150, 140));
    P.drawRoundedRect(Box(0.12, 0.06, 0.76, 0.84), 10, 10);
    // Display with the reading.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(190, 210, 170));
    const QRectF Display = Box(0.22, 0.14, 0.56, 0.20);
    P.drawRect(Display);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.11)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(20, 40, 20));
    P.drawText(Display, Qt::AlignCenter, QStringLiteral("20.9"));
    // Name.
    F.setPixelSize(std::max(7, int(H * 0.07)));
    P.setFont(F);
    P.setPen(Qt::white);
    P.drawText(Box(0.12, 0.38, 0.76, 0.10), Qt::AlignCenter, QStringLiteral("O2"));
    // Keys.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(230, 230, 230));
    P.drawEllipse(Box(0.26, 0.56, 0.18, 0.18 * W / H));
    P.drawEllipse(Box(0.56, 0.56, 0.18, 0.18 * W / H));
    // Socket at the bottom.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.40, 0.90, 0.20, 0.08));
}

QImage Tira4Device()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Tira4Meter(p, QRectF(16, 30, 120, 196));
    Caption(p, QRect(0, 6, 152, 20), QStringLiteral("TIRA-4"), 14);
    Caption(p, QRect(0, 230, 152, 18), QStringLiteral("Кислородомер"), 11);
    return img;
}

// The meter at the top, the adapter at the bottom and the named cable from
// the meter's bottom socket to the adapter.
QImage Tira4Connection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Tira4Meter(p, QRectF(40, 4, 72, 118));
    RoundPlug(p, QPointF(76, 134), 11, Pins);
    Lead(p, QPointF(76, 146), QPointF(10, 170), QPointF(140, 180), QPointF(76, 206));
    AdapterBox(p, QRectF(36, 210, 80, 34));
    Caption(p, QRect(0, 150, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Tira4Rod4() { return Tira4Connection(4, "ROD-4"); }
QImage Tira4Dar5() { return Tira4Connection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("tira4-device", Tira4Device);
PICTURE_DRAWING("tira4-rod4", Tira4Rod4);
PICTURE_DRAWING("tira4-dar5", Tira4Dar5);

} // namespace picturemaker
