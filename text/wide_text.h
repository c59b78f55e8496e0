// Conversions between the ANSI code page, UTF-16 and UTF-8 on the platform's code-page functions,
// each telling whether anything was lost, plus the UTF-8 sequence rules the readers share.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {

// Bytes a UTF-8 sequence announces by its first byte: 2-6 for 0xC0-0xFD, 1 for any other byte.
int Utf8SequenceLength(unsigned char c);

// True when p[0..n) is one well-formed UTF-8 character (shortest form, no surrogate, at most U+10FFFF).
bool IsUtf8Character(const unsigned char* p, uint32_t n);

// Converts n UTF-16 units to the ANSI code page into out (room for capacity bytes). *lost is set when
// a unit had no exact form there (it became the default character or a look-alike). Returns the
// byte count, or -1 when the output did not fit.
int32_t WideToAnsi(const wchar_t* units, uint32_t n, char* out, uint32_t capacity, bool* lost,
                   std::vector<wchar_t>* scratch);

// Converts n bytes of ANSI text to UTF-16 into *out (resized to the unit count). *lost is set when the
// bytes held a sequence that is no character of the code page.
void AnsiToWide(const char* text, uint32_t n, std::vector<wchar_t>* out, bool* lost);

// Length of the longest prefix of text[0..n), at most limit bytes, that does not end inside a
// double-byte character of the ANSI code page.
uint32_t AnsiPrefix(const char* text, uint32_t n, uint32_t limit);

}  // namespace kx
