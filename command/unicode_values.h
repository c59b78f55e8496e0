// Values that arrive over DDE in UTF-16 (CF_UNICODETEXT) and replies asked for in UTF-16: the one
// place where the command interface turns Unicode into the job's text and back.
#pragma once

#include <windows.h>

#include <string>

#include "text/kxstring.h"

namespace kx {

// Converts UTF-16 units to the ANSI code page only when the code page holds every character
// exactly: no best-fit stand-in, no default character, and the bytes turned back give the same
// units. False, with *ansi untouched, for anything else (a character the code page lacks, a lone
// surrogate, a NUL unit).
inline bool ExactAnsi(const wchar_t* units, size_t count, std::string* ansi) {
    if (count == 0) {
        ansi->clear();
        return true;
    }
    if (count > 0x3FFFFFFF) return false;
    const int n = static_cast<int>(count);
    for (int i = 0; i < n; ++i)
        if (units[i] == 0) return false;
    BOOL used_default = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units, n, nullptr, 0, nullptr, &used_default);
    if (size <= 0 || used_default) return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    used_default = FALSE;
    if (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, units, n, &bytes[0], size, nullptr, &used_default) != size ||
        used_default)
        return false;
    // Back again: the code page must give exactly the units that came.
    const int back = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, nullptr, 0);
    if (back != n) return false;
    std::wstring again(static_cast<size_t>(back), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes.data(), size, &again[0], back);
    if (again.compare(0, again.size(), units, count) != 0) return false;
    ansi->swap(bytes);
    return true;
}

// ANSI code-page text in UTF-16 (without a terminating NUL).
inline std::wstring UnicodeOfAnsi(const char* text, size_t length) {
    if (length == 0 || length > 0x3FFFFFFF) return std::wstring();
    const int n = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    if (n <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), &wide[0], n);
    return wide;
}

// A poked Unicode value as the job's text. This is where a Unicode value enters the job: a value
// that cannot be taken exactly is refused, never passed on with a substitute.
inline bool JobTextOfUnicode(const wchar_t* units, size_t count, kxlib::string* text) {
    std::string ansi;
    if (!ExactAnsi(units, count, &ansi)) return false;
    text->assign(kxlib::string(ansi.c_str(), static_cast<uint32_t>(ansi.size())));
    return true;
}

// A reply text of the job in UTF-16.
inline std::wstring UnicodeOfJobText(const kxlib::string& text) { return UnicodeOfAnsi(text.c_str(), text.length()); }

}  // namespace kx
