// Shared helpers of the unit tests: a temporary folder that removes itself
// and small files written byte for byte.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder with a trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring file(const std::wstring& name) const { return path_ + name; }
    // The names of the files directly in it, sorted.
    std::vector<std::wstring> names() const;

private:
    std::wstring path_;
};

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes);
// The file's bytes, as they are.
void WriteText(const std::wstring& path, const std::string& bytes);
std::string ReadText(const std::wstring& path);
bool FileExists(const std::wstring& path);

// A minimal 24-bit bitmap file of the given size, every pixel `color`.
void WriteSolidBitmap(const std::wstring& path, int width, int height, COLORREF color = 0);
