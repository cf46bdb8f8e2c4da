// The bitmap writer and reader: headers, strides, bottom-up rows, round
// trips, and files in a history slot that this program did not write.
#include "capture/bitmap_file.h"
#include "capture/range_overlay.h"
#include "capture/scoped_gdi.h"
#include "output/clipboard.h"
#include "settings/settings.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <thread>

namespace {

struct Headers {
    BitmapFileHeader file;
    BitmapInfoHeader info;
};

Headers ParseHeaders(const std::string& bytes) {
    Headers h = {};
    if (bytes.size() >= 54) {
        std::memcpy(&h.file, bytes.data(), 14);
        std::memcpy(&h.info, bytes.data() + 14, 40);
    }
    return h;
}

// A memory context holding a DIB section of the given depth, filled with a
// known pattern through its bits.
class DibSource {
  public:
    DibSource(int width, int height, int bitCount) : width_(width), height_(height) {
        BitmapInfo256 info = {};
        BuildBitmapInfoHeader(width, height, bitCount, &info.header);
        for (int i = 0; i < 256; ++i)
            info.colors[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i),
                                     static_cast<BYTE>(i / 2), 0};
        dc_ = CreateCompatibleDC(nullptr);
        section_ = CreateDIBSection(dc_, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                    &bits_, nullptr, 0);
        previous_ = SelectObject(dc_, section_);
        stride_ = BitmapStride(width, bitCount);
        auto* bytes = static_cast<uint8_t*>(bits_);
        for (uint32_t i = 0; i < stride_ * height; ++i)
            bytes[i] = static_cast<uint8_t>(i * 7 + 3);
        GdiFlush();
    }
    ~DibSource() {
        SelectObject(dc_, previous_);
        DeleteObject(section_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // Row y counted from the top of the picture.
    const uint8_t* row(int y) const {
        return static_cast<const uint8_t*>(bits_) + (height_ - 1 - y) * stride_;
    }

  private:
    int width_, height_;
    uint32_t stride_ = 0;
    HDC dc_;
    HBITMAP section_;
    HGDIOBJ previous_;
    void* bits_ = nullptr;
};

class BitmapFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        Settings.IsCursor = 0;
        areaPickMode = 0;
    }
    TempFolder folder;
    std::wstring path = folder.file(L"out.bmp");
};

// --- the layout of written files --------------------------------------------

TEST(BitmapLayout, StrideRoundsRowsUpToFourBytes) {
    EXPECT_EQ(BitmapStride(1, 24), 4u);
    EXPECT_EQ(BitmapStride(3, 24), 12u);
    EXPECT_EQ(BitmapStride(33, 1), 8u);
    EXPECT_EQ(BitmapStride(32, 1), 4u);
    EXPECT_EQ(BitmapStride(9, 4), 8u);
    EXPECT_EQ(BitmapStride(5, 8), 8u);
    EXPECT_EQ(BitmapStride(3, 16), 8u);
    EXPECT_EQ(BitmapStride(3, 32), 12u);
    EXPECT_EQ(BitmapStride64(0x40000001, 32), 0x100000004ull) << "no 32-bit wrap";
    EXPECT_EQ(BitmapPixelBytes(3, -2, 24), 24u);
    EXPECT_EQ(BitmapPixelBytes(-3, 2, 24), 0u);
}

TEST(BitmapLayout, ColourTableOnlyUpToEightBits) {
    EXPECT_EQ(ColorTableEntries(1), 2);
    EXPECT_EQ(ColorTableEntries(4), 16);
    EXPECT_EQ(ColorTableEntries(8), 256);
    EXPECT_EQ(ColorTableEntries(16), 0);
    EXPECT_EQ(ColorTableEntries(24), 0);
    EXPECT_EQ(ColorTableEntries(32), 0);
}

TEST(BitmapLayout, HeadersAsWritten) {
    // 7 pixels a row: 7, 28, 56, 112, 168 and 224 bits, rounded up to 4 bytes
    const struct {
        int bits;
        DWORD offBits, sizeImage;
    } cases[] = {{1, 62, 20}, {4, 118, 20}, {8, 1078, 40}, {16, 54, 80}, {24, 54, 120},
                 {32, 54, 140}};
    for (const auto& c : cases) {
        BitmapInfoHeader info;
        BuildBitmapInfoHeader(7, 5, c.bits, &info);
        BitmapFileHeader file;
        BuildBitmapFileHeader(info, &file);
        EXPECT_EQ(file.bfType, 0x4D42);
        EXPECT_EQ(file.bfOffBits, c.offBits) << c.bits;
        EXPECT_EQ(info.biSizeImage, c.sizeImage) << c.bits;
        EXPECT_EQ(file.bfSize, c.offBits + c.sizeImage) << c.bits;
        EXPECT_EQ(info.biSize, 40u);
        EXPECT_EQ(info.biPlanes, 1);
        EXPECT_EQ(info.biCompression, DWORD(BI_RGB));
        EXPECT_EQ(info.biClrUsed, 0u);
        EXPECT_EQ(file.bfReserved1 | file.bfReserved2, 0);
    }
}

