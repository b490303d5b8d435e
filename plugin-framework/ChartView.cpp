#include "ChartView.h"

#include <QPainter>

namespace ostan {

TChartView::TChartView(QWidget* Parent) : QWidget(Parent)
{
    Model.WidthSource = [this] { return width(); };
    Model.OnChange = [this] { Marking.AskToPaint(); };
    setAutoFillBackground(true);
    QPalette P = palette();
    P.setColor(QPalette::Window, Qt::white);
    setPalette(P);
}

TChartView::~TChartView()
{
    Model.WidthSource = nullptr;
    Model.OnChange = nullptr;
}

TChartLayout TChartView::Layout() const
{
    return LayOutChart(Model, size(), fontMetrics());
}

void TChartView::paintEvent(QPaintEvent*)
{
    const TChartLayout L = Layout();
    if (L.Plot.isNull())
        return;
    QPainter Painter(this);
    const QColor WindowText = palette().color(QPalette::WindowText);

    Painter.setPen(QPen(QColor(0xD0, 0xD0, 0xD0), 0, Qt::DotLine));
    for (int Y : L.GridY)
        Painter.drawLine(L.Plot.left(), Y, L.Plot.right(), Y);
    Painter.setPen(WindowText);
    Painter.drawRect(L.Plot.adjusted(0, 0, -1, -1));

    for (const TChartLine& Line : L.Lines) {
        Painter.setPen(QPen(Line.Color, Line.Width));
        Painter.drawPolyline(Line.Points);
    }
    const QFont ViewFont = font();
    for (const TChartText& T : L.Texts) {
        Painter.setPen(T.Ink.isValid() ? T.Ink : WindowText);
        QFont F = ViewFont;
        if (!T.Family.isEmpty())
            F.setFamily(T.Family);
        Painter.setFont(F);
        if (T.Rotation == 0) {
            Painter.drawText(T.Box, int(T.Align), T.Text);
            continue;
        }
        Painter.save();
        Painter.translate(QRectF(T.Box).center());
        Painter.rotate(T.Rotation);
        Painter.drawText(QRectF(-T.Box.height() / 2.0, -T.Box.width() / 2.0, T.Box.height(), T.Box.width()),
                         int(T.Align), T.Text);
        Painter.restore();
    }
}

} // namespace ostan
