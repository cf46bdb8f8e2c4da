#include "capture/gdi_text.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

constexpr UINT PROGRAM_CODE_PAGE = 932;
constexpr int WIDE_TEXT_CAPACITY = 1024;

struct WideText {
    wchar_t chars[WIDE_TEXT_CAPACITY];
    int length;
};

// No code page 932 character takes more than one UTF-16 unit, so a text of
// up to the capacity in bytes converts whole; a longer one is cut.
WideText ToWideText(const char* text, int length) {
    WideText wide = {};
    length = std::clamp(length, 0, WIDE_TEXT_CAPACITY);
    if (length > 0)
        wide.length =
            MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, text, length, wide.chars, WIDE_TEXT_CAPACITY);
    return wide;
}

} // namespace

BOOL DrawProgramText(HDC dc, int x, int y, const char* text, int length) {
    WideText wide = ToWideText(text, length);
    return TextOutW(dc, x, y, wide.chars, wide.length);
}

BOOL MeasureProgramText(HDC dc, const char* text, int length, SIZE* extent) {
    WideText wide = ToWideText(text, length);
    return GetTextExtentPoint32W(dc, wide.chars, wide.length, extent);
}

HFONT CreateProgramFont(const LOGFONTA& font) {
    LOGFONTW wide = {};
    std::memcpy(&wide, &font, offsetof(LOGFONTA, lfFaceName));
    int faceLength = static_cast<int>(strnlen(font.lfFaceName, LF_FACESIZE - 1));
    if (faceLength > 0)
        MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, font.lfFaceName, faceLength, wide.lfFaceName,
                            LF_FACESIZE - 1);
    return CreateFontIndirectW(&wide);
}