// --- the writer, from sources of every depth ---------------------------------

TEST_F(BitmapFileTest, WritesEveryDepthByteForByteBottomRowFirst) {
    // 13 pixels a row: 13, 52, 104, 208, 312 and 416 bits, rounded up to 4 bytes
    const struct {
        int bits, entries;
        uint32_t stride;
    } cases[] = {{1, 2, 4}, {4, 16, 8}, {8, 256, 16}, {16, 0, 28}, {24, 0, 40}, {32, 0, 52}};
    for (const auto& c : cases) {
        const int bits = c.bits, entries = c.entries;
        const uint32_t stride = c.stride;
        SCOPED_TRACE(bits);
        const int width = 13, height = 4;
        DibSource source(width, height, bits);
        // A memory context reports the screen's depth whatever section it
        // holds, so the depth is handed to the writer's own step.
        ASSERT_TRUE(
            WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, width, height}, path.c_str(), 0, bits));

        std::string bytes = ReadText(path);
        Headers h = ParseHeaders(bytes);
        EXPECT_EQ(h.file.bfOffBits, 54u + 4 * entries);
        EXPECT_EQ(h.info.biWidth, width);
        EXPECT_EQ(h.info.biHeight, height);
        EXPECT_EQ(h.info.biBitCount, bits);
        EXPECT_EQ(h.info.biSizeImage, stride * height);
        EXPECT_EQ(h.file.bfSize, h.file.bfOffBits + stride * height);
        ASSERT_EQ(bytes.size(), size_t(h.file.bfSize));
        EXPECT_EQ(bytes.substr(0, 2), "BM");

        if (entries > 0) {
            PALETTEENTRY palette[256] = {};
            GetSystemPaletteEntries(source.dc(), 0, 256, palette);
            for (int i = 0; i < entries; ++i) {
                const uint8_t* q = reinterpret_cast<const uint8_t*>(bytes.data()) + 54 + 4 * i;
                EXPECT_EQ(q[0], palette[i].peBlue);
                EXPECT_EQ(q[1], palette[i].peGreen);
                EXPECT_EQ(q[2], palette[i].peRed);
                EXPECT_EQ(q[3], 0);
            }
        } else {
            // Direct colours copy 1:1, so every stored row is the source row,
            // the bottom one first.
            for (int y = 0; y < height; ++y) {
                const uint8_t* stored = reinterpret_cast<const uint8_t*>(bytes.data()) +
                                        h.file.bfOffBits + (height - 1 - y) * stride;
                uint32_t used = (width * bits + 7) / 8;
                EXPECT_EQ(std::memcmp(stored, source.row(y), used), 0) << "row " << y;
            }
        }
    }
}

TEST_F(BitmapFileTest, KnownPixelsOfARectangleAtTwentyFourBits) {
    DibSource source(8, 6, 24);
    HDC dc = source.dc();
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            SetPixel(dc, x, y, RGB(x * 20, y * 30, 7));
    // A 3 x 2 piece at (2, 1): rows of 9 bytes padded to 12.
    ASSERT_TRUE(WriteBitmapFileAtDepth(dc, RECT{2, 1, 5, 3}, path.c_str(), 0, 24));
    std::string bytes = ReadText(path);
    ASSERT_EQ(bytes.size(), 54u + 24);
    auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[54 + i]); };
    // first stored row = bottom row of the rectangle, source y = 2
    EXPECT_EQ(at(0), 7);
    EXPECT_EQ(at(1), 60);
    EXPECT_EQ(at(2), 40);
    EXPECT_EQ(at(6), 7);
    EXPECT_EQ(at(7), 60);
    EXPECT_EQ(at(8), 80);
    EXPECT_EQ(at(9) | at(10) | at(11), 0) << "padding";
    EXPECT_EQ(at(12 + 1), 30) << "second stored row is source y = 1";
    EXPECT_EQ(at(12 + 2), 40);
}

