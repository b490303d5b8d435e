#pragma once
// A picture object holding one graphic. The program and the plug-ins hand
// pictures to each other by pointer, so the class lives in the shared
// platform library. JPEG data is decoded through libjpeg.
#include <QByteArray>
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace ostan {

// Raised for data libjpeg cannot decode: "JPEG error #<libjpeg message code>".
class EJpegError : public std::runtime_error {
public:
    explicit EJpegError(int Code);
    int Code() const { return FCode; }

private:
    int FCode;
};

// Decodes JPEG data to an RGB image. Raises EJpegError on damaged data,
// libjpeg's warnings about corrupt data included (a truncated file never
// turns into a half-grey picture).
QImage DecodeJpeg(const uint8_t* Data, size_t Size);

class TPicture {
public:
    TPicture() = default;

    bool Empty() const { return Image.isNull(); }
    int Width() const { return Image.width(); }
    int Height() const { return Image.height(); }
    const QImage& Graphic() const { return Image; }
    void SetGraphic(const QImage& G) { Image = G; }

    // Copies Source's graphic; a null Source empties the picture.
    void Assign(const TPicture* Source);
    // Replaces the graphic by the decoded data; raises EJpegError and keeps
    // the old graphic when the data cannot be decoded.
    void LoadFromJpeg(const uint8_t* Data, size_t Size);
    void LoadFromJpeg(const QByteArray& Data);

private:
    QImage Image;
};

} // namespace ostan
