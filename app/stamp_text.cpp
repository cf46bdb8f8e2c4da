#include "app/stamp_text.h"

#include <winsock.h>

#include <cstdio>
#include <cstring>

char hostNameText[HOST_TEXT_CAPACITY];
char ipAddressText[HOST_TEXT_CAPACITY];

void FormatTimeStamp(const SYSTEMTIME& time, char* out) {
    std::snprintf(out, TIME_STAMP_CAPACITY, "%4d/%02d/%02d %02d:%02d:%02d", time.wYear % 10000,
                  time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond);
}

void FormatLocalTimeStamp(char* out) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FormatTimeStamp(now, out);
}

namespace {

void ResolveHostAddress() {
    std::memset(hostNameText, 0, sizeof hostNameText);
    if (gethostname(hostNameText, sizeof hostNameText) != 0) return;
    hostNameText[sizeof hostNameText - 1] = '\0';
    const hostent* host = gethostbyname(hostNameText);
    if (!host || !host->h_addr_list || !host->h_addr_list[0]) return;
    in_addr first;
    std::memcpy(&first, host->h_addr_list[0], sizeof first);
    std::memset(ipAddressText, 0, sizeof ipAddressText);
    const char* dotted = inet_ntoa(first);
    if (dotted) std::snprintf(ipAddressText, sizeof ipAddressText, "%s", dotted);
}

} // namespace

void LookUpHostAddress() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) == 0 && data.wVersion == MAKEWORD(1, 1))
        ResolveHostAddress();
    WSACleanup();
}

void FormHostStampText(const char* hostName, const char* address, bool withHostName,
                       bool withAddress, char* out, size_t capacity) {
    if (capacity == 0) return;
    std::memset(out, 0, capacity);
    if (withHostName && withAddress)
        std::snprintf(out, capacity, "%s %s", hostName, address);
    else if (withHostName)
        std::snprintf(out, capacity, "%s", hostName);
    else if (withAddress)
        std::snprintf(out, capacity, "%s", address);
}
