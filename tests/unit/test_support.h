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
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }
    // The names of the files directly in it, sorted.
    std::vector<std::string> names() const;

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);
bool FileExists(const std::string& path);

// A minimal 24-bit bitmap file of the given size, every pixel `color`.
void WriteSolidBitmap(const std::string& path, int width, int height, COLORREF color = 0);
