// The settings codec beside the system's own profile functions: each
// hand-made file is read, or written, through both, and the answers must be
// the same: the A functions for a file without a Unicode mark, the W ones
// for the others. Where Windows documents another answer than Wine gives,
// the row holds Windows' answer.
#include "settings/ini_file.h"
#include "settings/shift_jis.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

enum Form { ANSI, UTF16, UTF8_MARK, UTF16_BIG };
enum Condition { PLAIN, READ_ONLY, HELD, HELD_READING, HARD_LINK, HIDDEN };
constexpr char ABSENT[] = "\x01", READ[] = "";

struct Row {
    Form form;
    const char* text; // nullptr: no file
    const char* section;
    const char* key;
    const char* value = READ; // nullptr: the key is removed
    Condition condition = PLAIN;
    const char* windows = nullptr;
};

const Row ROWS[] = {
    {ANSI, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType"},
    {ANSI, "  [common]  \r\n\t copytype \t=  2 \t\x1a\r\n", "Common", "CopyType"},
    {ANSI, "[Common]\r\nCopyType=1\r\nCopyType=2\r\n[Common]\r\nCopyType=3\r\n", "Common",
     "CopyType"},
    {ANSI, "CopyType=1\r\n[Common]\r\n;CopyType=4\r\n\r\n  \r\nCopyType=3", "Common", "CopyType"},
    {ANSI, "[Common]\nCopyType=1\n", "Common", "CopyType"},
    {ANSI, "[Option]\rSaveNum=9\r[Common]\rCopyType=4\r", "Common", "CopyType"},
    {ANSI, "[Common]\r\nAutoLeft=1\rCopyType=3\n", "Common", "CopyType"},
    {ANSI, "[Common]\r\nAutoLeft=1\r\n[Broken\r\nCopyType=2\r\n", "Common", "CopyType"},
    {ANSI, "[Common]\r\nAutoLeft=1\r\n[Broken\r\nCopyType=2\r\n", "Broken", "CopyType"},
    {ANSI, "[Common]\r\nCopyType\r\nCopyType=1\r\n", "Common", "CopyType"},
    {ANSI, "[ Common ] ; the first\r\nCopyType=1\r\n", "Common", "CopyType"},
    {ANSI, "[SaveAs]\r\nSaveDir=C:\\ソ表\\\r\n", "SaveAs", "SaveDir"},
    {ANSI, nullptr, "Common", "CopyType"},
    {ANSI, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType", READ, HELD},
    {UTF16, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType"},
    {UTF16, "[Modify]\nAppPath= C:\\ハード\\Zoë\\𠮷田.exe ", "Modify", "AppPath"},
    {UTF8_MARK, "[SaveAs]\r\nSaveDir=C:\\ハードコピー\r\n", "SaveAs", "SaveDir"},
    // Windows reads a file as UTF-16 only after a little-endian mark; Wine also after a big one.
    {UTF16_BIG, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType", READ, PLAIN, ABSENT},

    {ANSI, "[Common]\r\nCopyType=1\r\n", "Option", "SaveNum", "50"},
    {ANSI, nullptr, "Common", "CopyType", "2"},
    {ANSI, "[Modify]\r\nAppPath_UTF8=\"y\"\r\n", "Modify", "AppPath_UTF8", nullptr},
    {ANSI, "[SaveAs]\r\nSaveDir=a\r\n", "SaveAs", "SaveDir", "C:\\ソ表"},
    {ANSI, "[Common]\r\nCopyType\r\nCopyType=1\r\n", "Common", "CopyType", "0"},
    {ANSI, "[Common]\r\nAutoLeft=1\r\n[Broken\r\nCopyType=2\r\n", "Broken", "CopyType", "7"},
    {ANSI, "[Common]\rCopyType=1\rAutoLeft=3\r", "Common", "CopyType", "0"},
    {UTF16, "[Common]\r\nCopyType=1\r\n[SaveAs]\r\nSaveDir=a\r\n", "SaveAs", "SaveDir",
     "C:\\Zoë\\𠮷田"},
    {UTF8_MARK, "[Common]\r\nCopyType=1\r\n[SaveAs]\r\nSaveDir=a\r\n", "SaveAs", "SaveDir",
     "C:\\ハード"},
    // Windows writes no read-only file; Wine run by root does.
    {ANSI, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType", "0", READ_ONLY,
     "refused 1 [C Common/CopyType=1 Common/AutoLeft=\x01 SaveAs/SaveDir=\x01 "
     "Broken/CopyType=\x01"},
    {ANSI, "[Common]\r\nCopyType=1\r\nAutoLeft=2\r\n", "Common", "CopyType", "0", HELD},
    {ANSI, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType", "0", HELD_READING},
    {ANSI, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType", "0", HARD_LINK},
    {ANSI, "[Common]\r\nCopyType=1\r\n", "Common", "CopyType", "0", HIDDEN},
};
const char* const PROBES[][2] = {
    {"Common", "CopyType"}, {"Common", "AutoLeft"}, {"SaveAs", "SaveDir"}, {"Broken", "CopyType"}};

std::wstring Wide(const char* utf8) {
    return WideFromUtf8(utf8);
}
std::string ShiftJis(const std::wstring& text) {
    return ShiftJisFromWide(text);
}

std::string FileBytes(Form form, const char* utf8) {
    if (form == ANSI) return ShiftJis(Wide(utf8));
    if (form == UTF8_MARK) return "\xEF\xBB\xBF" + std::string(utf8);
    std::string bytes(form == UTF16 ? "\xFF\xFE" : "\xFE\xFF");
    for (wchar_t c : Wide(utf8)) {
        char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += form == UTF16 ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

std::string PlatformRead(const std::wstring& path, bool ansi, const char* section,
                         const char* key) {
    char bytes[512] = {};
    wchar_t text[512] = {};
    if (ansi)
        GetPrivateProfileStringA(section, key, ABSENT, bytes, 512, ShiftJis(path).c_str());
    else
        GetPrivateProfileStringW(Wide(section).c_str(), Wide(key).c_str(), L"\x01", text, 512,
                                 path.c_str());
    return Utf8FromWide(ansi ? WideFromShiftJis(bytes) : std::wstring(text));
}

bool PlatformWrite(const std::wstring& path, bool ansi, const Row& row) {
    if (ansi)
        return WritePrivateProfileStringA(row.section, row.key,
                                          row.value ? ShiftJis(Wide(row.value)).c_str() : nullptr,
                                          ShiftJis(path).c_str());
    return WritePrivateProfileStringW(Wide(row.section).c_str(), Wide(row.key).c_str(),
                                      row.value ? Wide(row.value).c_str() : nullptr, path.c_str());
}

// Writes (or reads) the row's file at `path` made as the row says; what
// came of it, as the platform sees the file afterwards.
template <typename Use> std::string Outcome(const std::wstring& path, const Row& row, Use use) {
    std::wstring seen = row.condition == HARD_LINK ? path + L"-link" : path;
    if (row.text) WriteText(path, FileBytes(row.form, row.text));
    if (row.condition == HARD_LINK) CreateHardLinkW(seen.c_str(), path.c_str(), nullptr);
    if (row.condition == READ_ONLY || row.condition == HIDDEN)
        SetFileAttributesW(path.c_str(), row.condition == HIDDEN ? FILE_ATTRIBUTE_HIDDEN
                                                                 : FILE_ATTRIBUTE_READONLY);
    DWORD sharing = row.condition == HELD ? FILE_SHARE_WRITE | FILE_SHARE_DELETE : FILE_SHARE_READ;
    HANDLE held =
        row.condition == HELD || row.condition == HELD_READING
            ? CreateFileW(path.c_str(), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr)
            : INVALID_HANDLE_VALUE;
    std::string outcome = use();
    CloseHandle(held);
    if (row.value == READ) return outcome;
    outcome += ' ' + ReadText(seen).substr(0, 2); // the mark, if any
    if (GetFileAttributesW(seen.c_str()) & FILE_ATTRIBUTE_HIDDEN) outcome += " hidden";
    for (const auto& probe : PROBES)
        outcome += std::string(" ") + probe[0] + "/" + probe[1] + "=" +
                   PlatformRead(seen, false, probe[0], probe[1]);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return outcome;
}

std::string Written(bool written, IniFailure failure) {
    return written ? "written" : "refused " + std::to_string(static_cast<int>(failure));
}

TEST(IniPlatform, ReadsAndWritesGiveThePlatformsAnswers) {
    TempFolder folder;
    int agreeing[2] = {}, rows[2] = {};
    for (size_t i = 0; i < std::size(ROWS); ++i) {
        const Row& row = ROWS[i];
        bool write = row.value != READ, ansi = row.form == ANSI;
        SCOPED_TRACE("row " + std::to_string(i + 1) + ": " + (row.text ? row.text : "no file"));
        std::wstring name = folder.file(std::to_wstring(i));
        std::string platform = Outcome(name + L"-platform.ini", row, [&] {
            if (!write) return PlatformRead(name + L"-platform.ini", ansi, row.section, row.key);
            bool written = PlatformWrite(name + L"-platform.ini", ansi, row);
            return Written(written, IniFailureOf(GetLastError(), false));
        });
        std::string codec = Outcome(name + L"-codec.ini", row, [&] {
            IniFile ini((name + L"-codec.ini").c_str());
            if (!write) return Utf8FromWide(ini.Text(row.section, row.key).value_or(L"\x01"));
            if (row.value)
                ini.SetText(row.section, row.key, Wide(row.value));
            else
                ini.Remove(row.section, row.key);
            IniFailure failure = ini.Save();
            return Written(failure == IniFailure::None, failure);
        });
        std::string expected = row.windows ? row.windows : platform;
        EXPECT_EQ(codec, expected) << "Wine: " << platform;
        agreeing[write] += codec == expected;
        ++rows[write];
    }
    std::printf("agreeing with the platform: %d of %d reads, %d of %d writes\n", agreeing[0],
                rows[0], agreeing[1], rows[1]);
}

} // namespace
