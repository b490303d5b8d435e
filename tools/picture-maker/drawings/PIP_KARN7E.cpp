// The explosion-proof sensor block KARN-7E and its cable connections.
#include "Drawings.h"

#include <QPainter>
#include <algorithm>

namespace picturemaker {

namespace {

// The block in the frame R: a round cast housing with its flanged lid and
// bolts, the "Ex" mark, the armoured gland on top and the sensor head below.
void Karn7eBlock(QPainter& P, const QRectF& R)
{
    const double W = R.width();
    const double H = R.height();
    const auto At = [&](double X, double Y) { return QPointF(R.left() + X * W, R.top() + Y * H); };
    const auto Box = [&](double X, double Y, double BW, double BH) { return QRectF(At(X, Y), QSizeF(BW * W, BH * H)); };

    // Armoured gland and its socket.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(90, 90, 95));
    P.drawRect(Box(0.42, 0.00, 0.16, 0.06));
    P.setBrush(QColor(180, 140, 60));
    P.drawRect(Box(0.34, 0.06, 0.32, 0.08));
    // Cast housing: the body and its flanged lid.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(200, 60, 40));
    P.drawEllipse(Box(0.06, 0.14, 0.88, 0.56));
    P.setBrush(QColor(170, 45, 30));
    P.drawEllipse(Box(0.16, 0.21, 0.68, 0.42));
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(210, 210, 210));
    for (const auto& [X, Y] : {std::pair{0.12, 0.40}, {0.82, 0.40}, {0.47, 0.15}, {0.47, 0.64}})
        P.drawEllipse(Box(X, Y, 0.06, 0.035));
    // The explosion-protection mark.
    P.setBrush(QColor(250, 220, 0));
    const QRectF Mark = Box(0.34, 0.33, 0.32, 0.18);
    P.drawRect(Mark);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.11)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(Qt::black);
    P.drawText(Mark, Qt::AlignCenter, QStringLiteral("Ex"));
    SensorHead(P, Box(0.34, 0.70, 0.32, 0.14), Box(0.32, 0.84, 0.36, 0.14));
}

QImage Karn7eDevice()
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Karn7eBlock(p, QRectF(16, 28, 120, 200));
    Caption(p, QRect(0, 4, 152, 20), QStringLiteral("KARN-7E"), 14);
    Caption(p, QRect(0, 230, 152, 18), QStringLiteral("Взрывозащищенный"), 11);
    return img;
}

// The adapter on top, the named cable coiling down to the block's socket.
QImage Karn7eConnection(int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(36, 6, 80, 34));
    Lead(p, QPointF(76, 52), QPointF(140, 70), QPointF(10, 104), QPointF(76, 124));
    RoundPlug(p, QPointF(76, 134), 12, Pins);
    Karn7eBlock(p, QRectF(44, 146, 64, 104));
    Caption(p, QRect(0, 62, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Karn7eRod4() { return Karn7eConnection(4, "ROD-4"); }
QImage Karn7eDar5() { return Karn7eConnection(5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("karn7e-device", Karn7eDevice);
PICTURE_DRAWING("karn7e-rod4", Karn7eRod4);
PICTURE_DRAWING("karn7e-dar5", Karn7eDar5);

} // namespace picturemaker
