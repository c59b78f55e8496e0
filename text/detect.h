// Classification of a file from its first bytes: which character set its bytes are in and which
// line break it uses, on the ANSI code page and installed code pages of the running system.
#pragma once

#include <cstdint>

#include "text/charset.h"

namespace kx {

// Size of the sample the opener reads before it picks a reader.
const uint32_t kDetectSampleSize = 16384;

// What the classification needs to know of the running system.
class CodePageQuery {
public:
    virtual ~CodePageQuery() {}
    virtual uint32_t AnsiCodePage() const = 0;
    virtual bool IsInstalled(uint32_t code_page) const = 0;
};

// GetACP and IsValidCodePage of the running system.
const CodePageQuery& PlatformCodePages();

// The character-set code of the ANSI code page: 932, 936, 949 or 950 as they are, -1 for any other.
CharSetCode AnsiCharSet(const CodePageQuery& code_pages);

struct Detection {
    CharSetCode char_set;
    LineBreakCode line_break;
};

// Classifies n sample bytes. requested is the character set asked for (0 = detect from the bytes),
// hint the line break given to samples too short to count (four bytes or fewer). The line break is
// always counted from the sample otherwise; a requested character set is taken unchanged.
Detection Detect(const unsigned char* sample, uint32_t n, CharSetCode requested, LineBreakCode hint,
                 const CodePageQuery& code_pages = PlatformCodePages());

}  // namespace kx
