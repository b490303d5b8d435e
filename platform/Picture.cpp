#include "Picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

namespace ostan {

EJpegError::EJpegError(int Code)
    : std::runtime_error("JPEG error #" + std::to_string(Code)), FCode(Code)
{
}

namespace {

struct JpegErrorManager {
    jpeg_error_mgr Pub; // first: libjpeg sees a jpeg_error_mgr*
    std::jmp_buf Jump;
    int Code;
};

[[noreturn]] void ErrorExit(j_common_ptr Info)
{
    auto* Err = reinterpret_cast<JpegErrorManager*>(Info->err);
    Err->Code = Err->Pub.msg_code;
    std::longjmp(Err->Jump, 1);
}

// Level -1 is a warning about corrupt data; the rest is tracing.
void EmitMessage(j_common_ptr Info, int Level)
{
    if (Level < 0)
        ErrorExit(Info);
}

struct RawImage {
    unsigned char* Pixels; // malloc'ed, Width * Height * Components
    int Width;
    int Height;
    int Components; // 1, 3 or 4 (4: inverted CMYK as Adobe writes it)
};

// Plain C inside: nothing with a destructor lives in this frame, so the
// longjmp of the error handler skips no C++ clean-up. Returns 0 or the
// libjpeg message code of the failure.
int DecodeRaw(const unsigned char* Data, unsigned long Size, RawImage* Out)
{
    jpeg_decompress_struct Info;
    JpegErrorManager Err;
    std::memset(&Info, 0, sizeof Info);
    std::memset(Out, 0, sizeof *Out);
    Info.err = jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = ErrorExit;
    Err.Pub.emit_message = EmitMessage;
    Err.Code = 0;
    if (setjmp(Err.Jump)) {
        jpeg_destroy_decompress(&Info);
        std::free(Out->Pixels);
        Out->Pixels = nullptr;
        return Err.Code;
    }
    jpeg_create_decompress(&Info);
    jpeg_mem_src(&Info, Data, Size);
    jpeg_read_header(&Info, TRUE);
    if (Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK)
        Info.out_color_space = JCS_CMYK;
    else if (Info.jpeg_color_space == JCS_GRAYSCALE)
        Info.out_color_space = JCS_GRAYSCALE;
    else
        Info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&Info);
    Out->Width = static_cast<int>(Info.output_width);
    Out->Height = static_cast<int>(Info.output_height);
    Out->Components = Info.output_components;
    const size_t Stride = static_cast<size_t>(Out->Width) * static_cast<size_t>(Out->Components);
    Out->Pixels = static_cast<unsigned char*>(std::malloc(Stride * static_cast<size_t>(Out->Height)));
    if (!Out->Pixels)
        ERREXIT(&Info, JERR_OUT_OF_MEMORY);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW Row = Out->Pixels + Stride * Info.output_scanline;
        jpeg_read_scanlines(&Info, &Row, 1);
    }
    jpeg_finish_decompress(&Info);
    jpeg_destroy_decompress(&Info);
    return 0;
}

} // namespace

QImage DecodeJpeg(const uint8_t* Data, size_t Size)
{
    RawImage Raw;
    const int Code = DecodeRaw(Data, static_cast<unsigned long>(Size), &Raw);
    if (Code != 0)
        throw EJpegError(Code);
    std::unique_ptr<unsigned char, decltype(&std::free)> Owner(Raw.Pixels, &std::free);

    QImage Result(Raw.Width, Raw.Height, QImage::Format_RGB32);
    if (Result.isNull())
        throw EJpegError(JERR_OUT_OF_MEMORY);
    const size_t Stride = static_cast<size_t>(Raw.Width) * static_cast<size_t>(Raw.Components);
    for (int y = 0; y < Raw.Height; ++y) {
        const unsigned char* Src = Raw.Pixels + Stride * static_cast<size_t>(y);
        auto* Dst = reinterpret_cast<QRgb*>(Result.scanLine(y));
        for (int x = 0; x < Raw.Width; ++x, Src += Raw.Components) {
            switch (Raw.Components) {
            case 1: Dst[x] = qRgb(Src[0], Src[0], Src[0]); break;
            case 3: Dst[x] = qRgb(Src[0], Src[1], Src[2]); break;
            default: { // inverted CMYK
                const int K = Src[3];
                Dst[x] = qRgb(Src[0] * K / 255, Src[1] * K / 255, Src[2] * K / 255);
            }
            }
        }
    }
    return Result;
}

void TPicture::Assign(const TPicture* Source)
{
    Image = Source ? Source->Image : QImage();
}

void TPicture::LoadFromJpeg(const uint8_t* Data, size_t Size)
{
    Image = DecodeJpeg(Data, Size);
}

void TPicture::LoadFromJpeg(const QByteArray& Data)
{
    LoadFromJpeg(reinterpret_cast<const uint8_t*>(Data.constData()), static_cast<size_t>(Data.size()));
}

} // namespace ostan