TEST_F(BitmapFileTest, TakesTheDepthOfTheSourceContext) {
    DibSource source(5, 3, 32);
    int depth = GetDeviceCaps(source.dc(), BITSPIXEL);
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 5, 3}, path.c_str(), 0));
    Headers h = ParseHeaders(ReadText(path));
    EXPECT_EQ(h.info.biBitCount, depth);
    // rows of 5 pixels, rounded up to 4 bytes, 3 of them
    const std::map<int, DWORD> sizes = {{16, 36}, {24, 48}, {32, 60}};
    ASSERT_TRUE(sizes.count(depth)) << depth;
    EXPECT_EQ(h.info.biSizeImage, sizes.at(depth));
}

TEST_F(BitmapFileTest, OnePixelAtTwentyFourBitsIsFiftyEightBytes) {
    DibSource source(4, 4, 24);
    ASSERT_TRUE(WriteBitmapFileAtDepth(source.dc(), RECT{1, 1, 2, 2}, path.c_str(), 0, 24));
    std::string bytes = ReadText(path);
    Headers h = ParseHeaders(bytes);
    EXPECT_EQ(bytes.size(), 58u);
    EXPECT_EQ(h.file.bfSize, 58u);
    EXPECT_EQ(h.file.bfOffBits, 54u);
}

TEST_F(BitmapFileTest, EmptyRectangleWritesNoFile) {
    DibSource source(4, 4, 24);
    EXPECT_FALSE(WriteScreenBitmapFile(source.dc(), RECT{2, 2, 2, 3}, path.c_str(), 0));
    EXPECT_FALSE(WriteScreenBitmapFile(source.dc(), RECT{3, 0, 1, 2}, path.c_str(), 0));
    EXPECT_FALSE(FileExists(path));
}

// The writer's limit is what the format's 32-bit sizes can describe; a
// picture beyond it, or one the system cannot hold, writes nothing and
// leaves the previous file as it was.
TEST_F(BitmapFileTest, PictureBeyondTheFormatIsRefusedAndTheFileKept) {
    EXPECT_LT(BitmapPixelBytes(7680 * 4, 4320 * 2, 32), MAX_BITMAP_IMAGE_BYTES);
    WriteSolidBitmap(path, 2, 2, RGB(1, 2, 3));
    std::string before = ReadText(path);
    DibSource source(4, 4, 32);
    EXPECT_FALSE(WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, 70000, 70000}, path.c_str(), 0, 32));
    EXPECT_FALSE(WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, 32768, 32768}, path.c_str(), 0, 32));
    EXPECT_EQ(ReadText(path), before);
}

TEST_F(BitmapFileTest, UnwritableDestinationIsReported) {
    DibSource source(4, 4, 24);
    std::wstring missing = folder.file(L"no-such-folder\\out.bmp");
    EXPECT_FALSE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 2, 2}, missing.c_str(), 0));
}

// --- the pointer --------------------------------------------------------------

class PointerTest : public BitmapFileTest {
  protected:
    void SetUp() override {
        BitmapFileTest::SetUp();
        pointerImage = LoadCursorW(nullptr, IDC_ARROW);
        pointerPosition = POINT{4, 4};
    }
    void TearDown() override { pointerImage = nullptr; }

    // Counts pixels of the written file that differ from the white source.
    int MarkedPixels() {
        HBITMAP loaded = LoadBitmapFile(path.c_str());
        if (!loaded) return -1;
        DIBSECTION dib;
        GetObjectW(loaded, sizeof dib, &dib);
        int marked = 0;
        auto* bytes = static_cast<const uint8_t*>(dib.dsBm.bmBits);
        for (int y = 0; y < dib.dsBm.bmHeight; ++y)
            for (int x = 0; x < dib.dsBm.bmWidth; ++x) {
                const uint8_t* p =
                    bytes + y * dib.dsBm.bmWidthBytes + x * (dib.dsBmih.biBitCount / 8);
                if (p[0] != 255 || p[1] != 255 || p[2] != 255) ++marked;
            }
        DeleteObject(loaded);
        return marked;
    }

    void WhiteSource(DibSource& source) {
        RECT all = {0, 0, 64, 64};
        FillRect(source.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    }
};

TEST_F(PointerTest, DrawnIntoTheCopyOnlyWhenAskedFor) {
    DibSource source(64, 64, 24);
    WhiteSource(source);
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 64, 64}, path.c_str(), 0));
    EXPECT_EQ(MarkedPixels(), 0) << "IsCursor 0 draws no pointer";

    Settings.IsCursor = 1;
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 64, 64}, path.c_str(), 0));
    EXPECT_GT(MarkedPixels(), 20);
    // drawn into the copy: the source itself stays white
    EXPECT_EQ(GetPixel(source.dc(), 6, 10), RGB(255, 255, 255));

    areaPickMode = 1;
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 64, 64}, path.c_str(), 0));
    EXPECT_EQ(MarkedPixels(), 0) << "no pointer while the fixed area is picked";
}

