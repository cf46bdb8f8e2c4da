#include "capture/gdi_text.h"

#include <algorithm>
#include <climits>
#include <cstring>

std::wstring WideFromProgramText(const char* text, size_t length) {
    int count = static_cast<int>(std::min<size_t>(length, INT_MAX));
    if (count <= 0) return std::wstring();
    // No code page 932 character takes more than one UTF-16 unit.
    std::wstring wide(count, L'\0');
    wide.resize(MultiByteToWideChar(PROGRAM_CODE_PAGE, 0, text, count, wide.data(), count));
    return wide;
}

BOOL DrawProgramText(HDC dc, int x, int y, const char* text, int length) {
    std::wstring wide = WideFromProgramText(text, std::max(length, 0));
    return TextOutW(dc, x, y, wide.c_str(), static_cast<int>(wide.size()));
}

BOOL MeasureProgramText(HDC dc, const char* text, int length, SIZE* extent) {
    std::wstring wide = WideFromProgramText(text, std::max(length, 0));
    return GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), extent);
}

HFONT CreateProgramFont(const LOGFONTA& font) {
    LOGFONTW wide = {};
    std::memcpy(&wide, &font, offsetof(LOGFONTA, lfFaceName));
    std::wstring face =
        WideFromProgramText(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE - 1));
    face.copy(wide.lfFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectW(&wide);
}
