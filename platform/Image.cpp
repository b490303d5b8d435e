#include "Image.h"

#include "RegularFile.h"

#include <QPainter>
#include <stdexcept>

namespace ostan {

namespace {
// A picture of a form is a few tens of kilobytes.
constexpr qint64 PictureSizeCap = qint64(16) << 20;
} // namespace

TImage::TImage(QWidget* Parent) : QWidget(Parent) {}

void TImage::SetPicture(const TPicture& P)
{
    FPicture = P;
    updateGeometry();
    update();
}

void TImage::SetPicture(const TPicture* P)
{
    if (P)
        SetPicture(*P);
    else
        SetPicture(TPicture());
}

void TImage::LoadFromJpeg(const QByteArray& Data)
{
    FPicture.LoadFromJpeg(Data);
    updateGeometry();
    update();
}

void TImage::LoadFromJpegFile(const QString& Path)
{
    QString Reason;
    const std::optional<QByteArray> Bytes = ReadRegularFile(Path, PictureSizeCap, &Reason);
    if (!Bytes)
        throw std::runtime_error(QStringLiteral("Не удалось прочитать файл %1: %2").arg(Path, Reason).toStdString());
    LoadFromJpeg(*Bytes);
}

QSize TImage::sizeHint() const
{
    return FPicture.Empty() ? QSize(105, 105) : QSize(FPicture.Width(), FPicture.Height());
}

void TImage::paintEvent(QPaintEvent*)
{
    if (FPicture.Empty())
        return;
    const QImage& G = FPicture.Graphic();
    QPainter P(this);
    if (!Stretch) {
        const QPoint At = Center ? QPoint((width() - G.width()) / 2, (height() - G.height()) / 2) : QPoint();
        P.drawImage(At, G);
        return;
    }
    const QSize Size = Proportional ? G.size().scaled(size(), Qt::KeepAspectRatio) : size();
    const QPoint At = Center ? QPoint((width() - Size.width()) / 2, (height() - Size.height()) / 2) : QPoint();
    P.setRenderHint(QPainter::SmoothPixmapTransform);
    P.drawImage(QRect(At, Size), G);
}

} // namespace ostan
