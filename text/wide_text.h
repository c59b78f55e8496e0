// Conversions between the ANSI code page, UTF-16 and UTF-8 on the platform's code-page functions,
// each telling whether anything was lost, plus the UTF-8 sequence rules the readers share.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {

struct FormTable;

// Bytes a UTF-8 sequence announces by its first byte: 2-6 for 0xC0-0xFD, 1 for any other byte.
// (This and the next are asked for every character of a UTF-8 file, so they are inline.)
inline int Utf8SequenceLength(unsigned char c) {
    if (c < 0xC0 || c >= 0xFE) return 1;
    if (c < 0xE0) return 2;
    if (c < 0xF0) return 3;
    if (c < 0xF8) return 4;
    if (c < 0xFC) return 5;
    return 6;
}

// True when p[0..n) is one well-formed UTF-8 character (shortest form, no surrogate, at most U+10FFFF).
inline bool IsUtf8Character(const unsigned char* p, uint32_t n) {
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

// Converts n UTF-16 units to the ANSI code page into out (room for capacity bytes). *lost is set when
// a unit had no exact form there (it became the default character or a look-alike). Returns the
// byte count, or -1 when the output did not fit.
int32_t WideToAnsi(const wchar_t* units, uint32_t n, char* out, uint32_t capacity, bool* lost,
                   std::vector<wchar_t>* scratch);

// The conversion table from UTF-16 to the ANSI code page, one entry per unit: bits 0-15 the bytes
// (the first in the low half), then the length (UnitAnsiLength: 1 or 2, 0 for a unit only the
// platform can convert, with the text around it) and whether the bytes give the unit back.
const uint32_t* UnitAnsiTable();
inline uint32_t UnitAnsiLength(uint32_t entry) { return (entry >> 16) & 0xFF; }
// The same table with only the exact entries whose code lies outside the user-defined area (see
// StandIns): a reader that gives out stand-in codes looks every other unit up by itself.
const uint32_t* ExactUnitAnsiTable();
inline bool UnitAnsiExact(uint32_t entry) { return (entry >> 24) != 0; }

// Converts n bytes of ANSI text to UTF-16 into *out (resized to the unit count). *lost is set when the
// bytes held a sequence that is no character of the code page.
void AnsiToWide(const char* text, uint32_t n, std::vector<wchar_t>* out, bool* lost);

// The UTF-8 form and the UTF-16 form (in the file's byte order) of every ANSI code, for
// EncodeByForms (code_forms.h): the platform's unit of each code, as AnsiToWide gives it. A code the
// platform does not turn into exactly one unit (for UTF-8: into one unit outside the surrogates) is
// left open; text holding one is to be converted by AnsiToWide as a whole.
const FormTable& Utf8Forms();
const FormTable& Utf16Forms(bool big_endian);

// Builds the conversion tables now rather than at the first conversion (they take the platform's
// answer for every code once).
void PrepareConversionTables();

// Decodes n bytes of UTF-8 into out (room for capacity units) as MultiByteToWideChar(CP_UTF8) does.
// Returns the unit count, or -1 when they did not fit.
int32_t Utf8ToWide(const unsigned char* bytes, uint32_t n, wchar_t* out, uint32_t capacity);

// Encodes n UTF-16 units as UTF-8 into out (room for capacity bytes) as WideCharToMultiByte(CP_UTF8)
// does. Returns the byte count, or -1 when they did not fit.
int32_t WideToUtf8(const wchar_t* units, uint32_t n, char* out, uint32_t capacity);

// Length of the longest prefix of text[0..n), at most limit bytes, that does not end inside a
// double-byte character of the ANSI code page.
uint32_t AnsiPrefix(const char* text, uint32_t n, uint32_t limit);

}  // namespace kx
