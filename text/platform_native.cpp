// The native build's system: a Japanese one, whose ANSI code page is 932 (Shift_JIS with the NEC and
// IBM extensions). Its lead bytes are 0x81-0x9F and 0xE0-0xFC, as Windows and Wine answer them; the
// code pages a Japanese system has installed include the other East Asian ones.
#include "text/platform.h"

#include <strings.h>

#include <cstring>

namespace kx {
namespace platform {

uint32_t AnsiCodePage() { return 932; }

bool IsCodePageInstalled(uint32_t code_page) {
    return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950 || code_page == 1252 ||
           code_page == 65001;
}

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int CompareText(const char* a, const char* b) { return std::strcmp(a, b); }

int CompareTextIgnoringCase(const char* a, const char* b) { return strcasecmp(a, b); }

}  // namespace platform
}  // namespace kx
