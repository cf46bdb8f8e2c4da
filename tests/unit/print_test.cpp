#include "app/stamp_text.h"
#include "output/print.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string>

namespace {

PrinterPage Page(int horz, int vert, int physicalWidth, int physicalHeight) {
    return PrinterPage{0, 0, physicalWidth, physicalHeight, horz, vert};
}

RECT ImageRect(int width, int height, const PrinterPage& page) {
    RECT rect = {-1, -1, -1, -1};
    EXPECT_TRUE(ComputePrintImageRect(width, height, page, &rect));
    return rect;
}

void ExpectRect(const RECT& rect, int left, int top, int width, int height) {
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right - rect.left, width);
    EXPECT_EQ(rect.bottom - rect.top, height);
}

} // namespace

TEST(PrintPageLayout, WideCopyOnPortraitPageTakesTheWidthAndIsCentred) {
    ExpectRect(ImageRect(1000, 500, Page(4800, 6800, 4960, 7016)), 240, 2320, 4320, 2160);
}

TEST(PrintPageLayout, SmallCopyIsEnlargedAndTallCopyTakesTheHeight) {
    // A4 at 300 dpi: 2479 x 3508, 90 % is 2231 x 3157.
    PrinterPage a4 = Page(2479, 3508, 2479, 3508);
    ExpectRect(ImageRect(10, 10, a4), 124, 638, 2231, 2231);
    RECT tall = ImageRect(100, 1000, a4);
    EXPECT_EQ(tall.bottom - tall.top, 3157);
    EXPECT_EQ(tall.right - tall.left, 315); // 100 * 3.157, truncated
    EXPECT_EQ(tall.left, (2479 - 315) / 2);
    EXPECT_EQ(tall.top, (3508 - 3157) / 2);
}

TEST(PrintPageLayout, EqualAspectTakesTheWidthOnPortraitAndTheHeightOtherwise) {
    // 90 % of 114 x 152 is 102 x 136, the ratio of 21 x 28; the scale factors
    // are equal, and the truncation of the other side shows which one won.
    ExpectRect(ImageRect(21, 28, Page(114, 152, 120, 160)), 6, 8, 102, 136);
    ExpectRect(ImageRect(21, 28, Page(114, 152, 160, 120)), 6, 8, 101, 136);
    ExpectRect(ImageRect(21, 28, Page(114, 152, 160, 160)), 6, 8, 101, 136);
    // The same on real A4 pages, portrait and landscape.
    ExpectRect(ImageRect(2231, 3157, Page(2479, 3508, 2479, 3508)), 124, 175, 2231, 3157);
    ExpectRect(ImageRect(3157, 2231, Page(3508, 2479, 3508, 2479)), 175, 124, 3157, 2231);
}

TEST(PrintPageLayout, CopyWithoutPixelsHasNoImageRectangle) {
    RECT rect = {1, 2, 3, 4};
    PrinterPage a4 = Page(2479, 3508, 2479, 3508);
    EXPECT_FALSE(ComputePrintImageRect(0, 100, a4, &rect));
    EXPECT_FALSE(ComputePrintImageRect(100, 0, a4, &rect));
    EXPECT_FALSE(ComputePrintImageRect(0, 0, a4, &rect));
    EXPECT_FALSE(ComputePrintImageRect(-5, 100, a4, &rect));
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.bottom, 4);
}

TEST(StampText, TimeStampPadsEveryField) {
    SYSTEMTIME time = {};
    time.wYear = 2012;
    time.wMonth = 1;
    time.wDay = 2;
    time.wHour = 3;
    time.wMinute = 4;
    time.wSecond = 5;
    time.wMilliseconds = 999;
    wchar_t text[TIME_STAMP_CAPACITY];
    FormatTimeStamp(time, text);
    EXPECT_STREQ(text, L"2012/01/02 03:04:05");
    time.wYear = 987;
    FormatTimeStamp(time, text);
    EXPECT_STREQ(text, L" 987/01/02 03:04:05");
}

TEST(StampText, LocalTimeStampHasTheFormOfToday) {
    wchar_t text[TIME_STAMP_CAPACITY];
    std::memset(text, 'x', std::size(text));
    SYSTEMTIME before;
    GetLocalTime(&before);
    FormatLocalTimeStamp(text);
    ASSERT_EQ(std::wcslen(text), 19u);
    wchar_t date[11];
    std::swprintf(date, std::size(date), L"%4d/%02d/%02d", before.wYear, before.wMonth, before.wDay);
    EXPECT_EQ(std::wstring(text, 10), date);
}

