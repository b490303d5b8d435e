#pragma once
#include <QImage>
#include <QString>
#include <vector>

namespace picturemaker {

struct Drawing {
    const char* Name;
    QImage (*Draw)();
};

const std::vector<Drawing>& Drawings();

// Encodes with libjpeg (quality 90).
bool WriteJpeg(const QImage& Image, const QString& File, QString* Error);

} // namespace picturemaker
