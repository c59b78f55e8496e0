// ANSI / UTF-16 / UTF-8 conversions with loss reporting.
#include "text/wide_text.h"

#include <windows.h>

#include <cstring>

#include "text/codepage.h"

namespace kx {

int Utf8SequenceLength(unsigned char c) {
    if (c < 0xC0 || c >= 0xFE) return 1;
    if (c < 0xE0) return 2;
    if (c < 0xF0) return 3;
    if (c < 0xF8) return 4;
    if (c < 0xFC) return 5;
    return 6;
}

bool IsUtf8Character(const unsigned char* p, uint32_t n) {
    if (n == 1) return p[0] < 0x80;
    if (n < 2 || n > 4) return false;
    const unsigned char c = p[0];
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (n == 2) {
        if (c < 0xC2 || c > 0xDF) return false;
    } else if (n == 3) {
        if (c < 0xE0 || c > 0xEF) return false;
        if (c == 0xE0) low = 0xA0;   // shorter forms exist
        if (c == 0xED) high = 0x9F;  // surrogates
    } else {
        if (c < 0xF0 || c > 0xF4) return false;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;  // beyond U+10FFFF
    }
    if (p[1] < low || p[1] > high) return false;
    for (uint32_t i = 2; i < n; ++i)
        if (p[i] < 0x80 || p[i] > 0xBF) return false;
    return true;
}

int32_t WideToAnsi(const wchar_t* units, uint32_t n, char* out, uint32_t capacity, bool* lost,
                   std::vector<wchar_t>* scratch) {
    if (n == 0) return 0;
    int m = WideCharToMultiByte(CP_ACP, 0, units, static_cast<int>(n), out, static_cast<int>(capacity), nullptr,
                                nullptr);
    if (m <= 0) return -1;
    // The conversion is exact only when the bytes give back the very same units: a default character,
    // a look-alike substitute or a lone surrogate does not.
    scratch->resize(n);
    int back = MultiByteToWideChar(CP_ACP, 0, out, m, scratch->data(), static_cast<int>(n));
    if (back != static_cast<int>(n) || std::memcmp(scratch->data(), units, n * sizeof(wchar_t)) != 0) *lost = true;
    return m;
}

void AnsiToWide(const char* text, uint32_t n, std::vector<wchar_t>* out, bool* lost) {
    out->resize(n);
    if (n == 0) return;
    int k = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(n), out->data(),
                                static_cast<int>(n));
    if (k <= 0) {
        *lost = true;
        k = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(n), out->data(), static_cast<int>(n));
        if (k < 0) k = 0;
    }
    out->resize(static_cast<size_t>(k));
}

uint32_t AnsiPrefix(const char* text, uint32_t n, uint32_t limit) {
    if (limit >= n) return n;
    // The byte at limit is the second of a pair when an odd number of lead-class bytes stand
    // immediately before it.
    uint32_t k = 0;
    while (k < limit && IsLeadByte(static_cast<unsigned char>(text[limit - 1 - k]))) ++k;
    return (k & 1) ? limit - 1 : limit;
}

}  // namespace kx
