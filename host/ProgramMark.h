#pragma once
// The program's mark: the adapter as a teal box with a signal trace. The
// About box draws it beside the program's name; the desktop icon is the
// mark alone (tools/picture-maker draws it from this same code).
#include <QColor>
#include <QRectF>

class QPainter;

namespace ostan {

inline const QColor ProgramMarkColour{0x00, 0x80, 0x80};

// The box with its border fills Box; line widths and corners follow its
// height (2 and 6 pixels at 40 pixels high).
void DrawProgramMark(QPainter& P, const QRectF& Box);

} // namespace ostan
