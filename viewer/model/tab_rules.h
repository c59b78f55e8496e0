// Tab and double-byte rules of the text view: display columns of byte columns, byte columns of
// display columns (hit testing), the line width measure and the trail-byte position test.
#pragma once

#include <cstdint>

namespace kx {

// Display column of byte column c in the n bytes at p, tab expansion counted from p[0]. Tabs advance
// to the next multiple of tab_width strictly after their own column; every other byte is one column.
int32_t DisplayColumn(const char* p, int32_t c, int32_t tab_width);

// Byte column of display column wanted in the n bytes at p. Unwrapped, the column right after a
// tab's own column lands after the tab and the rest of its expansion before it; in a wrapped row
// every column of a tab's expansion gives the tab. Not limited to n; may be a trail-byte column.
int32_t ByteColumnOf(const char* p, int32_t n, int32_t wanted, int32_t tab_width, bool wrapped);

// Width measure of a line for the horizontal extent (over-counts each tab by up to one column).
int32_t LineWidthMeasure(const char* p, int32_t n, int32_t tab_width);

// True when byte column c of the bytes at p is the second byte of a double-byte character: an odd
// run of lead-class bytes stands right before it.
bool IsTrailColumn(const char* p, int32_t c);

// Bytes of the character starting at column c of the n bytes at p: 2 for a lead byte with a byte
// after it, else 1 (0 at or past the end).
int32_t CharLengthAt(const char* p, int32_t n, int32_t c);

}  // namespace kx