TEST_F(PointerTest, InSourceCoordinatesItLandsAtTheSamePlaceOnce) {
    Settings.IsCursor = 1;
    DibSource source(64, 64, 24);
    WhiteSource(source);
    pointerPosition = POINT{4, 6};
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{10, 10, 64, 64}, path.c_str(), 0));
    std::string intoCopy = ReadText(path);
    int once = MarkedPixels();
    EXPECT_GT(once, 20);

    pointerPosition = POINT{14, 16};
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{10, 10, 64, 64}, path.c_str(), 1));
    EXPECT_EQ(ReadText(path), intoCopy) << "the same pointer at the same place, once";
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(GetPixel(source.dc(), x, y), RGB(255, 255, 255)) << "the source is untouched";
}

// --- round trips ----------------------------------------------------------------

TEST_F(BitmapFileTest, WrittenFilesLoadBackExactly) {
    for (int bits : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        DibSource source(21, 9, bits);
        ASSERT_TRUE(WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, 21, 9}, path.c_str(), 0, bits));
        std::string bytes = ReadText(path);
        Headers h = ParseHeaders(bytes);

        HBITMAP loaded = LoadBitmapFile(path.c_str());
        ASSERT_NE(loaded, nullptr);
        DIBSECTION dib;
        ASSERT_EQ(GetObjectW(loaded, sizeof dib, &dib), int(sizeof dib));
        EXPECT_EQ(dib.dsBm.bmWidth, 21);
        EXPECT_EQ(dib.dsBm.bmHeight, 9);
        EXPECT_EQ(dib.dsBmih.biBitCount, bits);
        EXPECT_EQ(std::memcmp(dib.dsBm.bmBits, bytes.data() + h.file.bfOffBits, h.info.biSizeImage),
                  0);
        int entries = ColorTableEntries(bits);
        if (entries > 0) {
            RGBQUAD table[256] = {};
            HDC dc = CreateCompatibleDC(nullptr);
            HGDIOBJ old = SelectObject(dc, loaded);
            EXPECT_EQ(GetDIBColorTable(dc, 0, entries, table), UINT(entries));
            SelectObject(dc, old);
            DeleteDC(dc);
            EXPECT_EQ(std::memcmp(table, bytes.data() + 54, 4 * entries), 0);
        }
        DeleteObject(loaded);

        int width = 0, height = 0;
        ReadBitmapFileSize(path.c_str(), &width, &height);
        EXPECT_EQ(width, 21);
        EXPECT_EQ(height, 9);
    }
}

// The bytes of the clipboard's bitmap and the size of the bitmap the system
// makes of it; the clipboard is emptied.
std::string TakeClipboardDib(BITMAP* synthesized) {
    std::string bytes;
    if (!OpenClipboard(nullptr)) return bytes;
    HGLOBAL packed = GetClipboardData(CF_DIB);
    if (auto* data = static_cast<const char*>(packed ? GlobalLock(packed) : nullptr)) {
        bytes.assign(data, GlobalSize(packed));
        GlobalUnlock(packed);
    }
    if (HGDIOBJ bitmap = GetClipboardData(CF_BITMAP))
        GetObjectW(bitmap, sizeof *synthesized, synthesized);
    EmptyClipboard();
    CloseClipboard();
    return bytes;
}

// The clipboard gets the work file's header, colour table and rows byte
// for byte, from the capture's picture in memory and from the file, at every
// depth, with rows padded and the pointer drawn in; a program asking for a
// bitmap gets one of the same size.
TEST_F(PointerTest, ClipboardHoldsTheWorkFilesPicture) {
    pointerPosition = POINT{2, 0};
    for (int bits : {4, 8, 24}) {
        SCOPED_TRACE(bits);
        DibSource source(13, 4, bits);
        Settings.IsCursor = 0;
        ASSERT_TRUE(WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, 13, 4}, path.c_str(), 0, bits));
        std::string withoutPointer = ReadText(path);
        Settings.IsCursor = 1;
        SharedDibPicture picture;
        ASSERT_TRUE(WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, 13, 4}, path.c_str(), 0, bits,
                                           nullptr, nullptr, &picture));
        std::string file = ReadText(path);
        EXPECT_NE(file, withoutPointer) << "the pointer is drawn in";
        for (bool fromFile : {false, true}) {
            ASSERT_EQ(fromFile ? CopyBitmapFileToClipboard(path.c_str())
                               : CopyPictureToClipboard(picture),
                      ClipboardCopy::Placed);
            BITMAP size = {};
            EXPECT_EQ(TakeClipboardDib(&size).substr(0, file.size() - 14), file.substr(14))
                << (fromFile ? "from the file" : "from memory");
            EXPECT_EQ(size.bmWidth, 13);
            EXPECT_EQ(size.bmHeight, 4);
        }
    }
    EXPECT_EQ(CopyBitmapFileToClipboard(folder.file(L"missing.bmp").c_str()), ClipboardCopy::Failed);
}

