// The running Windows system's code-page answers.
#include "text/platform.h"

#include <windows.h>

namespace kx {
namespace platform {

uint32_t AnsiCodePage() { return GetACP(); }

bool IsCodePageInstalled(uint32_t code_page) { return IsValidCodePage(code_page) != FALSE; }

bool IsLeadByte(unsigned char b) { return IsDBCSLeadByte(b) != FALSE; }

int CompareText(const char* a, const char* b) { return lstrcmpA(a, b); }

int CompareTextIgnoringCase(const char* a, const char* b) { return lstrcmpiA(a, b); }

}  // namespace platform
}  // namespace kx
