// The bench programs' command-line paths, which come in the system's code
// page, as the program's UTF-16.
#pragma once

#include <windows.h>

#include <string>

inline std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    return wide;
}
