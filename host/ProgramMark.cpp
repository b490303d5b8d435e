#include "ProgramMark.h"

#include <QPainter>
#include <QPainterPath>

namespace ostan {

void DrawProgramMark(QPainter& P, const QRectF& Box)
{
    const double s = Box.height() / 40.0;
    P.save();
    P.setRenderHint(QPainter::Antialiasing);
    // The border inside Box, so that nothing is drawn outside it.
    const double pen = 2 * s;
    const QRectF box = Box.adjusted(pen / 2, pen / 2, -pen / 2, -pen / 2);
    P.setPen(QPen(ProgramMarkColour.darker(130), pen));
    P.setBrush(ProgramMarkColour);
    P.drawRoundedRect(box, 6 * s, 6 * s);
    QPainterPath trace;
    const double margin = 8 * s;
    trace.moveTo(box.left() + margin, box.center().y());
    const double step = (box.width() - 2 * margin) / 8;
    for (int i = 1; i <= 8; ++i)
        trace.lineTo(box.left() + margin + i * step,
                     box.center().y() + (i % 2 ? -11 : 11) * s * (i % 4 == 2 ? 0.4 : 1.0));
    P.setPen(QPen(QColor(0xC0, 0xFF, 0xC0), pen));
    P.setBrush(Qt::NoBrush);
    P.drawPath(trace);
    P.restore();
}

} // namespace ostan
