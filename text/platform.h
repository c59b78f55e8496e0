// What the code-page layer asks of the running system: its ANSI code page, whether a code page is
// installed, and which bytes lead a double-byte character of the ANSI code page. On Windows these are
// the platform's own answers (platform_win32.cpp); the native build of the window-free core
// (platform_native.cpp) answers as a Japanese system does, on code page 932. Also the platform's
// comparisons of two strings, which the engine's string and option names use.
#pragma once

#include <cstdint>

namespace kx {
namespace platform {

uint32_t AnsiCodePage();
bool IsCodePageInstalled(uint32_t code_page);
bool IsLeadByte(unsigned char b);

// lstrcmpA: below, equal to or above zero. The native build compares the bytes.
int CompareText(const char* a, const char* b);
// lstrcmpiA. The native build compares the bytes with A-Z taken as a-z.
int CompareTextIgnoringCase(const char* a, const char* b);

}  // namespace platform
}  // namespace kx
