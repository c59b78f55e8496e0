// Code-page helpers of the ANSI code page (Shift_JIS on Japanese systems): the lead-byte test and the
// engine's own lower-casing, which maps only A-Z and steps over every double-byte character whole.
#pragma once

#include <cstdint>

namespace kx {

// True when b starts a double-byte character in the ANSI code page (IsDBCSLeadByte).
bool IsLeadByte(unsigned char b);

// Lower-cases the ASCII letters of n bytes in place, passing over double-byte characters untouched,
// so byte offsets and double-byte characters never change.
void LowerAnsi(char* p, uint32_t n);

}  // namespace kx
