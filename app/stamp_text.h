// The stamp texts of a printed page: the local date and time, the computer's
// host name and its IP address.
#pragma once

#include <windows.h>

#include <cstddef>

constexpr int HOST_TEXT_CAPACITY = 256;
constexpr int TIME_STAMP_CAPACITY = 20;
// Host name, one blank and the address, with room to spare.
constexpr int HOST_STAMP_CAPACITY = 514;

extern wchar_t hostNameText[HOST_TEXT_CAPACITY];
extern wchar_t ipAddressText[HOST_TEXT_CAPACITY];

// "%4d/%02d/%02d %02d:%02d:%02d" of the given time; out holds TIME_STAMP_CAPACITY.
void FormatTimeStamp(const SYSTEMTIME& time, wchar_t* out);
void FormatLocalTimeStamp(wchar_t* out);

// Refreshes hostNameText and ipAddressText as far as the look-up goes; a
// failed step keeps what the texts held before.
void LookUpHostAddress();

// The bottom-right stamp: host name and address with one blank between them,
// or the one that is asked for, or nothing; never more than capacity - 1
// characters.
void FormHostStampText(const wchar_t* hostName, const wchar_t* address, bool withHostName,
                       bool withAddress, wchar_t* out, size_t capacity);
