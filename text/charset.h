// Character-set and line-break codes: a Windows code page where one exists, negative values for
// the variants; what detection yields and what selects a reader or writer.
#pragma once

#include <cstdint>

namespace kx {

// Character-set codes: a Windows code page where one exists, negative values for variants.
enum CharSetCode : int32_t {
    kCharSetAuto = 0,
    kCharSetSjis = 932,
    kCharSetEucJp = -932,
    kCharSetJis = -933,
    kCharSetUtf8Bom = -65001,
    kCharSetUtf8 = 65001,
    kCharSetUtf16BeBom = -3,
    kCharSetUtf16LeBom = -4,
    kCharSetUtf16Be = -5,
    kCharSetUtf16Le = -6,
    // Codes detection gives that have no reader of their own (the generic code-page pair reads them).
    kCharSetUtf32BeMark = -7,   // the file starts with the UTF-32 big-endian mark 00 00 FE FF
    kCharSetUtf32LeMark = -8,   // the file starts with the UTF-32 little-endian mark FF FE 00 00
    kCharSetIso2022Cn = -936,   // the file starts with the ISO-2022-CN designator ESC $ ) A
    kCharSetIso2022Kr = -949,   // the file starts with the ISO-2022-KR designator ESC $ ) C
    kCharSetBase32Digits = -2,  // the sample holds only the bytes "0"-"9" and "A"-"V"
    kCharSetOtherAnsi = -1,     // the system's ANSI code page is none of 932, 936, 949, 950
};

// UTF-8 or UTF-16, with or without a mark: sets whose readers and writers hold every character.
inline bool IsUnicodeCharSet(CharSetCode char_set) {
    return char_set == kCharSetUtf8 || char_set == kCharSetUtf8Bom || char_set == kCharSetUtf16Be ||
           char_set == kCharSetUtf16Le || char_set == kCharSetUtf16BeBom || char_set == kCharSetUtf16LeBom;
}

enum LineBreakCode : int32_t { kLineBreakCr = 0, kLineBreakLf = 1, kLineBreakCrLf = 2, kLineBreakAuto = 3 };

}  // namespace kx
