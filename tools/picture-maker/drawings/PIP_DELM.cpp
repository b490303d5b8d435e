// The sensor block DELM and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <algorithm>

namespace picturemaker {

namespace {

// The block in the frame R: a tall grey case with its digital display and
// keypad, the connector on its side, the sensor head below.
void DelmBlock(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto At = [&](double X, double Y) { return QPointF(R.left() + X * W, R.top() + Y * H); };
    const auto Box = [&](double X, double Y, double BW, double BH) { return QRectF(At(X, Y), QSizeF(BW * W, BH * H)); };

    // Connector on top.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(60, 60, 60));
    P.drawRect(Box(0.40, 0.00, 0.20, 0.08));
    // Case.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(170, 175, 180));
    P.drawRoundedRect(Box(0.14, 0.08, 0.72, 0.64), 10, 10);
    // Display with a reading.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(40, 70, 40));
    const QRectF Display = Box(0.22, 0.15, 0.56, 0.16);
    P.drawRect(Display);
    QFont F = P.font();
    F.setPixelSize(std::max(7, int(H * 0.08)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(120, 255, 120));
    P.drawText(Display, Qt::AlignCenter, QStringLiteral("1.25"));
    // Keypad.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(230, 230, 230));
    for (int Row = 0; Row < 2; ++Row)
        for (int Col = 0; Col < 3; ++Col)
            P.drawRect(Box(0.24 + Col * 0.19, 0.40 + Row * 0.12, 0.14, 0.08));
    SensorHead(P, Box(0.36, 0.72, 0.28, 0.12), Box(0.34, 0.84, 0.32, 0.14));
}

QImage DelmDevice()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    DelmBlock(p, QRectF(16, 28, 120, 200));
    Caption(p, QRect(0, 4, 152, 20), QStringLiteral("DELM"), 14);
    Caption(p, QRect(0, 230, 152, 18), QStringLiteral("Блок датчика"), 11);
    return img;
}

// The adapter on the left, the named cable across to the block on the right.
QImage DelmConnection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(6, 10, 72, 32));
    Lead(p, QPointF(42, 54), QPointF(42, 110), QPointF(100, 60), QPointF(100, 110));
    RoundPlug(p, QPointF(100, 122), 12, Pins);
    DelmBlock(p, QRectF(62, 134, 76, 112));
    Caption(p, QRect(0, 150, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage DelmRod4() { return DelmConnection(4, "ROD-4"); }
QImage DelmDar5() { return DelmConnection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("delm-device", DelmDevice);
PICTURE_DRAWING("delm-rod4", DelmRod4);
PICTURE_DRAWING("delm-dar5", DelmDar5);

} // namespace picturemaker
