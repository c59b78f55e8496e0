// Test helper: Shift_JIS (code page 932) bytes of a wide literal, so tests can write Japanese
// text readably.
#pragma once

#include <windows.h>

#include <string>

inline std::string Sjis(const wchar_t* text) {
    const int n = WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(932, 0, text, -1, &out[0], n, nullptr, nullptr);
    return out;
}
