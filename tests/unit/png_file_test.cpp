// The PNG encoder, read back through the Windows Imaging Component.
#include "output/png_file.h"

#include "capture/bitmap_format.h"
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

// A bottom-up bitmap file of noise; a 32-bit one with noise in the unused
// fourth byte too.
std::vector<uint8_t> WriteNoiseBitmap(const std::wstring& path, int width, int height,
                                      int bitCount) {
    BitmapFileHeader file;
    BitmapInfoHeader info;
    BuildBitmapInfoHeader(width, height, bitCount, &info);
    BuildBitmapFileHeader(info, &file);
    std::vector<uint8_t> bytes(sizeof file + sizeof info + info.biSizeImage);
    std::memcpy(bytes.data(), &file, sizeof file);
    std::memcpy(bytes.data() + sizeof file, &info, sizeof info);
    std::mt19937 noise(width * 1000 + bitCount);
    for (size_t i = sizeof file + sizeof info; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(noise());
    WriteBytes(path, bytes);
    return bytes;
}

class PngFile : public ::testing::TestWithParam<std::tuple<int, int, int>> {
  protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }
    TempFolder folder;
};

TEST_P(PngFile, DecodesBackToEveryPixelOfTheHardCopyWithoutAlpha) {
    auto [width, height, bitCount] = GetParam();
    std::wstring bitmap = folder.file(L"hard copy.bmp"), png = folder.file(L"hard copy.png");
    std::vector<uint8_t> bytes = WriteNoiseBitmap(bitmap, width, height, bitCount);
    ASSERT_TRUE(WritePngFile(bitmap.c_str(), png.c_str()));

    EXPECT_EQ(ReadText(png).substr(0, 8), "\x89PNG\r\n\x1a\n");
    Decoded decoded = DecodePng(png);
    ASSERT_EQ(decoded.width, UINT(width));
    ASSERT_EQ(decoded.height, UINT(height));
    ASSERT_TRUE(IsEqualGUID(decoded.format, GUID_WICPixelFormat24bppBGR)) << "24-bit, no alpha";
    ASSERT_FALSE(decoded.bgr.empty());
    uint32_t stride = BitmapStride(width, bitCount);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes.data() + BITMAP_HEADERS_SIZE + (height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            const uint8_t* source = row + x * (bitCount / 8);
            const BYTE* written = decoded.bgr.data() + (size_t(y) * width + x) * 3;
            ASSERT_EQ(std::memcmp(source, written, 3), 0) << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PngFile,
                         ::testing::Values(std::make_tuple(13, 7, 24), std::make_tuple(1, 1, 24),
                                           std::make_tuple(31, 9, 32),
                                           std::make_tuple(200, 3, 32)));

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