// Another program holding the clipboard open is told as such, however it
// opened it; under Wine only a holder with a window keeps others out.
TEST_F(BitmapFileTest, AClipboardHeldElsewhereIsInUse) {
    DibSource source(8, 8, 24);
    ASSERT_TRUE(WriteBitmapFileAtDepth(source.dc(), RECT{0, 0, 8, 8}, path.c_str(), 0, 24));
    HANDLE opened = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                      nullptr, nullptr);
        bool held = OpenClipboard(window);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        if (held) CloseClipboard();
        DestroyWindow(window);
    });
    WaitForSingleObject(opened, 10000);
    EXPECT_EQ(CopyBitmapFileToClipboard(path.c_str()), ClipboardCopy::InUse);
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    EXPECT_EQ(CopyBitmapFileToClipboard(path.c_str()), ClipboardCopy::Placed);
}

// A work file that cannot be written says why, and leaves nothing behind.
TEST_F(BitmapFileTest, AFileThatCannotBeWrittenSaysWhy) {
    DibSource source(8, 8, 24);
    DWORD error = NO_ERROR;
    std::wstring missing = folder.file(L"gone\\out.bmp");
    EXPECT_FALSE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 8, 8}, missing.c_str(), 0, &error));
    EXPECT_EQ(error, DWORD(ERROR_PATH_NOT_FOUND));
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr)); // a folder where the file must go
    EXPECT_FALSE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 8, 8}, path.c_str(), 0, &error));
    EXPECT_EQ(error, DWORD(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 0, 8}, path.c_str(), 0, &error));
    EXPECT_EQ(error, DWORD(NO_ERROR)) << "nothing to copy is no failure";
    RemoveDirectoryW(path.c_str());
}

TEST_F(BitmapFileTest, DrawingReleasesTheBitmap) {
    DibSource source(10, 6, 24);
    ASSERT_TRUE(WriteScreenBitmapFile(source.dc(), RECT{0, 0, 10, 6}, path.c_str(), 0));
    DibSource target(10, 6, 24);
    HBITMAP first = LoadBitmapFile(path.c_str());
    DrawBitmapUnscaled(target.dc(), RECT{0, 0, 10, 6}, first);
    BITMAP probe;
    EXPECT_EQ(GetObjectW(first, sizeof probe, &probe), 0);
    HBITMAP second = LoadBitmapFile(path.c_str());
    DrawBitmapStretched(target.dc(), RECT{0, 0, 5, 3}, RECT{0, 0, 10, 6}, second);
    EXPECT_EQ(GetObjectW(second, sizeof probe, &probe), 0);
}

// --- hostile files ----------------------------------------------------------------

// A valid 24-bit file of 4 x 3 pixels whose pixel bytes count up from 1.
std::string ValidFile(int bits = 24) {
    BitmapInfoHeader info;
    BuildBitmapInfoHeader(4, 3, bits, &info);
    BitmapFileHeader file;
    BuildBitmapFileHeader(info, &file);
    std::string bytes(file.bfSize, '\0');
    std::memcpy(&bytes[0], &file, 14);
    std::memcpy(&bytes[14], &info, 40);
    for (size_t i = 0; i < 4u * ColorTableEntries(bits); ++i)
        bytes[54 + i] = char(i + 5);
    for (size_t i = file.bfOffBits; i < bytes.size(); ++i)
        bytes[i] = char(i - file.bfOffBits + 1);
    return bytes;
}

template <typename T> void Put(std::string& bytes, size_t at, T value) {
    std::memcpy(&bytes[at], &value, sizeof value);
}

constexpr size_t BF_SIZE = 2, BF_OFF_BITS = 10, BI_SIZE = 14, BI_WIDTH = 18, BI_HEIGHT = 22,
                 BI_BIT_COUNT = 28, BI_COMPRESSION = 30, BI_SIZE_IMAGE = 34, BI_CLR_USED = 46;

