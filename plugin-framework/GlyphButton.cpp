#include "GlyphButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace ostan {

namespace {

constexpr int GlyphSize = 16;

// An arrow pointing right, towards the device the command goes to.
QPainterPath Arrow()
{
    QPainterPath P;
    P.moveTo(2, 6);
    P.lineTo(8, 6);
    P.lineTo(8, 2);
    P.lineTo(14, 8);
    P.lineTo(8, 14);
    P.lineTo(8, 10);
    P.lineTo(2, 10);
    P.closeSubpath();
    return P;
}

QPixmap DrawGlyph(bool Enabled)
{
    QPixmap Pm(GlyphSize, GlyphSize);
    Pm.fill(Qt::transparent);
    QPainter P(&Pm);
    P.setRenderHint(QPainter::Antialiasing);
    const QPainterPath Shape = Arrow();
    if (Enabled) {
        P.setPen(QPen(QColor(0, 90, 0), 1));
        P.setBrush(QColor(0, 170, 0));
        P.drawPath(Shape);
    } else {
        // Engraved: a white copy one pixel down and right under a grey one.
        P.setPen(Qt::NoPen);
        P.setBrush(Qt::white);
        P.drawPath(Shape.translated(1, 1));
        P.setBrush(QColor(128, 128, 128));
        P.drawPath(Shape);
    }
    return Pm;
}

} // namespace

TGlyphButton::TGlyphButton(QWidget* Parent) : QPushButton(Parent)
{
    setIcon(CommandGlyph());
    setIconSize({GlyphSize, GlyphSize});
}

QIcon TGlyphButton::CommandGlyph()
{
    static const QIcon Glyph = [] {
        QIcon I;
        I.addPixmap(DrawGlyph(true), QIcon::Normal);
        I.addPixmap(DrawGlyph(false), QIcon::Disabled);
        return I;
    }();
    return Glyph;
}

void TGlyphButton::paintEvent(QPaintEvent*)
{
    QStylePainter P(this);
    QStyleOptionButton O;
    initStyleOption(&O);
    const QIcon Glyph = O.icon;
    O.icon = QIcon();
    O.iconSize = QSize();
    P.drawControl(QStyle::CE_PushButtonBevel, O);

    const QRect Contents = style()->subElementRect(QStyle::SE_PushButtonContents, &O, this);
    const QSize G = iconSize();
    QRect GlyphRect(QPoint(0, 0), G);
    if (text().isEmpty()) {
        GlyphRect.moveCenter(Contents.center());
    } else {
        // Caption and glyph centred together, the glyph on the right.
        const int Caption = fontMetrics().size(Qt::TextShowMnemonic, text()).width();
        const int Whole = std::min(Contents.width(), Caption + GlyphSpacing + G.width());
        const int Left = Contents.left() + (Contents.width() - Whole) / 2;
        QStyleOptionButton Label = O;
        Label.rect = QRect(Left, Contents.top(), Whole - GlyphSpacing - G.width(), Contents.height());
        P.drawControl(QStyle::CE_PushButtonLabel, Label);
        GlyphRect.moveTopLeft({Left + Whole - G.width(), Contents.top() + (Contents.height() - G.height()) / 2});
    }
    if (isDown() || isChecked())
        GlyphRect.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &O, this),
                            style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &O, this));
    P.drawPixmap(GlyphRect, Glyph.pixmap(G, isEnabled() ? QIcon::Normal : QIcon::Disabled));
    if (O.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect F;
        F.QStyleOption::operator=(O);
        F.rect = style()->subElementRect(QStyle::SE_PushButtonFocusRect, &O, this);
        P.drawPrimitive(QStyle::PE_FrameFocusRect, F);
    }
}

} // namespace ostan
