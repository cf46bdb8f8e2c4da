#include "settings/ini_file.h"

#include "settings/shift_jis.h"

#include <windows.h>

namespace {

bool IsProfileBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

bool IsQuote(char c) { return c == '"' || c == '\''; }

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsProfileBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back())) text.remove_suffix(1);
    return text;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

// A "[name]" line's name; nothing for any other line, a "[" without "]" too.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trimmed(line.substr(1, close - 1));
}

struct KeyLine {
    std::string_view name;
    std::optional<std::string_view> value; // as written, blanks around it taken off
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    if (SectionName(line)) return std::nullopt;
    line = Trimmed(line);
    if (line.empty()) return std::nullopt;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return KeyLine{line, std::nullopt};
    return KeyLine{Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))};
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

constexpr char UTF8_MARK[] = "\xEF\xBB\xBF";
constexpr char UTF16_MARK[] = "\xFF\xFE";

bool StartsWith(std::string_view bytes, std::string_view mark) {
    return bytes.substr(0, mark.size()) == mark;
}

std::string Utf8FromUtf16Bytes(std::string_view bytes) {
    std::wstring text(bytes.size() / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                       static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
    return Utf8FromWide(text);
}

std::string Utf16BytesFromUtf8(std::string_view text) {
    std::string bytes;
    for (wchar_t c : WideFromUtf8(text)) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// The path in the form that the system's 260-character limit does not bind.
std::wstring WithoutLengthLimit(const std::wstring& path) {
    if (path.rfind(L"\\\\?\\", 0) == 0) return path;
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    DWORD length = size ? GetFullPathNameW(path.c_str(), size, full.data(), nullptr) : 0;
    if (length == 0 || length >= size) return path;
    full.resize(length);
    if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct FileContents {
    std::string bytes;
    IniFailure failure = IniFailure::None;
};

FileContents ReadWholeFile(const std::wstring& path) {
    FileContents contents;
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND)
            contents.failure = IniFailureOf(error, true);
        return contents;
    }
    LARGE_INTEGER size = {};
    // A settings file is small; a huge one is not read, and so never cut short.
    constexpr LONGLONG LIMIT = 16 * 1024 * 1024;
    DWORD read = 0;
    if (!GetFileSizeEx(file, &size) || size.QuadPart > LIMIT) {
        contents.failure = IniFailure::Unreadable;
    } else {
        contents.bytes.resize(static_cast<size_t>(size.QuadPart));
        if (!ReadFile(file, contents.bytes.data(), static_cast<DWORD>(contents.bytes.size()), &read,
                      nullptr))
            contents.failure = IniFailureOf(GetLastError(), true);
        contents.bytes.resize(read);
    }
    CloseHandle(file);
    if (contents.failure != IniFailure::None) contents.bytes.clear();
    return contents;
}

IniFailure LastFailure() {
    return IniFailureOf(GetLastError(), false);
}

IniFailure WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size() || !SetEndOfFile(file) || !FlushFileBuffers(file))
        return LastFailure();
    return IniFailure::None;
}

IniFailure WriteNewFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastFailure();
    IniFailure failure = WriteAll(file, bytes);
    CloseHandle(file);
    if (failure != IniFailure::None) DeleteFileW(path.c_str());
    return failure;
}

// Over the file's own bytes, as the profile functions write: room for the
// new bytes is taken first, so that a full disk leaves the file as it was.
IniFailure WriteInPlace(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastFailure();
    LARGE_INTEGER size = {}, end = {}, start = {};
    end.QuadPart = static_cast<LONGLONG>(bytes.size());
    IniFailure failure = IniFailure::None;
    if (GetFileSizeEx(file, &size) && size.QuadPart < end.QuadPart &&
        (!SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !SetEndOfFile(file))) {
        failure = LastFailure();
        SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    } else if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN)) {
        failure = LastFailure();
    } else {
        failure = WriteAll(file, bytes);
    }
    CloseHandle(file);
    return failure;
}

