#include "app/stamp_text.h"

#include <winsock.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <string>

wchar_t hostNameText[HOST_TEXT_CAPACITY];
wchar_t ipAddressText[HOST_TEXT_CAPACITY];

void FormatTimeStamp(const SYSTEMTIME& time, wchar_t* out) {
    std::swprintf(out, TIME_STAMP_CAPACITY, L"%4d/%02d/%02d %02d:%02d:%02d", time.wYear % 10000,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

void FormatLocalTimeStamp(wchar_t* out) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FormatTimeStamp(now, out);
}

namespace {

// Windows Sockets 1.1 names the host in the system's code page. A text that
// does not convert whole is left out, never cut.
void StoreHostText(const char* text, wchar_t* out) {
    std::wmemset(out, L'\0', HOST_TEXT_CAPACITY);
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, out, HOST_TEXT_CAPACITY) == 0) out[0] = L'\0';
}

void ResolveHostAddress() {
    char hostName[HOST_TEXT_CAPACITY] = {};
    std::wmemset(hostNameText, L'\0', HOST_TEXT_CAPACITY);
    if (gethostname(hostName, sizeof hostName) != 0) return;
    StoreHostText(hostName, hostNameText);
    const hostent* host = gethostbyname(hostName);
    if (!host || !host->h_addr_list || !host->h_addr_list[0]) return;
    in_addr first;
    std::memcpy(&first, host->h_addr_list[0], sizeof first);
    if (const char* dotted = inet_ntoa(first)) StoreHostText(dotted, ipAddressText);
}

} // namespace

void LookUpHostAddress() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) == 0 && data.wVersion == MAKEWORD(1, 1))
        ResolveHostAddress();
    WSACleanup();
}

void FormHostStampText(const wchar_t* hostName, const wchar_t* address, bool withHostName,
                       bool withAddress, wchar_t* out, size_t capacity) {
    if (capacity == 0) return;
    std::wstring stamp;
    if (withHostName) stamp = hostName;
    if (withHostName && withAddress) stamp += L' ';
    if (withAddress) stamp += address;
    stamp.resize(std::min(stamp.size(), capacity - 1));
    std::wmemset(out, L'\0', capacity);
    std::wmemcpy(out, stamp.c_str(), stamp.size());
}
