// Test helper: Shift_JIS (code page 932) bytes of a wide literal, so tests can write Japanese
// text readably. The platform's converter on Windows; glibc's iconv in the native build.
#pragma once

#include <string>

#ifdef _WIN32
#include <windows.h>

inline std::string Sjis(const wchar_t* text) {
    const int n = WideCharToMultiByte(932, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(932, 0, text, -1, &out[0], n, nullptr, nullptr);
    return out;
}
#else
#include <iconv.h>

#include <cwchar>

inline std::string Sjis(const wchar_t* text) {
    iconv_t cd = iconv_open("CP932", "WCHAR_T");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string();
    size_t in_left = std::wcslen(text) * sizeof(wchar_t);
    std::string out(in_left + 1, '\0');
    char* in = reinterpret_cast<char*>(const_cast<wchar_t*>(text));
    char* o = &out[0];
    size_t out_left = out.size();
    iconv(cd, &in, &in_left, &o, &out_left);
    iconv_close(cd);
    out.resize(out.size() - out_left);
    return out;
}
#endif
