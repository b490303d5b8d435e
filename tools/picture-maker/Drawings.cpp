#include "Drawings.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <jpeglib.h>

namespace picturemaker {

QImage Canvas(int W, int H, QColor Background)
{
    QImage img(W, H, QImage::Format_RGB888);
    img.fill(Background);
    return img;
}

void Caption(QPainter& P, const QRect& R, const QString& Text, int Px)
{
    QFont f = P.font();
    f.setPixelSize(Px);
    f.setBold(true);
    P.setFont(f);
    P.setPen(Qt::black);
    P.drawText(R, Qt::AlignCenter, Text);
}

// The round sensor plug of a cable, with its pins.
void RoundPlug(QPainter& P, QPointF C, double R, int Pins)
{
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(205, 170, 70));
    P.drawEllipse(C, R, R);
    P.setBrush(Qt::black);
    for (int i = 0; i < Pins; ++i) {
        const double a = 2 * M_PI * i / Pins - M_PI / 2;
        P.drawEllipse(C + QPointF(R * 0.55 * std::cos(a), R * 0.55 * std::sin(a)), R * 0.12, R * 0.12);
    }
}

// The adapter cable: the adapter's plug, the lead and the sensor plug.
QImage Cable(int Pins, const char* Name)
{
    QImage img = Canvas(129, 65);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 2));
    p.setBrush(QColor(70, 70, 80));
    p.drawRoundedRect(6, 14, 30, 24, 3, 3);
    p.setPen(QPen(QColor(40, 40, 40), 4));
    QPainterPath lead(QPointF(36, 26));
    lead.cubicTo(60, 8, 70, 44, 92, 26);
    p.setBrush(Qt::NoBrush);
    p.drawPath(lead);
    RoundPlug(p, QPointF(106, 26), 16, Pins);
    Caption(p, QRect(0, 46, 129, 18), QString::fromLatin1(Name));
    return img;
}


void SensorHead(QPainter& P, const QRectF& Head, const QRectF& Gauze)
{
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(170, 170, 175));
    P.drawRect(Head);
    P.setBrush(QColor(90, 90, 95));
    P.drawRoundedRect(Gauze, 4, 4);
    P.setPen(QPen(QColor(200, 200, 200), 1));
    for (double X = Gauze.left() + 4; X < Gauze.right() - 2; X += 4)
        P.drawLine(QPointF(X, Gauze.top() + 2), QPointF(X, Gauze.bottom() - 2));
}

void AdapterBox(QPainter& P, const QRectF& R)
{
    P.setPen(QPen(Qt::black, 2));
    P.setBrush(QColor(60, 60, 70));
    P.drawRoundedRect(R, 4, 4);
    P.setPen(Qt::white);
    QFont F = P.font();
    F.setPixelSize(10);
    F.setBold(true);
    P.setFont(F);
    P.drawText(R, Qt::AlignCenter, QStringLiteral("Адаптер"));
    P.setPen(QPen(Qt::black, 1.5));
    P.setBrush(QColor(70, 70, 80));
    P.drawRect(QRectF(R.center().x() - 10, R.bottom(), 20, 12));
}

void Lead(QPainter& P, QPointF From, QPointF C1, QPointF C2, QPointF To)
{
    P.setPen(QPen(QColor(40, 40, 40), 4));
    P.setBrush(Qt::NoBrush);
    QPainterPath Path(From);
    Path.cubicTo(C1, C2, To);
    P.drawPath(Path);
}

std::vector<Drawing>& Registry()
{
    static std::vector<Drawing> d;
    return d;
}

DrawingRegistration::DrawingRegistration(const char* Name, QImage (*Draw)())
{
    Registry().push_back({Name, Draw});
}

const std::vector<Drawing>& Drawings()
{
    std::vector<Drawing>& d = Registry();
    std::sort(d.begin(), d.end(), [](const Drawing& A, const Drawing& B) { return qstrcmp(A.Name, B.Name) < 0; });
    return d;
}

namespace {
QImage CableRod4() { return Cable(4, "ROD-4"); }
QImage CableDar5() { return Cable(5, "DAR-5"); }
} // namespace
PICTURE_DRAWING("cable-rod4", CableRod4);
PICTURE_DRAWING("cable-dar5", CableDar5);

bool WriteJpeg(const QImage& Image, const QString& File, QString* Error)
{
    const QImage img = Image.convertToFormat(QImage::Format_RGB888);
    FILE* out = std::fopen(QFile::encodeName(File).constData(), "wb");
    if (!out) {
        *Error = QStringLiteral("cannot write %1").arg(File);
        return false;
    }
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, out);
    c.image_width = JDIMENSION(img.width());
    c.image_height = JDIMENSION(img.height());
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(img.constScanLine(int(c.next_scanline)));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return std::fclose(out) == 0;
}

} // namespace picturemaker
