// Code page 932 (Shift-JIS), the settings file's encoding on every system,
// and UTF-8, converted with the code page named: never through the system's
// or the process's code page, so that the same bytes read the same on a
// Japanese, an English or a UTF-8 system.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr unsigned SHIFT_JIS_CODE_PAGE = 932;

std::wstring WideFromShiftJis(std::string_view bytes);
// The Shift-JIS form of `text`. A character Shift-JIS lacks becomes '?' (one
// for each UTF-16 unit), never a look-alike; `exact` tells whether none did,
// that is whether the form reads back as `text`.
std::string ShiftJisFromWide(std::wstring_view text, bool* exact = nullptr);
// The length in bytes of that form: never less than the UTF-16 length.
size_t ShiftJisLength(std::wstring_view text);
// How many UTF-16 units at the start of `text` make the longest run of whole
// characters whose Shift-JIS form takes at most `bytes` bytes.
size_t WholeCharactersWithin(std::wstring_view text, size_t bytes);

std::string Utf8FromWide(std::wstring_view text);
std::wstring WideFromUtf8(std::string_view bytes);
