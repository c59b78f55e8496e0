// A library with every entry point the Matcher binds except Fuzzy_RealPos2FindPos.
#include "match/sieve_api.h"

extern "C" {
__declspec(dllexport) int SIEVE_CALL Jre2Open(Jre2Record*) { return 1; }
__declspec(dllexport) int SIEVE_CALL Jre2Compile(Jre2Record*, const char*) { return 1; }
__declspec(dllexport) void SIEVE_CALL Jre2Close(Jre2Record*) {}
__declspec(dllexport) int SIEVE_CALL Jre2GetMatchInfo_HmJre(Jre2Record*, const char*, int) { return 1; }
__declspec(dllexport) int SIEVE_CALL JreGetTagPosition(Jre2Record*, int, int*) { return -1; }
__declspec(dllexport) int SIEVE_CALL Fuzzy_Open(FuzzyRecord*, int) { return 1; }
__declspec(dllexport) void SIEVE_CALL Fuzzy_Close(FuzzyRecord*) {}
__declspec(dllexport) int SIEVE_CALL Fuzzy_ConvertTarget(FuzzyRecord*, const char*) { return 1; }
__declspec(dllexport) int SIEVE_CALL Fuzzy_ConvertFindString(FuzzyRecord*, const char*, int) { return 1; }
__declspec(dllexport) int SIEVE_CALL Fuzzy_FindPos2RealPos(FuzzyRecord*, int p) { return p; }
__declspec(dllexport) int SIEVE_CALL Fuzzy_FindArea2RealArea(FuzzyRecord*, int p, int*) { return p; }
__declspec(dllexport) unsigned SIEVE_CALL JreGetVersion() { return 0x200; }
}
