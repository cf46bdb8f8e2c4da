// Stands in for the edit application in the end-to-end tests: appends its
// command line, as the system passed it, in UTF-8 to "recorder.log" in the
// folder of its own executable.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    std::wstring log(path);
    log.replace(log.rfind(L'\\') + 1, std::wstring::npos, L"recorder.log");
    const wchar_t* line = GetCommandLineW();
    int size = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
    std::string text(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, text.data(), size, nullptr, nullptr);
    FILE* out = _wfopen(log.c_str(), L"ab");
    if (!out) return 1;
    std::fprintf(out, "%s\n", text.c_str());
    std::fclose(out);
    return 0;
}
