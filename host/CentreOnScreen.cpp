#include "CentreOnScreen.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace ostan {

void CentreOnPrimaryScreen(QWidget& Window)
{
    if (const QScreen* s = QGuiApplication::primaryScreen())
        Window.move(s->availableGeometry().center() - Window.rect().center());
}

} // namespace ostan
