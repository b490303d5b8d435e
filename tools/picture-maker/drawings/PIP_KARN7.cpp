// The sensor block KARN-7 and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace picturemaker {

namespace {

// The sensor block KARN-7 in the frame R: a wall-mounted housing with its
// indicator window, the sensor head below and the cable gland with its
// connector socket on top.
void Karn7Block(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto At = [&](double X, double Y) { return QPointF(R.left() + X * W, R.top() + Y * H); };
    const auto Box = [&](double X, double Y, double BW, double BH) { return QRectF(At(X, Y), QSizeF(BW * W, BH * H)); };

    // Socket and gland on top.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.40, 0.00, 0.20, 0.07));
    P.setBrush(QColor(205, 170, 70));
    P.drawRect(Box(0.36, 0.07, 0.28, 0.05));
    // Housing with its mounting lugs.
    P.setBrush(QColor(120, 120, 125));
    P.drawRect(Box(0.02, 0.20, 0.10, 0.08));
    P.drawRect(Box(0.88, 0.20, 0.10, 0.08));
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(70, 110, 170));
    P.drawRoundedRect(Box(0.10, 0.12, 0.80, 0.58), 6, 6);
    // Name plate and indicator lamps.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(235, 235, 225));
    const QRectF Plate = Box(0.20, 0.18, 0.60, 0.16);
    P.drawRect(Plate);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.075)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(Qt::black);
    P.drawText(Plate, Qt::AlignCenter, QStringLiteral("KARN-7"));
    const QColor Lamps[3] = {QColor(0, 200, 0), QColor(240, 220, 0), QColor(220, 0, 0)};
    for (int i = 0; i < 3; ++i) {
        P.setPen(QPen(Qt::black, 1));
        P.setBrush(Lamps[i]);
        P.drawEllipse(At(0.32 + i * 0.18, 0.46), W * 0.055, W * 0.055);
    }
    SensorHead(P, Box(0.32, 0.70, 0.36, 0.14), Box(0.30, 0.84, 0.40, 0.14));
}

QImage Karn7Device()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Karn7Block(p, QRectF(16, 28, 120, 200));
    Caption(p, QRect(0, 4, 152, 20), QStringLiteral("KARN-7"), 14);
    Caption(p, QRect(0, 230, 152, 18), QStringLiteral("Блок датчика"), 11);
    return img;
}

// The block at the bottom, the adapter at the top, and the named cable
// between them: the adapter's plug, the lead and the round sensor plug on
// the block's socket.
QImage Karn7Connection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(36, 6, 80, 34));
    // Lead down to the block.
    Lead(p, QPointF(76, 52), QPointF(20, 80), QPointF(132, 100), QPointF(76, 122));
    RoundPlug(p, QPointF(76, 134), 13, Pins);
    Karn7Block(p, QRectF(46, 146, 60, 100));
    // Cable name beside the lead.
    Caption(p, QRect(92, 62, 60, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Karn7Rod4() { return Karn7Connection(4, "ROD-4"); }
QImage Karn7Dar5() { return Karn7Connection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("karn7-device", Karn7Device);
PICTURE_DRAWING("karn7-rod4", Karn7Rod4);
PICTURE_DRAWING("karn7-dar5", Karn7Dar5);

} // namespace picturemaker
