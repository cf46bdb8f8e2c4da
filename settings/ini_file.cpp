#include "settings/ini_file.h"

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

// A "[name]" line's name; nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    line.remove_prefix(1);
    return Trimmed(line.substr(0, line.find(']')));
}

struct KeyLine {
    std::string_view name;
    std::string_view value; // as written, blanks around it taken off
};

std::optional<KeyLine> ParseKeyLine(std::string_view line) {
    if (SectionName(line)) return std::nullopt;
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return KeyLine{Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1))};
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

std::string ReadWholeFile(const wchar_t* path) {
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE |
                              FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    LARGE_INTEGER size = {};
    // A settings file is small; a huge one is read as far as a sane limit.
    constexpr LONGLONG LIMIT = 16 * 1024 * 1024;
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0) {
        bytes.resize(static_cast<size_t>(size.QuadPart < LIMIT ? size.QuadPart : LIMIT));
        DWORD read = 0;
        if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
            read = 0;
        bytes.resize(read);
    }
    CloseHandle(file);
    return bytes;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size() && FlushFileBuffers(file);
}

bool WriteFileAt(const std::wstring& path, const std::string& bytes, DWORD creation) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, creation,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool written = WriteAll(file, bytes);
    CloseHandle(file);
    return written;
}

} // namespace

bool NeedsQuotes(std::string_view value) {
    if (value.empty()) return false;
    return IsProfileBlank(value.front()) || IsProfileBlank(value.back()) ||
           (value.size() >= 2 && IsQuote(value.front()) && value.back() == value.front());
}

IniFile::IniFile(const wchar_t* path) : path_(path ? path : L"") {
    std::string bytes = path_.empty() ? std::string() : ReadWholeFile(path_.c_str());
    size_t start = 0;
    while (start < bytes.size()) {
        size_t newline = bytes.find('\n', start);
        if (newline == std::string::npos) {
            lines_.push_back(Line{bytes.substr(start), ""});
            break;
        }
        bool crlf = newline > start && bytes[newline - 1] == '\r';
        size_t end = crlf ? newline - 1 : newline;
        lines_.push_back(Line{bytes.substr(start, end - start), crlf ? "\r\n" : "\n"});
        start = newline + 1;
    }
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
    return std::string(Unquoted(ParseKeyLine(lines_[at].text)->value));
}

void IniFile::SetValue(std::string_view section, std::string_view key, std::string_view value,
                       bool quoted) {
    std::string written(value);
    if (quoted || NeedsQuotes(value)) written = '"' + written + '"';
    size_t at = FindKey(section, key);
    if (at < lines_.size()) {
        KeyLine line = *ParseKeyLine(lines_[at].text);
        if (Unquoted(line.value) == value) return;
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

bool IniFile::Save() const {
    if (!changed_) return true;
    DWORD attributes = GetFileAttributesW(path_.c_str());
    bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) return false;
    std::string bytes;
    for (const Line& line : lines_) bytes += line.text + line.ending;

    std::wstring temporary = path_ + L".~zvx";
    if (WriteFileAt(temporary, bytes, CREATE_ALWAYS)) {
        if (exists) SetFileAttributesW(temporary.c_str(), attributes);
        if (MoveFileExW(temporary.c_str(), path_.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        DeleteFileW(temporary.c_str());
        return false;
    }
    // A folder that takes no new file: the file itself, as the profile
    // functions would write it.
    return WriteFileAt(path_, bytes, exists ? TRUNCATE_EXISTING : CREATE_NEW);
}
