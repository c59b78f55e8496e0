// A stand-in library that only answers its version.
#include <cstdint>
extern "C" __declspec(dllexport) uint32_t __cdecl JreGetVersion() { return 0xABCD0000u | JRE_VERSION; }