class HostileFileTest : public BitmapFileTest {
  protected:
    // Loads `bytes` as a slot file; returns the section's pixel bytes, or
    // nothing when the loader refused the file.
    bool Load(const std::string& bytes, std::string* pixels = nullptr, LONG* width = nullptr,
              LONG* height = nullptr) {
        WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        HBITMAP loaded = LoadBitmapFile(path.c_str());
        if (!loaded) return false;
        DIBSECTION dib;
        EXPECT_EQ(GetObjectW(loaded, sizeof dib, &dib), int(sizeof dib));
        if (pixels)
            pixels->assign(static_cast<const char*>(dib.dsBm.bmBits),
                           size_t(dib.dsBm.bmWidthBytes) * dib.dsBm.bmHeight);
        if (width) *width = dib.dsBm.bmWidth;
        if (height) *height = dib.dsBm.bmHeight;
        DeleteObject(loaded);
        return true;
    }
    void ExpectRefused(const std::string& bytes, const char* what) {
        EXPECT_FALSE(Load(bytes)) << what;
        int width = -1, height = -1;
        ReadBitmapFileSize(path.c_str(), &width, &height);
        EXPECT_EQ(width, 0) << what;
        EXPECT_EQ(height, 0) << what;
        EXPECT_EQ(CopyBitmapFileToClipboard(path.c_str()), ClipboardCopy::Failed) << what;
    }
};

TEST_F(HostileFileTest, TheValidFileLoadsExactly) {
    std::string pixels;
    ASSERT_TRUE(Load(ValidFile(), &pixels));
    EXPECT_EQ(pixels, ValidFile().substr(54));
}

TEST_F(HostileFileTest, RefusedFiles) {
    std::string valid = ValidFile();
    ExpectRefused("", "empty file");
    ExpectRefused(valid.substr(0, 10), "cut inside the file header");
    ExpectRefused(valid.substr(0, 53), "cut inside the info header");
    ExpectRefused(valid.substr(0, 54), "headers only, no pixel byte");
    std::string s;
    s = valid;
    s[0] = 'X';
    ExpectRefused(s, "not BM");
    s = valid;
    Put<int32_t>(s, BI_WIDTH, 0);
    ExpectRefused(s, "width 0");
    s = valid;
    Put<int32_t>(s, BI_WIDTH, -4);
    ExpectRefused(s, "negative width");
    s = valid;
    Put<int32_t>(s, BI_HEIGHT, 0);
    ExpectRefused(s, "height 0");
    s = valid;
    Put<int32_t>(s, BI_HEIGHT, INT32_MIN);
    ExpectRefused(s, "height INT32_MIN");
    s = valid;
    Put<int32_t>(s, BI_WIDTH, 0x40000001);
    Put<uint16_t>(s, BI_BIT_COUNT, 32);
    ExpectRefused(s, "width whose stride wraps 32 bits");
    s = valid;
    Put<int32_t>(s, BI_WIDTH, 100000);
    Put<int32_t>(s, BI_HEIGHT, 100000);
    ExpectRefused(s, "30 GB of pixels");
    s = valid;
    Put<int32_t>(s, BI_WIDTH, INT32_MAX);
    Put<int32_t>(s, BI_HEIGHT, INT32_MAX);
    ExpectRefused(s, "largest width and height");
    for (uint16_t bits : {0, 2, 7, 12, 48, 64, 0xFFFF}) {
        s = valid;
        Put<uint16_t>(s, BI_BIT_COUNT, bits);
        ExpectRefused(s, "odd bit count");
    }
    s = valid;
    Put<uint32_t>(s, BI_COMPRESSION, BI_RLE8);
    ExpectRefused(s, "RLE");
    s = valid;
    Put<uint32_t>(s, BI_COMPRESSION, BI_BITFIELDS);
    ExpectRefused(s, "bit fields");
    s = valid;
    Put<uint32_t>(s, BI_SIZE, 12);
    ExpectRefused(s, "core header");
    s = valid;
    Put<uint32_t>(s, BI_SIZE, 0);
    ExpectRefused(s, "header size 0");
    s = valid;
    Put<uint32_t>(s, BF_OFF_BITS, 20);
    ExpectRefused(s, "pixels inside the headers");
    s = valid;
    Put<uint32_t>(s, BF_OFF_BITS, uint32_t(valid.size()));
    ExpectRefused(s, "pixels at the end");
    s = valid;
    Put<uint32_t>(s, BF_OFF_BITS, 0xFFFFFFFF);
    ExpectRefused(s, "pixels far beyond");
}

