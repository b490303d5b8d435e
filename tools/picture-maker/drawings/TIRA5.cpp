// The portable meters of the TIRA5 panel and their cable connections: TIRA5.1
// and TIRA5.2 for the TIRA5 library, SEVO-1 and TIRA5.3 for SEVO1. One
// handheld shape, told apart by the housing colour, the display and the name.
#include "Drawings.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace picturemaker {

namespace {

struct MeterLook {
    QColor Housing;
    const char* Name;    // on the housing
    const char* Reading; // on the display
    bool Pump;           // SEVO-1 draws its air through a pump inlet on the top
};

const MeterLook Tira5Look{QColor(70, 120, 190), "TIRA5", "0.92", false};
const MeterLook Sevo1Look{QColor(235, 130, 40), "SEVO-1", "1.05", true};

// The handheld meter in the frame R: a tall housing with the sensor grille
// (or the pump inlet) on top, the display, two keys, the name and the cable
// socket at the bottom right.
void Meter(QPainter& P, const QRectF& R, const MeterLook& Look)
{
    const double W = R.width();
    const double H = R.height();
    const auto Box = [&](double X, double Y, double BW, double BH) {
        return QRectF(R.left() + X * W, R.top() + Y * H, BW * W, BH * H);
    };
    // Sensor grille or pump inlet.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(120, 120, 125));
    if (Look.Pump) {
        P.drawRect(Box(0.42, 0.00, 0.16, 0.08));
    } else {
        P.drawRoundedRect(Box(0.30, 0.02, 0.40, 0.08), 3, 3);
        P.setPen(QPen(QColor(40, 40, 40), 1));
        for (int i = 0; i < 5; ++i) {
            const double X = R.left() + (0.36 + i * 0.07) * W;
            P.drawLine(QPointF(X, R.top() + 0.035 * H), QPointF(X, R.top() + 0.085 * H));
        }
    }
    // Housing.
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(Look.Housing);
    P.drawRoundedRect(Box(0.12, 0.08, 0.76, 0.86), 10, 10);
    // Display with a reading.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(160, 200, 150));
    const QRectF Display = Box(0.22, 0.16, 0.56, 0.20);
    P.drawRect(Display);
    QFont F = P.font();
    F.setPixelSize(std::max(8, int(H * 0.10)));
    F.setBold(true);
    P.setFont(F);
    P.setPen(QColor(20, 40, 20));
    P.drawText(Display, Qt::AlignCenter, QString::fromLatin1(Look.Reading));
    // Two keys.
    P.setPen(QPen(Qt::black, 1));
    P.setBrush(QColor(50, 50, 55));
    P.drawEllipse(Box(0.26, 0.44, 0.18, 0.18 * W / H));
    P.drawEllipse(Box(0.56, 0.44, 0.18, 0.18 * W / H));
    // Name.
    F.setPixelSize(std::max(7, int(H * 0.06)));
    P.setFont(F);
    P.setPen(Qt::white);
    P.drawText(Box(0.12, 0.62, 0.76, 0.10), Qt::AlignCenter, QString::fromLatin1(Look.Name));
    // Cable socket at the bottom right.
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(150, 150, 155));
    P.drawRect(Box(0.62, 0.94, 0.16, 0.05));
}

QImage Device(const MeterLook& Look, const char* Title, const char* Kind)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    Meter(p, QRectF(26, 34, 100, 190), Look);
    Caption(p, QRect(0, 6, 152, 20), QString::fromLatin1(Title), 13);
    Caption(p, QRect(0, 230, 152, 18), QString::fromUtf8(Kind), 11);
    return img;
}

// The adapter at the top, the meter below on the left and the named cable
// from the adapter down to the meter's bottom socket.
QImage Connection(const MeterLook& Look, int Pins, const char* Name)
{
    QImage img = Canvas(152, 252);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    AdapterBox(p, QRectF(10, 6, 80, 34));
    Meter(p, QRectF(8, 70, 80, 150), Look);
    Lead(p, QPointF(50, 52), QPointF(130, 70), QPointF(140, 250), QPointF(64, 219));
    RoundPlug(p, QPointF(120, 200), 11, Pins);
    Caption(p, QRect(88, 60, 64, 18), QString::fromLatin1(Name), 12);
    return img;
}

QImage Tira5Device() { return Device(Tira5Look, "TIRA5.1, 5.2", "Измеритель"); }
QImage Tira5Rod4() { return Connection(Tira5Look, 4, "ROD-4"); }
QImage Tira5Dar5() { return Connection(Tira5Look, 5, "DAR-5"); }
QImage Sevo1Device() { return Device(Sevo1Look, "SEVO-1, TIRA5.3", "Измеритель"); }
QImage Sevo1Rod4() { return Connection(Sevo1Look, 4, "ROD-4"); }
QImage Sevo1Dar5() { return Connection(Sevo1Look, 5, "DAR-5"); }

} // namespace

PICTURE_DRAWING("tira5-device", Tira5Device);
PICTURE_DRAWING("tira5-rod4", Tira5Rod4);
PICTURE_DRAWING("tira5-dar5", Tira5Dar5);
PICTURE_DRAWING("sevo1-device", Sevo1Device);
PICTURE_DRAWING("sevo1-rod4", Sevo1Rod4);
PICTURE_DRAWING("sevo1-dar5", Sevo1Dar5);

} // namespace picturemaker