// The name a link resolves to, or the path itself.
std::wstring FinalPath(HANDLE file, const std::wstring& path) {
    DWORD size = GetFinalPathNameByHandleW(file, nullptr, 0, FILE_NAME_NORMALIZED);
    std::wstring final(size, L'\0');
    DWORD length =
        size ? GetFinalPathNameByHandleW(file, final.data(), size, FILE_NAME_NORMALIZED) : 0;
    if (length == 0 || length >= size) return path;
    final.resize(length);
    return final;
}

IniFailure ReplaceByNewFile(const std::wstring& path, const std::string& bytes, DWORD attributes) {
    // Another program's hold and an entry that denies writing stop it here,
    // before anything is made.
    HANDLE check =
        CreateFileW(path.c_str(), GENERIC_WRITE, SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr);
    if (check == INVALID_HANDLE_VALUE) return LastFailure();
    CloseHandle(check);
    std::wstring temporary = path + L".~zvx";
    IniFailure failure = WriteNewFile(temporary, bytes);
    // A folder that takes no new file: the file itself.
    if (failure == IniFailure::NotPermitted) return WriteInPlace(path, bytes);
    if (failure != IniFailure::None) return failure;
    // Wine's ReplaceFileW keeps no attributes of the file it replaces.
    SetFileAttributesW(temporary.c_str(), attributes);
    if (ReplaceFileW(path.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                     nullptr, nullptr))
        return IniFailure::None;
    DWORD error = GetLastError();
    // The old file is gone and the new one still under its own name.
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        return MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH)
                   ? IniFailure::None
                   : LastFailure();
    if (error != ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) DeleteFileW(temporary.c_str());
    return IniFailureOf(error, false);
}

IniFailure WriteSettingsFile(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, SHARE_ALL, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return LastFailure();
        std::wstring temporary = path + L".~zvx";
        IniFailure failure = WriteNewFile(temporary, bytes);
        if (failure != IniFailure::None) return failure;
        if (MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_WRITE_THROUGH))
            return IniFailure::None;
        failure = LastFailure();
        DeleteFileW(temporary.c_str());
        return failure;
    }
    BY_HANDLE_FILE_INFORMATION information = {};
    bool known = GetFileInformationByHandle(file, &information);
    std::wstring target = FinalPath(file, path);
    CloseHandle(file);
    if (!known) return IniFailure::Other;
    if (information.dwFileAttributes & FILE_ATTRIBUTE_READONLY) return IniFailure::ReadOnly;
    if (information.nNumberOfLinks > 1) return WriteInPlace(target, bytes);
    return ReplaceByNewFile(target, bytes, information.dwFileAttributes);
}

} // namespace

IniFailure IniFailureOf(unsigned long systemError, bool reading) {
    switch (systemError) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
    case ERROR_UNABLE_TO_REMOVE_REPLACED: return IniFailure::Held;
    case ERROR_FILENAME_EXCED_RANGE: return IniFailure::PathTooLong;
    default: break;
    }
    if (reading) return IniFailure::Unreadable;
    switch (systemError) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT: return IniFailure::NotPermitted;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return IniFailure::DiskFull;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH: return IniFailure::NoFolder;
    default: return IniFailure::Other;
    }
}

bool NeedsQuotes(std::string_view value) {
    if (value.empty()) return false;
    return IsProfileBlank(value.front()) || IsProfileBlank(value.back()) ||
           (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front());
}

IniFile::IniFile(const wchar_t* path) : path_(path ? path : L"") {
    if (path_.empty()) return;
    FileContents contents = ReadWholeFile(WithoutLengthLimit(path_));
    readFailure_ = contents.failure;
    const std::string& bytes = contents.bytes;
    if (StartsWith(bytes, UTF16_MARK)) {
        encoding_ = Encoding::Utf16;
        SplitLines(Utf8FromUtf16Bytes(std::string_view(bytes).substr(2)));
    } else if (StartsWith(bytes, UTF8_MARK)) {
        encoding_ = Encoding::Utf8;
        SplitLines(bytes.substr(3));
    } else {
        SplitLines(bytes);
    }
}

