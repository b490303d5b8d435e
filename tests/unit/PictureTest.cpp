#include "Picture.h"

#include <cstdio>
#include <jpeglib.h>
#include <gtest/gtest.h>
#include <vector>

using namespace ostan;

namespace {

// A small picture encoded with libjpeg: left half red, right half blue.
std::vector<uint8_t> EncodeJpeg(int W, int H)
{
    jpeg_compress_struct Info;
    jpeg_error_mgr Err;
    Info.err = jpeg_std_error(&Err);
    jpeg_create_compress(&Info);
    unsigned char* Buf = nullptr;
    unsigned long Size = 0;
    jpeg_mem_dest(&Info, &Buf, &Size);
    Info.image_width = static_cast<JDIMENSION>(W);
    Info.image_height = static_cast<JDIMENSION>(H);
    Info.input_components = 3;
    Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&Info);
    jpeg_set_quality(&Info, 95, TRUE);
    jpeg_start_compress(&Info, TRUE);
    std::vector<unsigned char> Row(static_cast<size_t>(W) * 3);
    for (int x = 0; x < W; ++x) {
        const bool Left = x < W / 2;
        Row[size_t(x) * 3 + 0] = Left ? 255 : 0;
        Row[size_t(x) * 3 + 1] = 0;
        Row[size_t(x) * 3 + 2] = Left ? 0 : 255;
    }
    while (Info.next_scanline < Info.image_height) {
        JSAMPROW R = Row.data();
        jpeg_write_scanlines(&Info, &R, 1);
    }
    jpeg_finish_compress(&Info);
    jpeg_destroy_compress(&Info);
    std::vector<uint8_t> Out(Buf, Buf + Size);
    std::free(Buf);
    return Out;
}

bool Near(QRgb P, int R, int G, int B)
{
    return std::abs(qRed(P) - R) < 40 && std::abs(qGreen(P) - G) < 40 && std::abs(qBlue(P) - B) < 40;
}

} // namespace

TEST(Picture, DecodesJpegData)
{
    const std::vector<uint8_t> Data = EncodeJpeg(32, 16);
    TPicture P;
    EXPECT_TRUE(P.Empty());
    P.LoadFromJpeg(Data.data(), Data.size());
    ASSERT_FALSE(P.Empty());
    EXPECT_EQ(P.Width(), 32);
    EXPECT_EQ(P.Height(), 16);
    EXPECT_TRUE(Near(P.Graphic().pixel(4, 8), 255, 0, 0));
    EXPECT_TRUE(Near(P.Graphic().pixel(28, 8), 0, 0, 255));

    TPicture Copy;
    Copy.Assign(&P);
    EXPECT_EQ(Copy.Graphic(), P.Graphic());
    Copy.Assign(nullptr);
    EXPECT_TRUE(Copy.Empty());
}

TEST(Picture, DamagedDataRaisesAndKeepsTheOldGraphic)
{
    const std::vector<uint8_t> Good = EncodeJpeg(32, 16);
    std::vector<uint8_t> Garbled = Good;
    Garbled[0] = 0x00; // no start-of-image marker
    std::vector<uint8_t> HeaderOnly(Good.begin(), Good.begin() + 20);
    std::vector<uint8_t> Truncated(Good.begin(), Good.begin() + static_cast<long>(Good.size() * 2 / 3));
    std::vector<uint8_t> Noise(Good.begin(), Good.end());
    for (size_t i = Good.size() / 2; i < Good.size() - 2; ++i)
        Noise[i] = static_cast<uint8_t>(i * 37);
    std::vector<uint8_t> Empty;

    TPicture P;
    P.LoadFromJpeg(Good.data(), Good.size());
    const QImage Before = P.Graphic();
    for (const auto* Bad : {&Garbled, &HeaderOnly, &Truncated, &Noise, &Empty}) {
        try {
            P.LoadFromJpeg(Bad->data(), Bad->size());
            ADD_FAILURE() << "no error for " << Bad->size() << " bytes";
        } catch (const EJpegError& E) {
            EXPECT_GT(E.Code(), 0);
            EXPECT_EQ(std::string(E.what()), "JPEG error #" + std::to_string(E.Code()));
        }
        EXPECT_EQ(P.Graphic(), Before);
    }
}