TEST(StampText, HostStampHoldsBothOneOrNone) {
    wchar_t text[HOST_STAMP_CAPACITY];
    FormHostStampText(L"pc01", L"192.168.0.10", true, true, text, std::size(text));
    EXPECT_STREQ(text, L"pc01 192.168.0.10");
    FormHostStampText(L"pc01", L"192.168.0.10", true, false, text, std::size(text));
    EXPECT_STREQ(text, L"pc01");
    FormHostStampText(L"pc01", L"192.168.0.10", false, true, text, std::size(text));
    EXPECT_STREQ(text, L"192.168.0.10");
    FormHostStampText(L"pc01", L"192.168.0.10", false, false, text, std::size(text));
    EXPECT_STREQ(text, L"");
}

TEST(StampText, HostStampNeverPassesItsBuffer) {
    std::wstring name(255, 'h'), address(255, 'a');
    wchar_t text[HOST_STAMP_CAPACITY + 8];
    std::wmemset(text, L'#', std::size(text));
    FormHostStampText(name.c_str(), address.c_str(), true, true, text, HOST_STAMP_CAPACITY);
    EXPECT_EQ(std::wstring(text), name + L" " + address);
    // Longer texts than the program ever holds are cut at the buffer.
    std::wstring longName(600, 'n');
    FormHostStampText(longName.c_str(), address.c_str(), true, true, text, HOST_STAMP_CAPACITY);
    EXPECT_EQ(std::wcslen(text), static_cast<size_t>(HOST_STAMP_CAPACITY - 1));
    EXPECT_EQ(text[HOST_STAMP_CAPACITY], '#');
}

TEST(StampText, LookUpFillsHostNameAndDottedAddress) {
    LookUpHostAddress();
    wchar_t expected[HOST_TEXT_CAPACITY] = {};
    DWORD size = std::size(expected);
    ASSERT_TRUE(GetComputerNameExW(ComputerNameDnsHostname, expected, &size));
    EXPECT_EQ(_wcsicmp(hostNameText, expected), 0) << hostNameText;
    unsigned parts[4];
    wchar_t rest;
    EXPECT_EQ(std::swscanf(ipAddressText, L"%u.%u.%u.%u%lc", &parts[0], &parts[1], &parts[2],
                           &parts[3], &rest),
              4)
        << ipAddressText;
    // The socket library is shut down again: a second look-up works the same.
    std::wstring first = ipAddressText;
    LookUpHostAddress();
    EXPECT_EQ(first, ipAddressText);
}

namespace {

// The names' offsets count UTF-16 units from the block's start.
constexpr WORD NAMES_START = sizeof(DEVNAMES) / sizeof(wchar_t);

HGLOBAL DeviceNames(WORD offset, const std::wstring& tail) {
    size_t tailBytes = tail.size() * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DEVNAMES) + tailBytes);
    auto* names = static_cast<DEVNAMES*>(GlobalLock(memory));
    names->wDeviceOffset = offset;
    std::memcpy(reinterpret_cast<char*>(names) + sizeof(DEVNAMES), tail.data(), tailBytes);
    GlobalUnlock(memory);
    return memory;
}

} // namespace

TEST(PrinterSetup, TheFullPrinterNameComesFromTheDeviceNames) {
    const std::wstring longName = L"Second floor colour laser by the window";
    DEVMODEW chosen = {};
    std::wmemcpy(chosen.dmDeviceName, longName.data(), CCHDEVICENAME); // cut, no terminator
    struct Case {
        WORD offset;
        std::wstring tail;
        std::wstring expected;
    } cases[] = {
        {NAMES_START, std::wstring(L"winspool\0", 9) + longName + L'\0', L""},
        {NAMES_START + 9, std::wstring(L"winspool\0", 9) + longName + L'\0', longName},
        // an offset past the block is not read
        {4000, std::wstring(L"x\0", 2), longName.substr(0, 32)},
    };
    for (const Case& c : cases) {
        HGLOBAL names = DeviceNames(c.offset, c.tail);
        std::wstring expected = c.expected.empty() ? L"winspool" : c.expected;
        EXPECT_EQ(ChosenPrinterName(names, chosen), expected) << c.offset;
        GlobalFree(names);
    }
    EXPECT_EQ(ChosenPrinterName(nullptr, chosen), longName.substr(0, 32));
}
