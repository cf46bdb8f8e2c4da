// An INI file read and written as bytes, the way the system's profile
// functions treat one: section and key names match without regard to ASCII
// letter case, the first of two equal sections or keys counts, blanks around
// a value and one pair of equal quotes around it are not part of it. Values
// are handed over as the file's bytes, so that the caller names their
// encoding. Lines nobody changes keep their bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

class IniFile {
  public:
    // An absent or unreadable file reads as an empty one.
    explicit IniFile(const wchar_t* path);

    std::optional<std::string> Value(std::string_view section, std::string_view key) const;
    // A key that already holds `value` keeps its line as it is. A value the
    // reader would give back otherwise (blanks at an end, equal quotes at
    // both ends) is written in one more pair of quotes, as is every value
    // when `quoted` is set.
    void SetValue(std::string_view section, std::string_view key, std::string_view value,
                  bool quoted = false);
    void Remove(std::string_view section, std::string_view key);

    // Writes the file when anything changed: a new file of its own beside it,
    // flushed to the disk, then takes the file's place, so that the file is
    // either as it was or whole. A read-only file is left as it is. False
    // when the file could not be written.
    bool Save() const;

  private:
    struct Line {
        std::string text;   // without its line ending
        std::string ending; // "\r\n", "\n" or nothing for the last line
    };
    // Where a key's line is, or lines_.size().
    size_t FindKey(std::string_view section, std::string_view key) const;
    size_t FindSection(std::string_view section) const;
    size_t EndOfSection(size_t header) const;

    std::wstring path_;
    std::vector<Line> lines_;
    bool changed_ = false;
};

// Whether the profile reader would give `value` back other than it is.
bool NeedsQuotes(std::string_view value);