void IniFile::SplitLines(const std::string& text) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            lines_.push_back(Line{text.substr(start), ""});
            break;
        }
        size_t next = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
        lines_.push_back(Line{text.substr(start, end - start), text.substr(end, next - end)});
        start = next;
    }
}

std::string IniFile::FileBytes() const {
    std::string text;
    for (const Line& line : lines_)
        text += line.text + line.ending;
    switch (encoding_) {
    case Encoding::Utf8: return UTF8_MARK + text;
    case Encoding::Utf16: return UTF16_MARK + Utf16BytesFromUtf8(text);
    case Encoding::ShiftJis: break;
    }
    return text;
}

size_t IniFile::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::optional<std::string_view> name = SectionName(lines_[i].text);
        if (name && SameName(*name, section)) return i;
    }
    return lines_.size();
}

size_t IniFile::EndOfSection(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && !SectionName(lines_[i].text)) ++i;
    return i;
}

size_t IniFile::FindKey(std::string_view section, std::string_view key) const {
    size_t header = FindSection(section);
    if (header == lines_.size()) return lines_.size();
    size_t end = EndOfSection(header);
    for (size_t i = header + 1; i < end; ++i) {
        std::optional<KeyLine> line = ParseKeyLine(lines_[i].text);
        if (line && SameName(line->name, key)) return i;
    }
    return lines_.size();
}

std::optional<std::string> IniFile::Value(std::string_view section, std::string_view key) const {
    size_t at = FindKey(section, key);
    if (at == lines_.size()) return std::nullopt;
    std::optional<std::string_view> value = ParseKeyLine(lines_[at].text)->value;
    if (!value) return std::nullopt;
    return std::string(Unquoted(*value));
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value,
                       bool quoted) {
    std::string written(value);
    if (quoted || NeedsQuotes(value)) written = '"' + written + '"';
    size_t at = FindKey(section, key);
    if (at < lines_.size()) {
        KeyLine line = *ParseKeyLine(lines_[at].text);
        if (line.value && Unquoted(*line.value) == value) return;
        lines_[at].text = std::string(line.name) + "=" + written;
        changed_ = true;
        return;
    }
    if (!lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = "\r\n";
    Line added{std::string(key) + "=" + written, "\r\n"};
    size_t header = FindSection(section);
    if (header == lines_.size()) {
        lines_.push_back(Line{'[' + std::string(section) + ']', "\r\n"});
        lines_.push_back(added);
    } else {
        // After the section's last line that is not blank.
        size_t end = EndOfSection(header);
        while (end > header + 1 && Trimmed(lines_[end - 1].text).empty()) --end;
        lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(end), added);
    }
    changed_ = true;
}

void IniFile::Remove(std::string_view section, std::string_view key) {
    size_t at = FindKey(section, key);
    if (at == lines_.size()) return;
    lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
    changed_ = true;
}

std::optional<std::wstring> IniFile::Text(std::string_view section, std::string_view key) const {
    std::optional<std::string> value = Value(section, key);
    if (!value) return std::nullopt;
    return IsUnicode() ? WideFromUtf8(*value) : WideFromShiftJis(*value);
}

void IniFile::SetText(std::string_view section, std::string_view key, std::wstring_view text) {
    SetValue(section, key, IsUnicode() ? Utf8FromWide(text) : ShiftJisFromWide(text));
}

IniFailure IniFile::Save() const {
    if (!changed_) return IniFailure::None;
    if (readFailure_ != IniFailure::None) return readFailure_;
    if (path_.empty()) return IniFailure::PathTooLong;
    return WriteSettingsFile(WithoutLengthLimit(path_), FileBytes());
}
