// The PNG encoder, read back through the Windows Imaging Component.
#include "output/png_file.h"

#include "output/save.h"
#include "settings/settings.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <wincodec.h>
#include <wrl/client.h>

#include <cstring>
#include <random>

namespace {

using Microsoft::WRL::ComPtr;

struct Decoded {
    UINT width = 0, height = 0;
    WICPixelFormatGUID format = {};
    std::vector<BYTE> bgr; // rows from the top, 3 bytes a pixel, no padding
};

Decoded DecodePng(const std::wstring& path) {
    Decoded out;
    ComPtr<IWICImagingFactory> factory;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(factory.GetAddressOf()))) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand,
                                                  decoder.GetAddressOf())) ||
        FAILED(decoder->GetFrame(0, frame.GetAddressOf())) ||
        FAILED(frame->GetSize(&out.width, &out.height)) ||
        FAILED(frame->GetPixelFormat(&out.format)))
        return Decoded();
    out.bgr.resize(size_t(out.width) * out.height * 3);
    if (!IsEqualGUID(out.format, GUID_WICPixelFormat24bppBGR) ||
        FAILED(frame->CopyPixels(nullptr, out.width * 3, static_cast<UINT>(out.bgr.size()),
                                 out.bgr.data())))
        out.bgr.clear();
    return out;
}

// A bottom-up bitmap file of noise with its header written out byte by byte
// and rows of the given stride; a 32-bit one with noise in the unused fourth
// byte too. The pixel bytes are returned.
std::vector<uint8_t> WriteNoiseBitmap(const std::wstring& path, int width, int height,
                                      int bitCount, uint32_t stride) {
    uint32_t imageSize = stride * height;
    std::vector<uint8_t> bytes(54 + imageSize, 0);
    auto put = [&](size_t at, uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[at + i] = (value >> (8 * i)) & 0xFF;
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, 54 + imageSize, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, bitCount, 2);
    put(34, imageSize, 4);
    std::mt19937 noise(width * 1000 + bitCount);
    for (size_t i = 54; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(noise());
    WriteBytes(path, bytes);
    return std::vector<uint8_t>(bytes.begin() + 54, bytes.end());
}

// width, height, bits a pixel, and the row stride worked out by hand: a
// multiple of four bytes.
class PngFile : public ::testing::TestWithParam<std::tuple<int, int, int, uint32_t>> {
  protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
    TempFolder folder;
};

TEST_P(PngFile, DecodesBackToEveryPixelOfTheHardCopyWithoutAlpha) {
    auto [width, height, bitCount, stride] = GetParam();
    std::wstring bitmap = folder.file(L"hard copy.bmp"), png = folder.file(L"hard copy.png");
    std::vector<uint8_t> pixels = WriteNoiseBitmap(bitmap, width, height, bitCount, stride);
    ASSERT_TRUE(WritePngFile(bitmap.c_str(), png.c_str()));

    EXPECT_EQ(ReadText(png).substr(0, 8), "\x89PNG\r\n\x1a\n");
    Decoded decoded = DecodePng(png);
    ASSERT_EQ(decoded.width, UINT(width));
    ASSERT_EQ(decoded.height, UINT(height));
    ASSERT_TRUE(IsEqualGUID(decoded.format, GUID_WICPixelFormat24bppBGR)) << "24-bit, no alpha";
    ASSERT_FALSE(decoded.bgr.empty());
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = pixels.data() + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint8_t* source = row + x * (bitCount / 8);
            const BYTE* written = decoded.bgr.data() + (size_t(y) * width + x) * 3;
            ASSERT_EQ(std::memcmp(source, written, 3), 0) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PngFile,
                         ::testing::Values(std::make_tuple(13, 7, 24, 40u),
                                           std::make_tuple(1, 1, 24, 4u),
                                           std::make_tuple(101, 5, 24, 304u),
                                           std::make_tuple(31, 9, 32, 124u),
                                           std::make_tuple(200, 3, 32, 800u)));

TEST(SaveAsPng, AnUnreadableHardCopyLeavesNoFileBehind) {
    TempFolder folder;
    WriteText(folder.file(L"broken.bmp"), "BM not a bitmap");
    std::wstring destination = folder.file(L"saved.png");
    EXPECT_FALSE(
        SaveHardCopyAs(folder.file(L"broken.bmp").c_str(), destination.c_str(), IMAGE_TYPE_PNG));
    EXPECT_EQ(folder.names(), (std::vector<std::wstring>{L"broken.bmp"}))
        << "no PNG and no temporary file left";
}

} // namespace
