// An INI file read and written the way the system's profile functions treat
// one: a line that begins with "[" and holds a "]" opens a section, any other
// line that is not blank is a key (one without "=" has no value), lines end
// at a CR, an LF or both, section and key names match without regard to
// ASCII letter case, the first of two equal sections or keys counts, blanks
// around a value and one pair of equal quotes around it are not part of it.
// A file that begins with a UTF-16LE byte-order mark is UTF-16, one with a
// UTF-8 mark UTF-8, and keeps its mark; any other file is Shift-JIS. Values
// are handed over as bytes of that text, Shift-JIS or UTF-8, so that the
// caller can keep what it does not change byte for byte. Lines nobody changes
// keep their bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Why the file was not written: read-only, a file or folder the user may not
// write, held by another program, a path past the system's limit, a folder
// that is gone, a full disk, a file that is there but could not be read (and
// so is never replaced), or another cause.
enum class IniFailure {
    None,
    ReadOnly,
    NotPermitted,
    Held,
    PathTooLong,
    NoFolder,
    DiskFull,
    Unreadable,
    Other
};
// What a system error code means for the file, when reading or writing it.
IniFailure IniFailureOf(unsigned long systemError, bool reading);

class IniFile {
  public:
    // A file that is not there reads as an empty one, and so does one that
    // is there but cannot be read, which is then never written.
    explicit IniFile(const wchar_t* path);

    IniFailure ReadFailure() const { return readFailure_; }
    // Whether the file is kept in UTF-8 or UTF-16 rather than Shift-JIS.
    bool IsUnicode() const { return encoding_ != Encoding::ShiftJis; }

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // A key that already holds `value` keeps its line as it is. A value the
    // reader would give back otherwise (blanks at an end, equal quotes at
    // both ends) is written in one more pair of quotes, as is every value
    // when `quoted` is set.
    void SetValue(std::string_view section, std::string_view key, std::string_view value,
                  bool quoted = false);
    void Remove(std::string_view section, std::string_view key);
    // The same as text: a character Shift-JIS lacks is written as '?'.
    std::optional<std::wstring> Text(std::string_view section, std::string_view key) const;
    void SetText(std::string_view section, std::string_view key, std::wstring_view text);

    // Writes the file when anything changed, to the file the name resolves
    // to. A new file of its own beside it, flushed to the disk, takes the
    // file's place keeping its attributes, security and owner, so that the
    // file is either as it was or whole; a file with more than one name is
    // written in place. A read-only file is left as it is.
    IniFailure Save() const;

  private:
    enum class Encoding { ShiftJis, Utf8, Utf16 };
    struct Line {
        std::string text;   // without its line ending
        std::string ending; // "\r\n", "\n", "\r" or nothing for the last line
    };
    void SplitLines(const std::string& text);
    std::string FileBytes() const;
    // Where a key's line is, or lines_.size().
    size_t FindKey(std::string_view section, std::string_view key) const;
    size_t FindSection(std::string_view section) const;
    size_t EndOfSection(size_t header) const;

    std::wstring path_;
    std::vector<Line> lines_;
    Encoding encoding_ = Encoding::ShiftJis;
    IniFailure readFailure_ = IniFailure::None;
    bool changed_ = false;
};

// Whether the profile reader would give `value` back other than it is.
bool NeedsQuotes(std::string_view value);
