// What the code-page layer asks of the running system: its ANSI code page, whether a code page is
// installed, and which bytes lead a double-byte character of the ANSI code page. On Windows these are
// the platform's own answers (platform_win32.cpp); the native build of the window-free core
// (platform_native.cpp) answers as a Japanese system does, on code page 932. Also the platform's
// comparisons of two strings, which the engine's string and option names use.
#pragma once

#include <cstdint>

namespace kx {
namespace platform {

uint32_t AnsiCodePage();
bool IsCodePageInstalled(uint32_t code_page);
bool IsLeadByte(unsigned char b);

// The platform's conversions of a whole text between the ANSI code page, UTF-16 and UTF-8
// (MultiByteToWideChar and WideCharToMultiByte, no flags but strict's MB_ERR_INVALID_CHARS): the
// count written, or 0 when the output did not fit or, strictly, the bytes held a sequence that is no
// character. Units are UTF-16 units whatever the width of wchar_t. The native build answers from
// the table of code page 932 that the platform itself wrote (cp932_answers).
int32_t AnsiToUnits(const char* text, int32_t n, wchar_t* out, int32_t capacity, bool strict);
int32_t UnitsToAnsi(const wchar_t* units, int32_t n, char* out, int32_t capacity);
int32_t Utf8ToUnits(const char* text, int32_t n, wchar_t* out, int32_t capacity);
int32_t UnitsToUtf8(const wchar_t* units, int32_t n, char* out, int32_t capacity);

// lstrcmpA: below, equal to or above zero. The native build compares the bytes.
int CompareText(const char* a, const char* b);
// lstrcmpiA. The native build compares the bytes with A-Z taken as a-z.
int CompareTextIgnoringCase(const char* a, const char* b);

}  // namespace platform
}  // namespace kx
