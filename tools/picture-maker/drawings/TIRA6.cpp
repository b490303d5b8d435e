// The portable leak detector TIRA6 and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace picturemaker {

namespace {

// The detector in the frame R: a hand-held housing with its bar display and
// range digit, the flexible probe rising from its top left and the cable
// socket on its right side.
void Tira6Detector(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto At = [&](double X, double Y) { return QPointF(R.left() + X * W, R.top() + Y * H); };
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Flexible probe with its tip.
    QPainterPath Probe(At(0.30, 0.40));
    Probe.cubicTo(At(0.20, 0.25), At(0.45, 0.12), At(0.30, 0.02));
    P.setPen(QPen(QColor(60, 60, 60), std::max(3.0, W * 0.05), Qt::SolidLine, Qt::RoundCap));
    P.setBrush(Qt::NoBrush);
    P.drawPath(Probe);
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(200, 200, 205));
    P.drawEllipse(At(0.30, 0.02), W * 0.05, W * 0.05);
    // Housing.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(230, 120, 40));
    P.drawRoundedRect(Box(0.08, 0.38, 0.78, 0.58), 8, 8);
    // Socket on the right.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.86, 0.60, 0.10, 0.08));
    // Bar display: twelve segments, seven lit, and the range digit.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(40, 40, 40));
    const QRectF Display = Box(0.16, 0.46, 0.62, 0.16);
    P.drawRect(Display);
    const double Seg = Display.width() * 0.7 / 12;
    for (int i = 0; i < 12; ++i) {
        P.setBrush(i < 7 ? QColor(0, 220, 0) : QColor(70, 90, 70));
        P.setPen(Qt::NoPen);
        P.drawRect(QRectF(Display.left() + 3 + i * Seg, Display.top() + 3, Seg * 0.7, Display.height() - 6));
    }
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(Display.height() * 0.8)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(0, 220, 0));
    P.drawText(QRectF(Display.left() + Display.width() * 0.75, Display.top(), Display.width() * 0.25,
                      Display.height()),
               Qt::AlignCenter, QStringLiteral("3"));
    // Name and keys.
    F.setPixelSize(std::max(7, int(H * 0.06)));
    P.setFont(F);
    P.setPen(Qt::black);
    P.drawText(Box(0.08, 0.64, 0.78, 0.10), Qt::AlignCenter, QStringLiteral("TIRA6"));
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(60, 60, 65));
    for (int i = 0; i < 3; ++i)
        P.drawRoundedRect(Box(0.18 + i * 0.20, 0.78, 0.14, 0.08), 2, 2);
}

QImage Tira6Device()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Tira6Detector(p, QRectF(10, 30, 132, 196));
    Caption(p, QRect(0, 6, 152, 20), QStringLiteral("TIRA6"), 14);
    Caption(p, QRect(0, 230, 152, 18), QStringLiteral("Течеискатель"), 11);
    return img;
}

// The adapter at the top left, the detector below it and the named cable
// from the adapter round to the detector's side socket.
QImage Tira6Connection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(6, 6, 80, 34));
    Lead(p, QPointF(46, 52), QPointF(150, 60), QPointF(150, 150), QPointF(140, 192));
    RoundPlug(p, QPointF(140, 204), 10, Pins);
    Tira6Detector(p, QRectF(4, 100, 130, 150));
    Caption(p, QRect(88, 40, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Tira6Rod4() { return Tira6Connection(4, "ROD-4"); }
QImage Tira6Dar5() { return Tira6Connection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("tira6-device", Tira6Device);
PICTURE_DRAWING("tira6-rod4", Tira6Rod4);
PICTURE_DRAWING("tira6-dar5", Tira6Dar5);

} // namespace picturemaker
