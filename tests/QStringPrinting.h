#pragma once
// Readable QString values in the test messages (found by argument lookup, so
// beside QString).
#include <QString>
#include <ostream>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }
QT_END_NAMESPACE
