#include "MainImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <functional>

namespace ostan {

namespace {

// Every picture is drawn from shapes: a font that lacks a symbol would show
// an empty box instead.
using Drawing = std::function<void(QPainter&)>;

const QColor Ink(40, 40, 40);
const QColor Paper(255, 255, 255);

QPainterPath Outline(std::initializer_list<QPointF> Corners)
{
    QPainterPath Path;
    Path.addPolygon(QPolygonF(QList<QPointF>(Corners)));
    Path.closeSubpath();
    return Path;
}

// A sheet of paper with its corner folded, lines of text on it.
void Sheet(QPainter& P, const QRectF& R)
{
    const qreal Fold = 3;
    P.setPen(QPen(Ink, 1));
    P.setBrush(Paper);
    P.drawPath(Outline({R.topLeft(), {R.right() - Fold, R.top()}, {R.right(), R.top() + Fold}, R.bottomRight(),
                        R.bottomLeft()}));
    P.setPen(QPen(QColor(70, 110, 190), 1));
    for (qreal Y = R.top() + 3; Y < R.bottom() - 1; Y += 2)
        P.drawLine(QPointF(R.left() + 2, Y), QPointF(R.right() - 2, Y));
}

void Cut(QPainter& P)
{
    P.setPen(QPen(QColor(90, 90, 100), 1.5));
    P.drawLine(QPointF(5, 1), QPointF(10, 10));
    P.drawLine(QPointF(11, 1), QPointF(6, 10));
    P.setPen(QPen(QColor(180, 30, 30), 1.5));
    P.setBrush(Qt::NoBrush);
    P.drawEllipse(QPointF(4.5, 12.5), 2.5, 2.5);
    P.drawEllipse(QPointF(11.5, 12.5), 2.5, 2.5);
}

void Copy(QPainter& P)
{
    Sheet(P, QRectF(1.5, 1.5, 8, 10));
    Sheet(P, QRectF(6.5, 4.5, 8, 10));
}

void Paste(QPainter& P)
{
    P.setPen(QPen(QColor(90, 60, 20), 1));
    P.setBrush(QColor(190, 140, 70));
    P.drawRoundedRect(QRectF(1.5, 2.5, 10, 12), 1.5, 1.5);
    P.setBrush(QColor(150, 150, 160));
    P.drawRect(QRectF(4.5, 1.5, 4, 2));
    Sheet(P, QRectF(6.5, 5.5, 8, 9));
}

void Open(QPainter& P)
{
    P.setPen(QPen(QColor(120, 80, 10), 1));
    P.setBrush(QColor(230, 180, 60));
    P.drawPath(Outline({{1.5, 13.5}, {1.5, 3.5}, {5.5, 3.5}, {7, 5}, {12.5, 5}, {12.5, 13.5}}));
    P.setBrush(QColor(250, 215, 110));
    P.drawPath(Outline({{1.5, 13.5}, {4.5, 7.5}, {15, 7.5}, {12.5, 13.5}}));
}

void Save(QPainter& P)
{
    P.setPen(QPen(QColor(20, 40, 90), 1));
    P.setBrush(QColor(50, 90, 170));
    P.drawPath(Outline({{1.5, 1.5}, {12.5, 1.5}, {14.5, 3.5}, {14.5, 14.5}, {1.5, 14.5}}));
    P.setBrush(QColor(200, 200, 210));
    P.drawRect(QRectF(4.5, 1.5, 7, 4));
    P.setBrush(Paper);
    P.drawRect(QRectF(3.5, 8.5, 9, 6));
}

// A coloured disc with a white sign on it.
void Disc(QPainter& P, const QColor& Color)
{
    P.setPen(QPen(Color.darker(140), 1));
    P.setBrush(Color);
    P.drawEllipse(QRectF(1, 1, 14, 14));
}

void About(QPainter& P)
{
    Disc(P, QColor(40, 110, 200));
    P.setPen(Qt::NoPen);
    P.setBrush(Paper);
    P.drawEllipse(QRectF(7, 3.5, 2, 2));
    P.drawRect(QRectF(7, 6.5, 2, 6));
}

void HelpSign(QPainter& P)
{
    Disc(P, QColor(40, 90, 190));
    QPainterPath Hook;
    Hook.moveTo(5.5, 6);
    Hook.arcTo(QRectF(5.5, 3.5, 5, 5), 180, -270);
    Hook.lineTo(8, 10);
    P.setPen(QPen(Paper, 1.7, Qt::SolidLine, Qt::FlatCap));
    P.setBrush(Qt::NoBrush);
    P.drawPath(Hook);
    P.setPen(Qt::NoPen);
    P.setBrush(Paper);
    P.drawEllipse(QRectF(7, 11, 2, 2));
}

void Search(QPainter& P)
{
    P.setPen(QPen(QColor(60, 60, 60), 2.5, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(QPointF(10, 10), QPointF(14, 14));
    P.setPen(QPen(QColor(30, 110, 40), 1.5));
    P.setBrush(QColor(200, 235, 255));
    P.drawEllipse(QRectF(1.5, 1.5, 9, 9));
}

void Speaker(QPainter& P)
{
    P.setPen(QPen(Ink, 1));
    P.setBrush(QColor(150, 150, 150));
    P.drawPath(Outline({{1.5, 5.5}, {4.5, 5.5}, {8.5, 2}, {8.5, 14}, {4.5, 10.5}, {1.5, 10.5}}));
}

void SoundOff(QPainter& P)
{
    Speaker(P);
    P.setPen(QPen(QColor(200, 30, 30), 1.5, Qt::SolidLine, Qt::RoundCap));
    P.drawLine(QPointF(10.5, 5.5), QPointF(14.5, 10.5));
    P.drawLine(QPointF(14.5, 5.5), QPointF(10.5, 10.5));
}

void SoundOn(QPainter& P)
{
    Speaker(P);
    P.setPen(QPen(QColor(30, 150, 30), 1.3));
    P.setBrush(Qt::NoBrush);
    P.drawArc(QRectF(6, 5, 5, 6), -60 * 16, 120 * 16);
    P.drawArc(QRectF(5, 2, 9, 12), -60 * 16, 120 * 16);
}

void Reset(QPainter& P)
{
    const QColor Red(200, 50, 30);
    P.setPen(QPen(Red, 2, Qt::SolidLine, Qt::FlatCap));
    P.setBrush(Qt::NoBrush);
    P.drawArc(QRectF(2.5, 2.5, 11, 11), 100 * 16, 280 * 16);
    P.setPen(Qt::NoPen);
    P.setBrush(Red);
    P.drawPath(Outline({{4, 0.5}, {9.5, 3}, {4.5, 6.5}}));
}

void Debug(QPainter& P)
{
    // A window of the traffic log, its title bar rounded off.
    QPainterPath Frame;
    Frame.addRoundedRect(QRectF(1.5, 2.5, 13, 11), 3, 3);
    P.setPen(QPen(Ink, 1));
    P.setBrush(Paper);
    P.drawPath(Frame);
    P.setClipPath(Frame);
    P.fillRect(QRectF(1.5, 2.5, 13, 3), QColor(40, 80, 160));
    P.setClipping(false);
    P.setPen(QPen(QColor(0, 130, 0), 1));
    for (qreal Y = 8; Y < 13; Y += 2)
        P.drawLine(QPointF(3.5, Y), QPointF(Y < 10 ? 11.5 : 8.5, Y));
}

void Device(QPainter& P)
{
    P.setPen(QPen(QColor(30, 60, 60), 1));
    P.setBrush(QColor(60, 140, 160));
    P.drawRoundedRect(QRectF(3.5, 0.5, 9, 15), 2, 2);
    P.setBrush(QColor(190, 240, 190));
    P.drawRect(QRectF(5.5, 2.5, 5, 4));
    P.setBrush(QColor(230, 200, 60));
    P.drawEllipse(QRectF(6, 9, 4, 4));
}

} // namespace

std::vector<QIcon> DrawImageList1()
{
    // By index; an index without a drawing stays empty, as no action shows it.
    const std::vector<std::pair<int, Drawing>> Drawings = {
        {0, Cut},    {1, Copy},      {2, Paste},    {7, Open},    {8, Save},   {11, About},  {12, Search},
        {15, SoundOff}, {16, SoundOn}, {18, Reset}, {19, HelpSign}, {20, Debug}, {21, Device},
    };
    std::vector<QIcon> Images;
    for (int Index = 0; Index < 22; ++Index) {
        QPixmap Pm(16, 16);
        Pm.fill(Qt::transparent);
        for (const auto& [At, Draw] : Drawings) {
            if (At != Index)
                continue;
            QPainter P(&Pm);
            P.setRenderHint(QPainter::Antialiasing);
            Draw(P);
        }
        Images.push_back(QIcon(Pm));
    }
    return Images;
}

} // namespace ostan
