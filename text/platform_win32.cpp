// The running Windows system's code-page answers.
#include "text/platform.h"

#include <windows.h>

namespace kx {
namespace platform {

uint32_t AnsiCodePage() { return GetACP(); }

bool IsCodePageInstalled(uint32_t code_page) { return IsValidCodePage(code_page) != FALSE; }

bool IsLeadByte(unsigned char b) { return IsDBCSLeadByte(b) != FALSE; }

int32_t AnsiToUnits(const char* text, int32_t n, wchar_t* out, int32_t capacity, bool strict) {
    return MultiByteToWideChar(CP_ACP, strict ? MB_ERR_INVALID_CHARS : 0, text, n, out, capacity);
}

int32_t UnitsToAnsi(const wchar_t* units, int32_t n, char* out, int32_t capacity) {
    return WideCharToMultiByte(CP_ACP, 0, units, n, out, capacity, nullptr, nullptr);
}

int32_t Utf8ToUnits(const char* text, int32_t n, wchar_t* out, int32_t capacity) {
    return MultiByteToWideChar(CP_UTF8, 0, text, n, out, capacity);
}

int32_t UnitsToUtf8(const wchar_t* units, int32_t n, char* out, int32_t capacity) {
    return WideCharToMultiByte(CP_UTF8, 0, units, n, out, capacity, nullptr, nullptr);
}

int CompareText(const char* a, const char* b) { return lstrcmpA(a, b); }

int CompareTextIgnoringCase(const char* a, const char* b) { return lstrcmpiA(a, b); }

}  // namespace platform
}  // namespace kx
