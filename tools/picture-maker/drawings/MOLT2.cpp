// The analyser MOLT-2.1 (design variants 1 and 2) and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace picturemaker {

namespace {

// The analyser in the frame R: a wall housing with its display showing a
// reading, three keys, the alarm lamp and the sensor head below; the cable
// socket on its right side.
void Molt2Analyser(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Housing.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(225, 200, 60));
    P.drawRoundedRect(Box(0.05, 0.04, 0.82, 0.66), 6, 6);
    // Socket on the right.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.87, 0.30, 0.10, 0.10));
    // Display with a reading.
    P.setBrush(QColor(150, 190, 140));
    const QRectF Display = Box(0.15, 0.10, 0.62, 0.18);
    P.drawRect(Display);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.12)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(20, 40, 20));
    P.drawText(Display, Qt::AlignCenter, QStringLiteral("1.50"));
    // Name.
    F.setPixelSize(std::max(7, int(H * 0.065)));
    P.setFont(F);
    P.setPen(Qt::black);
    P.drawText(Box(0.10, 0.30, 0.72, 0.10), Qt::AlignCenter, QStringLiteral("MOLT-2.1"));
    // Keys and the alarm lamp.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(60, 60, 65));
    for (int i = 0; i < 3; ++i)
        P.drawRoundedRect(Box(0.15 + i * 0.16, 0.47, 0.12, 0.08), 2, 2);
    P.setBrush(QColor(220, 0, 0));
    P.drawEllipse(Box(0.66, 0.46, 0.10, 0.10 * W / H));
    SensorHead(P, Box(0.30, 0.70, 0.32, 0.12), Box(0.27, 0.82, 0.38, 0.14));
}

QImage Molt2Device()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Molt2Analyser(p, QRectF(10, 40, 132, 180));
    Caption(p, QRect(0, 6, 152, 20), QStringLiteral("MOLT-2.1"), 14);
    Caption(p, QRect(0, 228, 152, 18), QStringLiteral("Газоанализатор"), 11);
    return img;
}

// The adapter at the top, the analyser at the bottom and the named cable
// from the adapter to the analyser's side socket.
QImage Molt2Connection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(10, 6, 80, 34));
    Lead(p, QPointF(50, 52), QPointF(40, 110), QPointF(150, 90), QPointF(132, 160));
    RoundPlug(p, QPointF(132, 170), 11, Pins);
    Molt2Analyser(p, QRectF(14, 120, 110, 128));
    Caption(p, QRect(88, 60, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Molt2Rod4() { return Molt2Connection(4, "ROD-4"); }
QImage Molt2Dar5() { return Molt2Connection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("molt2-device", Molt2Device);
PICTURE_DRAWING("molt2-rod4", Molt2Rod4);
PICTURE_DRAWING("molt2-dar5", Molt2Dar5);

} // namespace picturemaker
