// Code-page helpers of the ANSI code page (Shift_JIS on Japanese systems): the lead-byte test and the
// engine's own lower-casing, which maps only A-Z and steps over every double-byte character whole.
#pragma once

#include <cstdint>

namespace kx {

// The platform's lead-byte answers for all 256 bytes, asked once (IsDBCSLeadByte).
const bool* LeadByteTable();

// True when b starts a double-byte character in the ANSI code page (IsDBCSLeadByte). Asked for
// nearly every byte scanned, so it reads a table the platform filled once.
inline bool IsLeadByte(unsigned char b) {
    static const bool* const table = LeadByteTable();
    return table[b];
}

// Lower-cases the ASCII letters of n bytes in place, passing over double-byte characters untouched,
// so byte offsets and double-byte characters never change.
void LowerAnsi(char* p, uint32_t n);

}  // namespace kx
