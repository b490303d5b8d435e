// The sensor block KARN-7E/8 and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace picturemaker {

namespace {

// The block in the frame R: a round-shouldered cylindrical housing with a
// screwed cap and its socket on top, a status lamp and a name band, the
// sensor head below.
void Karn7e8Block(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Socket and screwed cap.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.42, 0.00, 0.16, 0.06));
    P.setBrush(QColor(60, 60, 65));
    P.drawRoundedRect(Box(0.26, 0.06, 0.48, 0.07), 3, 3);
    for (int i = 1; i < 6; ++i) {
        const double X = 0.26 + i * 0.08;
        P.drawLine(Box(X, 0.06, 0, 0.07).topLeft(), Box(X, 0.06, 0, 0.07).bottomLeft());
    }
    // Cylindrical housing.
    P.setPen(QPen(Qt::black, 2));
    QLinearGradient Shade(Box(0.14, 0, 0.72, 0).topLeft(), Box(0.14, 0, 0.72, 0).topRight());
    Shade.setColorAt(0, QColor(30, 95, 60));
    Shade.setColorAt(0.45, QColor(90, 170, 115));
    Shade.setColorAt(1, QColor(30, 95, 60));
    P.setBrush(Shade);
    P.drawRoundedRect(Box(0.14, 0.13, 0.72, 0.58), 14, 14);
    // Name band and status lamp.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(240, 240, 230));
    const QRectF Band = Box(0.18, 0.24, 0.64, 0.15);
    P.drawRect(Band);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.07)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(Qt::black);
    P.drawText(Band, Qt::AlignCenter, QStringLiteral("7E/8"));
    P.setBrush(QColor(0, 210, 0));
    P.drawEllipse(Box(0.5, 0.5, 0, 0).topLeft(), W * 0.06, W * 0.06);
    SensorHead(P, Box(0.30, 0.71, 0.40, 0.13), Box(0.28, 0.84, 0.44, 0.14));
}

QImage Karn7e8Device()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Karn7e8Block(p, QRectF(16, 28, 120, 200));
    Caption(p, QRect(0, 4, 152, 20), QStringLiteral("KARN-7E/8"), 14);
    Caption(p, QRect(0, 230, 152, 18), QStringLiteral("Блок датчика"), 11);
    return img;
}

// The adapter at the top, the named cable coming down in an S and its round
// plug on the block's cap.
QImage Karn7e8Connection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(36, 6, 80, 34));
    Lead(p, QPointF(76, 52), QPointF(140, 72), QPointF(12, 104), QPointF(76, 122));
    RoundPlug(p, QPointF(76, 134), 13, Pins);
    Karn7e8Block(p, QRectF(46, 146, 60, 100));
    Caption(p, QRect(0, 62, 60, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Karn7e8Rod4() { return Karn7e8Connection(4, "ROD-4"); }
QImage Karn7e8Dar5() { return Karn7e8Connection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("karn7e8-device", Karn7e8Device);
PICTURE_DRAWING("karn7e8-rod4", Karn7e8Rod4);
PICTURE_DRAWING("karn7e8-dar5", Karn7e8Dar5);

} // namespace picturemaker
