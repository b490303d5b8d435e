#pragma once
// The "button face" colour of the windows and panels: the background of
// read-only value fields, of flags that are off and of status indicators
// that are dark. One definition, so every place paints the same colour.
#include <QColor>

class QPalette;
class QWidget;

namespace ostan {

// The active Button colour of the palette.
QColor ButtonFace(const QPalette& P);
// The same of the application's palette for the widget's class (the
// widget's own palette may already carry a state colour).
QColor ButtonFace(const QWidget* W = nullptr);

} // namespace ostan
