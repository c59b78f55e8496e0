// Code-page helpers of the ANSI code page (Shift_JIS on Japanese systems): the lead-byte test and the
// engine's own lower-casing, which maps only A-Z and steps over every double-byte character whole.
#pragma once

#include <cstdint>

namespace kx {

// The platform's lead-byte answers for all 256 bytes, asked once (IsDBCSLeadByte).
const bool* LeadByteTable();

// Row of each lead byte in per-code tables (0, 1, ... in byte order), -1 for every other byte.
const int16_t* LeadRowTable();

// True when b starts a double-byte character in the ANSI code page (IsDBCSLeadByte). Asked for
// nearly every byte scanned, so it reads a table the platform filled once.
inline bool IsLeadByte(unsigned char b) {
    static const bool* const table = LeadByteTable();
    return table[b];
}

// Every code of the ANSI code page has an index in per-code tables: a single byte b (any byte that is
// not a lead byte, and a lead byte standing last) is b; a lead byte with the byte t after it, whatever
// t is, is 256 + row * 256 + t. AnsiCodeCount is the number of indexes.
uint32_t AnsiCodeCount();

// Number of lead-class bytes standing immediately before text[at], counted back to text[0] at most.
// With text starting a character, text[at] is the second byte of a double-byte character exactly
// when the count is odd.
inline uint32_t LeadBytesBefore(const char* text, uint32_t at) {
    uint32_t k = 0;
    while (k < at && IsLeadByte(static_cast<unsigned char>(text[at - 1 - k]))) ++k;
    return k;
}

// Lower-cases the ASCII letters of n bytes in place, passing over double-byte characters untouched,
// so byte offsets and double-byte characters never change.
void LowerAnsi(char* p, uint32_t n);

}  // namespace kx