TEST_F(HostileFileTest, HeaderSizesThatDisagreeAreNotTrusted) {
    std::string valid = ValidFile();
    std::string expected = valid.substr(54);
    std::string pixels, s;
    // biSizeImage and bfSize are ignored: the block is always width x height
    for (uint32_t sizeImage : {0u, 1u, 35u, 37u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        s = valid;
        Put<uint32_t>(s, BI_SIZE_IMAGE, sizeImage);
        ASSERT_TRUE(Load(s, &pixels)) << sizeImage;
        EXPECT_EQ(pixels, expected) << sizeImage;
    }
    s = valid;
    Put<uint32_t>(s, BF_SIZE, 0xFFFFFFFF);
    ASSERT_TRUE(Load(s, &pixels));
    EXPECT_EQ(pixels, expected);
    s = valid;
    Put<uint32_t>(s, BI_CLR_USED, 0xFFFFFFFF);
    ASSERT_TRUE(Load(s, &pixels));
    EXPECT_EQ(pixels, expected);
}

TEST_F(HostileFileTest, ShortPixelDataLoadsWhatIsThereAndLeavesTheRestBlack) {
    std::string valid = ValidFile();
    std::string pixels;
    LONG width = 0, height = 0;
    ASSERT_TRUE(Load(valid.substr(0, 54 + 13), &pixels, &width, &height));
    EXPECT_EQ(width, 4);
    EXPECT_EQ(height, 3);
    EXPECT_EQ(pixels.substr(0, 13), valid.substr(54, 13));
    EXPECT_EQ(pixels.substr(13), std::string(36 - 13, '\0'));
    int w = 0, h = 0;
    ReadBitmapFileSize(path.c_str(), &w, &h);
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 3);

    // a height larger than the file: the rows present are read, bottom first
    std::string tall = valid;
    Put<int32_t>(tall, BI_HEIGHT, 1000);
    ASSERT_TRUE(Load(tall, &pixels, &width, &height));
    EXPECT_EQ(height, 1000);
    EXPECT_EQ(pixels.substr(0, 36), valid.substr(54));
    EXPECT_EQ(pixels.find_first_not_of('\0', 36), std::string::npos);

    // a depth that asks for more than the file holds
    std::string deeper = valid;
    Put<uint16_t>(deeper, BI_BIT_COUNT, 32);
    ASSERT_TRUE(Load(deeper, &pixels));
    EXPECT_EQ(pixels.size(), 48u);
    EXPECT_EQ(pixels.substr(0, 36), valid.substr(54));

    // pixels starting late read only up to the end of the file
    std::string late = valid;
    Put<uint32_t>(late, BF_OFF_BITS, 80);
    ASSERT_TRUE(Load(late, &pixels));
    EXPECT_EQ(pixels.substr(0, 10), valid.substr(80));
}

// A tiny file that declares a huge picture must not make the reader allocate
// (and every later draw stretch) what the file does not hold.
TEST_F(HostileFileTest, SmallFileDeclaringAHugePictureIsRefused) {
    std::string s = ValidFile(8);
    s.resize(1078);
    Put<int32_t>(s, BI_WIDTH, 16384);
    Put<int32_t>(s, BI_HEIGHT, 10922);
    Put<uint16_t>(s, BI_BIT_COUNT, 24);
    Put<uint32_t>(s, BF_OFF_BITS, 54);
    DWORD start = GetTickCount();
    ExpectRefused(s, "512 MiB declared in 1078 bytes");
    EXPECT_LT(GetTickCount() - start, 500u);
}

// A real full-screen hard copy cut short (a full disk, a copy interrupted)
// still shows what it holds.
TEST_F(HostileFileTest, TruncatedRealHardCopyStaysReadable) {
    const int width = 1920, height = 1080;
    WriteSolidBitmap(path, width, height, RGB(10, 20, 30));
    std::string whole = ReadText(path);
    for (size_t keep : {size_t(55), whole.size() / 10, whole.size() / 2, whole.size() - 1}) {
        std::string pixels;
        LONG w = 0, h = 0;
        ASSERT_TRUE(Load(whole.substr(0, keep), &pixels, &w, &h)) << keep;
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        EXPECT_EQ(pixels.substr(0, keep - 54), whole.substr(54, keep - 54)) << keep;
    }
    // A tiny file declaring a tall, narrow picture at a low depth: few bytes
    // to allocate, but millions of rows to stretch and to copy at the
    // screen's depth.
    std::string tall = ValidFile(4);
    Put<int32_t>(tall, BI_WIDTH, 13);
    Put<int32_t>(tall, BI_HEIGHT, 0x200007);
    ExpectRefused(tall, "13 x 2097159 at 4 bits in a few bytes");
    // A picture larger than any hard copy needs a quarter of its pixels
    // beyond the first 8 Mi: 7680 x 4320 = 33,177,600 pixels, less
    // 8,388,608, a quarter of that is 6,197,248 pixels of 4 bytes.
    BitmapFileHeader file = {};
    BitmapInfoHeader info = {};
    file.bfType = BITMAP_FILE_TYPE;
    file.bfOffBits = 54;
    info.biSize = 40;
    info.biWidth = 7680;
    info.biHeight = 4320;
    info.biBitCount = 32;
    BitmapReadPlan plan;
    EXPECT_TRUE(PlanBitmapRead(file, info, 54 + 24788992, &plan));
    EXPECT_FALSE(PlanBitmapRead(file, info, 54 + 24788992 - 4096, &plan));
}

