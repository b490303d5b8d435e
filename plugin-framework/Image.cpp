#include "Image.h"

#include <QFile>
#include <QPainter>
#include <stdexcept>

namespace ostan {

TImage::TImage(QWidget* Parent) : QWidget(Parent) {}

void TImage::SetPicture(const TPicture& P)
{
    FPicture = P;
    updateGeometry();
    update();
}

void TImage::LoadFromJpeg(const QByteArray& Data)
{
    FPicture.LoadFromJpeg(Data);
    updateGeometry();
    update();
}

void TImage::LoadFromJpegFile(const QString& Path)
{
    QFile F(Path);
    if (!F.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot read " + Path.toStdString());
    LoadFromJpeg(F.readAll());
}

QSize TImage::sizeHint() const
{
    return FPicture.Empty() ? QSize(105, 105) : QSize(FPicture.Width(), FPicture.Height());
}

void TImage::paintEvent(QPaintEvent*)
{
    if (FPicture.Empty())
        return;
    QPainter P(this);
    P.drawImage(0, 0, FPicture.Graphic());
}

} // namespace ostan
