#include "MainImages.h"

#include <QPainter>
#include <QPixmap>

namespace ostan {

namespace {

// The 22 pictures of the image list: a symbol on a coloured tile.
struct ImageDef { const char* Symbol; QRgb Color; };
const ImageDef ImageDefs[22] = {
    {"✂", 0x806040}, {"⎘", 0x4060a0}, {"⎗", 0x60a040}, {"", 0}, {"", 0}, {"", 0}, {"", 0},
    {"📂", 0xc09020}, {"💾", 0x2050a0}, {"", 0}, {"", 0}, {"i", 0x2070c0}, {"⌕", 0x208020},
    {"", 0}, {"", 0}, {"♪", 0x909090}, {"♫", 0x20a020}, {"", 0}, {"↺", 0xc03020}, {"?", 0x2060c0},
    {"≡", 0x606060}, {"▣", 0x3080a0},
};

QIcon DrawImage(const ImageDef& D)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    if (D.Color) {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(D.Color));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(1, 1, 14, 14, 3, 3);
        p.setPen(Qt::white);
        QFont f = p.font();
        f.setPixelSize(11);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QString::fromUtf8(D.Symbol));
    }
    return QIcon(pm);
}

} // namespace

std::vector<QIcon> DrawImageList1()
{
    std::vector<QIcon> Images;
    for (const ImageDef& d : ImageDefs)
        Images.push_back(DrawImage(d));
    return Images;
}

} // namespace ostan
