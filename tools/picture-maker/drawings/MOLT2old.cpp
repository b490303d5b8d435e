// The early single-board MOLT-2.1 analyser and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <algorithm>

namespace picturemaker {

namespace {

// The analyser in the frame R: a tall grey housing with a window over the one
// board (its display and two trimmers showing), two keys, the cable gland at
// the bottom left and the sensor head at the bottom right.
void Molt2OldAnalyser(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Housing with its screws.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(170, 175, 185));
    P.drawRect(Box(0.08, 0.02, 0.84, 0.74));
    P.setBrush(QColor(90, 90, 95));
    for (double X : {0.12, 0.82})
        for (double Y : {0.05, 0.68})
            P.drawEllipse(Box(X, Y, 0.05, 0.05 * W / H));
    // The window over the board.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(40, 110, 60));
    const QRectF Board = Box(0.20, 0.12, 0.60, 0.40);
    P.drawRect(Board);
    // The display on the board.
    P.setBrush(QColor(150, 190, 140));
    const QRectF Display = Box(0.26, 0.16, 0.48, 0.13);
    P.drawRect(Display);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.09)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(20, 40, 20));
    P.drawText(Display, Qt::AlignCenter, QStringLiteral("2.00"));
    // Trimmers.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(230, 200, 80));
    for (double X : {0.30, 0.56})
        P.drawEllipse(Box(X, 0.35, 0.12, 0.12 * W / H));
    // Keys.
    P.setBrush(QColor(60, 60, 65));
    for (double X : {0.26, 0.56})
        P.drawRect(Box(X, 0.57, 0.18, 0.07));
    // Cable gland and sensor head.
    P.setBrush(QColor(120, 120, 125));
    P.drawRect(Box(0.18, 0.76, 0.14, 0.12));
    SensorHead(P, Box(0.52, 0.76, 0.30, 0.10), Box(0.50, 0.86, 0.34, 0.12));
}

QImage Molt2OldDevice()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Molt2OldAnalyser(p, QRectF(12, 44, 128, 176));
    Caption(p, QRect(0, 4, 152, 20), QStringLiteral("MOLT-2.1"), 14);
    Caption(p, QRect(0, 22, 152, 18), QStringLiteral("старый вариант"), 11);
    Caption(p, QRect(0, 228, 152, 18), QStringLiteral("Газоанализатор"), 11);
    return img;
}

// The adapter at the top right, the analyser at the bottom and the named
// cable from the adapter to the analyser's gland.
QImage Molt2OldConnection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(62, 6, 80, 34));
    Lead(p, QPointF(102, 52), QPointF(110, 100), QPointF(0, 80), QPointF(20, 128));
    RoundPlug(p, QPointF(20, 136), 10, Pins);
    Molt2OldAnalyser(p, QRectF(20, 120, 104, 128));
    Caption(p, QRect(4, 56, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Molt2OldRod4() { return Molt2OldConnection(4, "ROD-4"); }
QImage Molt2OldDar5() { return Molt2OldConnection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("molt2old-device", Molt2OldDevice);
PICTURE_DRAWING("molt2old-rod4", Molt2OldRod4);
PICTURE_DRAWING("molt2old-dar5", Molt2OldDar5);

} // namespace picturemaker
