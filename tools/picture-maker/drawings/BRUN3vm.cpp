// The analyser BRUN-3вм and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace picturemaker {

namespace {

// The analyser in the frame R: a portable grey-green case with a carrying
// handle, its display showing the sensor voltage, the sound grille and two
// keys; the pump's sampling probe hangs on a hose from its lower left and
// the cable socket sits on its right side.
void Brun3vmAnalyser(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Handle.
    P.setPen(QPen(QColor(40, 40, 40), std::max(2.0, W * 0.04)));
    P.setBrush(Qt::NoBrush);
    P.drawArc(Box(0.25, 0.00, 0.44, 0.22), 0, 180 * 16);
    // Case.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(120, 150, 120));
    P.drawRoundedRect(Box(0.08, 0.10, 0.78, 0.58), 5, 5);
    // Socket on the right.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.86, 0.36, 0.10, 0.10));
    // Display with a reading.
    P.setBrush(QColor(190, 210, 230));
    const QRectF Display = Box(0.16, 0.16, 0.62, 0.16);
    P.drawRect(Display);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.10)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(20, 20, 60));
    P.drawText(Display, Qt::AlignCenter, QStringLiteral("950.5"));
    // Name.
    F.setPixelSize(std::max(7, int(H * 0.06)));
    P.setFont(F);
    P.setPen(Qt::black);
    P.drawText(Box(0.12, 0.33, 0.70, 0.09), Qt::AlignCenter, QStringLiteral("BRUN-3вм"));
    // Sound grille and two keys.
    P.setPen(QPen(QColor(40, 40, 40), 1.5));
    for (int i = 0; i < 4; ++i) {
        const double Y = 0.46 + i * 0.04;
        P.drawLine(Box(0.16, Y, 0, 0).topLeft(), Box(0.40, Y, 0, 0).topLeft());
    }
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(200, 60, 40));
    P.drawEllipse(Box(0.50, 0.46, 0.11, 0.11 * W / H));
    P.setBrush(QColor(60, 60, 65));
    P.drawEllipse(Box(0.66, 0.46, 0.11, 0.11 * W / H));
    // Hose and sampling probe.
    P.setPen(QPen(QColor(30, 30, 30), std::max(2.0, W * 0.03)));
    P.setBrush(Qt::NoBrush);
    QPainterPath Hose(Box(0.18, 0.68, 0, 0).topLeft());
    Hose.cubicTo(Box(0.10, 0.80, 0, 0).topLeft(), Box(0.40, 0.84, 0, 0).topLeft(), Box(0.52, 0.80, 0, 0).topLeft());
    P.drawPath(Hose);
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(180, 180, 185));
    P.drawRoundedRect(Box(0.52, 0.77, 0.40, 0.06), 2, 2);
}

QImage Brun3vmDevice()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Brun3vmAnalyser(p, QRectF(10, 36, 132, 190));
    Caption(p, QRect(0, 6, 152, 20), QStringLiteral("BRUN-3вм"), 14);
    Caption(p, QRect(0, 228, 152, 18), QStringLiteral("Газоанализатор"), 11);
    return img;
}

// The adapter at the top, the analyser below it and the named cable from
// the adapter's socket round to the analyser's side socket.
QImage Brun3vmConnection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(10, 6, 80, 34));
    Lead(p, QPointF(50, 52), QPointF(60, 110), QPointF(150, 90), QPointF(137, 158));
    RoundPlug(p, QPointF(137, 168), 10, Pins);
    Brun3vmAnalyser(p, QRectF(6, 112, 120, 136));
    Caption(p, QRect(88, 66, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Brun3vmRod4() { return Brun3vmConnection(4, "ROD-4"); }
QImage Brun3vmDar5() { return Brun3vmConnection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("brun3vm-device", Brun3vmDevice);
PICTURE_DRAWING("brun3vm-rod4", Brun3vmRod4);
PICTURE_DRAWING("brun3vm-dar5", Brun3vmDar5);

} // namespace picturemaker
