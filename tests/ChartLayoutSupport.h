#pragma once
// What a chart hands its painter, checked against its view: every text
// whole (it fits its box, and its box's text lies inside the view with a
// pixel to spare), every line point finite and inside the plot, every grid
// line inside the plot. The faults as readable lines; none when it is sound.
#include "ChartView.h"

#include <QStringList>
#include <QStyle>
#include <cmath>

namespace ostan::test {

inline QStringList ChartLayoutFaults(const TChartLayout& L, QSize Size, const QFontMetrics& Fm)
{
    QStringList Faults;
    if (L.Plot.isNull())
        return Faults;
    const QRect Inner = QRect(QPoint(0, 0), Size).adjusted(1, 1, -1, -1);
    auto Where = [](const QRect& R) {
        return QStringLiteral("(%1,%2 %3x%4)").arg(R.x()).arg(R.y()).arg(R.width()).arg(R.height());
    };
    for (const TChartText& T : L.Texts) {
        const int Length = Fm.horizontalAdvance(T.Text);
        const bool Upright = T.Rotation != 0;
        const int Room = Upright ? T.Box.height() : T.Box.width();
        const int Thickness = Upright ? T.Box.width() : T.Box.height();
        if (Length > Room || Fm.height() > Thickness)
            Faults << QStringLiteral("\"%1\" needs %2x%3 in %4").arg(T.Text).arg(Length).arg(Fm.height()).arg(Where(T.Box));
        // A vertical text is centred along its box.
        const QRect Ink = Upright ? QRect(T.Box.x(), T.Box.center().y() - Length / 2, T.Box.width(), Length)
                                  : QStyle::alignedRect(Qt::LeftToRight, T.Align, QSize(Length, Fm.height()), T.Box);
        if (!Inner.contains(Ink))
            Faults << QStringLiteral("\"%1\" at %2 is not inside %3").arg(T.Text, Where(Ink), Where(Inner));
    }
    const QRectF Plot(L.Plot.left(), L.Plot.top(), L.Plot.width() - 1, L.Plot.height() - 1);
    for (const TChartLine& Line : L.Lines)
        for (const QPointF& P : Line.Points)
            if (!std::isfinite(P.x()) || !std::isfinite(P.y()) || P.x() < Plot.left() || P.x() > Plot.right() ||
                P.y() < Plot.top() || P.y() > Plot.bottom())
                Faults << QStringLiteral("point %1,%2 beyond the plot %3").arg(P.x()).arg(P.y()).arg(Where(L.Plot));
    for (int Y : L.GridY)
        if (Y < L.Plot.top() || Y > L.Plot.bottom())
            Faults << QStringLiteral("grid line at %1 beyond the plot %2").arg(Y).arg(Where(L.Plot));
    return Faults;
}

inline QStringList ChartLayoutFaults(const TChartView& View)
{
    return ChartLayoutFaults(View.Layout(), View.size(), View.fontMetrics());
}

} // namespace ostan::test
