#include "ButtonFace.h"

#include <QApplication>
#include <QPalette>

namespace ostan {

QColor ButtonFace(const QPalette& P)
{
    return P.color(QPalette::Active, QPalette::Button);
}

QColor ButtonFace(const QWidget* W)
{
    return ButtonFace(W ? QApplication::palette(W) : QApplication::palette());
}

} // namespace ostan
