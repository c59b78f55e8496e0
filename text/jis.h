// Conversions between Shift_JIS and JIS X 0208 row/cell codes, used by the EUC-JP and ISO-2022-JP
// readers and writers; the IBM extension characters of code page 932 go through a fixed table.
#pragma once

#include <cstdint>

namespace kx {

struct BytePair {
    unsigned char first;
    unsigned char second;
};

// Shift_JIS bytes of the JIS X 0208 position (ku, ten), both 1-94. Arithmetic, modulo 256, so any
// input gives two bytes; only 1-94 gives a Shift_JIS character. (Inline: the EUC-JP and ISO-2022-JP
// readers ask it for every double-byte character.)
inline BytePair JisToSjis(int ku, int ten) {
    int first = (ku + 1) / 2 + 0x80;
    if (ku >= 63) first += 0x40;
    int second;
    if (ku & 1) {
        second = ten + 0x3F;
        if (ten >= 64) ++second;
    } else {
        second = ten + 0x9E;
    }
    return BytePair{static_cast<unsigned char>(first & 0xFF), static_cast<unsigned char>(second & 0xFF)};
}

// JIS bytes (0x21-0x7E each for a JIS X 0208 character) of a Shift_JIS double-byte character. IBM
// extension characters (lead 0xFA-0xFC) become their NEC equivalent, or 0x2129 (full-width "?")
// where none exists. Arithmetic modulo 256 for anything else.
BytePair SjisToJis(unsigned char lead, unsigned char trail);

// True when (lead, trail) has a JIS X 0208 form that SjisToJis gives back without loss: a trail byte
// in 0x40-0x7E or 0x80-0xFC, a lead byte in 0x81-0x9F or 0xE0-0xEF, or an IBM extension character
// that has an equivalent.
bool SjisHasJisForm(unsigned char lead, unsigned char trail);

// True when both bytes lie in 0x21-0x7E (a JIS X 0208 row and cell).
inline bool IsJisPair(unsigned char a, unsigned char b) { return a >= 0x21 && a <= 0x7E && b >= 0x21 && b <= 0x7E; }

}  // namespace kx
