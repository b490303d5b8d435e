#include "Image.h"

#include <QPainter>

namespace ostan {

TImage::TImage(QWidget* Parent) : QWidget(Parent) {}

void TImage::SetPicture(const TPicture* Source)
{
    Shown.Assign(Source);
    update();
}

void TImage::paintEvent(QPaintEvent*)
{
    if (Shown.Empty())
        return;
    const QSize Size = Shown.Graphic().size().scaled(size(), Qt::KeepAspectRatio);
    const QRect Target(QPoint((width() - Size.width()) / 2, (height() - Size.height()) / 2), Size);
    QPainter P(this);
    P.setRenderHint(QPainter::SmoothPixmapTransform);
    P.drawImage(Target, Shown.Graphic());
}

} // namespace ostan
