// Stands in for the edit application in the end-to-end tests: appends its
// command line, as the system passed it, to "recorder.log" in the folder of
// its own executable.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return 1;
    char* slash = std::strrchr(path, '\\');
    if (!slash) return 1;
    std::strcpy(slash + 1, "recorder.log");
    FILE* log = std::fopen(path, "ab");
    if (!log) return 1;
    std::fprintf(log, "%s\n", GetCommandLineA());
    std::fclose(log);
    return 0;
}
