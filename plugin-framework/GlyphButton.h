#pragma once
// A panel's calibration and threshold button: the command glyph on the right
// of its caption (centred when it has none), drawn in two states, one for
// the enabled button and a greyed one for the disabled. Every library's
// buttons share the one picture.
#include <QIcon>
#include <QPushButton>

namespace ostan {

class TGlyphButton : public QPushButton {
    Q_OBJECT
public:
    explicit TGlyphButton(QWidget* Parent = nullptr);

    // The glyph's two states (QIcon::Normal and QIcon::Disabled), 16 x 16.
    static QIcon CommandGlyph();
    // Between the caption and the glyph.
    static constexpr int GlyphSpacing = 4;

protected:
    void paintEvent(QPaintEvent* Event) override;
};

} // namespace ostan
