#include "settings/shift_jis.h"

#include <windows.h>

#include <climits>

namespace {

int Count(size_t length) { return length > INT_MAX ? INT_MAX : static_cast<int>(length); }

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }
bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The Shift-JIS bytes of one UTF-16 unit that reads back as itself: one or
// two; 0 when code page 932 has no such character.
int ExactShiftJisBytes(wchar_t c, char* out) {
    if (c < 0x80) {
        *out = static_cast<char>(c);
        return 1;
    }
    if (IsSurrogate(c)) return 0;
    BOOL usedDefault = FALSE;
    int bytes = WideCharToMultiByte(SHIFT_JIS_CODE_PAGE, WC_NO_BEST_FIT_CHARS, &c, 1, out, 2,
                                    nullptr, &usedDefault);
    return usedDefault ? 0 : bytes;
}

std::wstring Decode(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return std::wstring();
    int count = Count(bytes.size());
    // No byte becomes more than one UTF-16 unit.
    std::wstring wide(count, L'\0');
    wide.resize(MultiByteToWideChar(codePage, 0, bytes.data(), count, wide.data(), count));
    return wide;
}

} // namespace

std::wstring WideFromShiftJis(std::string_view bytes) { return Decode(SHIFT_JIS_CODE_PAGE, bytes); }

std::wstring WideFromUtf8(std::string_view bytes) { return Decode(CP_UTF8, bytes); }

std::string ShiftJisFromWide(std::wstring_view text, bool* exact) {
    std::string form;
    form.reserve(text.size() * 2);
    bool allExact = true;
    for (wchar_t c : text) {
        char bytes[2];
        int length = ExactShiftJisBytes(c, bytes);
        if (length == 0) {
            form += '?';
            allExact = false;
        } else {
            form.append(bytes, length);
        }
    }
    if (exact) *exact = allExact;
    return form;
}

size_t ShiftJisLength(std::wstring_view text) {
    size_t length = 0;
    for (wchar_t c : text) {
        char bytes[2];
        int exact = ExactShiftJisBytes(c, bytes);
        length += exact == 0 ? 1 : exact;
    }
    return length;
}

size_t WholeCharactersWithin(std::wstring_view text, size_t bytes) {
    size_t units = 0, used = 0;
    while (units < text.size()) {
        bool pair = units + 1 < text.size() && IsHighSurrogate(text[units]) &&
                    IsLowSurrogate(text[units + 1]);
        size_t step = pair ? 2 : 1;
        size_t cost = ShiftJisLength(text.substr(units, step));
        if (used + cost > bytes) break;
        used += cost;
        units += step;
    }
    return units;
}

std::string Utf8FromWide(std::wstring_view text) {
    if (text.empty()) return std::string();
    int count = Count(text.size());
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), count, nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), count, bytes.data(), size, nullptr, nullptr);
    return bytes;
}
