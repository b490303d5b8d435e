#pragma once
// The drawings picture-maker knows, and the pieces they share. A library's
// drawings live in drawings/<Library>.cpp, each registered by
// PICTURE_DRAWING("name", Function) at namespace scope.
#include <QColor>
#include <QImage>
#include <QPointF>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;

namespace picturemaker {

struct Drawing {
    const char* Name;
    QImage (*Draw)();
};

// Every registered drawing, by name.
const std::vector<Drawing>& Drawings();

struct DrawingRegistration {
    DrawingRegistration(const char* Name, QImage (*Draw)());
};

// Encodes with libjpeg (quality 90).
bool WriteJpeg(const QImage& Image, const QString& File, QString* Error);

// A white (or Background) canvas.
QImage Canvas(int W, int H, QColor Background = Qt::white);
// Bold black text centred in R.
void Caption(QPainter& P, const QRect& R, const QString& Text, int Px = 11);
// The round sensor plug of a cable, with its pins.
void RoundPlug(QPainter& P, QPointF C, double R, int Pins);
// A sensor head (Head) with its gauze below (Gauze).
void SensorHead(QPainter& P, const QRectF& Head, const QRectF& Gauze);
// The adapter: a dark box R named "Адаптер" with its socket below it.
void AdapterBox(QPainter& P, const QRectF& R);
// A cable's lead, a Bezier curve.
void Lead(QPainter& P, QPointF From, QPointF C1, QPointF C2, QPointF To);
// The adapter cable: the adapter's plug, the lead and the sensor plug (129 x 65).
QImage Cable(int Pins, const char* Name);

} // namespace picturemaker

#define PICTURE_DRAWING_CAT2(A, B) A##B
#define PICTURE_DRAWING_CAT(A, B) PICTURE_DRAWING_CAT2(A, B)
#define PICTURE_DRAWING(Name, Function) \
    static const ::picturemaker::DrawingRegistration PICTURE_DRAWING_CAT(Registered, __LINE__)(Name, &Function)