TEST_F(HostileFileTest, TopDownFilesLoadWithTheirRowsInOrder) {
    std::string s = ValidFile();
    Put<int32_t>(s, BI_HEIGHT, -3);
    std::string pixels;
    LONG height = 0;
    ASSERT_TRUE(Load(s, &pixels, nullptr, &height));
    EXPECT_EQ(height, 3);
    EXPECT_EQ(pixels, ValidFile().substr(54));
}

TEST_F(HostileFileTest, ColourTablesCutShortKeepWhatIsPresent) {
    std::string valid = ValidFile(8);
    auto table = [&](const std::string& bytes) {
        WriteBytes(path, std::vector<uint8_t>(bytes.begin(), bytes.end()));
        std::string colors;
        HBITMAP loaded = LoadBitmapFile(path.c_str());
        if (!loaded) return colors;
        RGBQUAD entries[256] = {};
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, loaded);
        GetDIBColorTable(dc, 0, 256, entries);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(loaded);
        colors.assign(reinterpret_cast<const char*>(entries), sizeof entries);
        return colors;
    };
    EXPECT_EQ(table(valid), valid.substr(54, 1024));

    // the pixels begin after 4 entries: the other 252 stay black
    std::string s = valid;
    Put<uint32_t>(s, BF_OFF_BITS, 54 + 16);
    std::string colors = table(s);
    ASSERT_EQ(colors.size(), 1024u);
    EXPECT_EQ(colors.substr(0, 16), valid.substr(54, 16));
    EXPECT_EQ(colors.substr(16), std::string(1008, '\0'));

    // a header claiming to be 4 GB long leaves no room for a table
    s = valid;
    Put<uint32_t>(s, BI_SIZE, 0xFFFFFFF0);
    colors = table(s);
    ASSERT_EQ(colors.size(), 1024u);
    EXPECT_EQ(colors, std::string(1024, '\0'));
}

// Random headers: whatever they say, the plan stays inside the file and
// inside the section.
TEST(BitmapReadPlanTest, AnyHeaderGivesAPlanInsideFileAndSection) {
    std::mt19937 rng(12345);
    std::string valid = ValidFile(8);
    int accepted = 0;
    for (int round = 0; round < 200000; ++round) {
        std::string s = valid;
        int changes = 1 + rng() % 4;
        for (int c = 0; c < changes; ++c) {
            size_t at = 2 + rng() % 52;
            uint32_t pick = rng() % 4;
            s[at] = pick == 0 ? char(0xFF) : pick == 1 ? char(0) : char(rng());
        }
        uint64_t length = 54 + rng() % 3000;
        BitmapFileHeader file;
        BitmapInfoHeader info;
        std::memcpy(&file, s.data(), 14);
        std::memcpy(&info, s.data() + 14, 40);
        BitmapReadPlan plan;
        if (!PlanBitmapRead(file, info, length, &plan)) continue;
        ++accepted;
        ASSERT_LE(plan.pixelBytesExpected, MAX_BITMAP_IMAGE_BYTES);
        ASSERT_LE(plan.pixelBytesToRead, plan.pixelBytesExpected);
        ASSERT_LE(uint64_t(plan.pixelOffset) + plan.pixelBytesToRead, length);
        ASSERT_GE(plan.pixelOffset, 54u);
        ASSERT_LE(plan.colorEntries, ColorTableEntries(info.biBitCount));
        if (plan.colorEntries > 0) {
            ASSERT_LE(uint64_t(plan.colorTableOffset) + 4 * plan.colorEntries,
                      std::min<uint64_t>(file.bfOffBits, length));
        }
    }
    EXPECT_GT(accepted, 1000);
}

} // namespace
