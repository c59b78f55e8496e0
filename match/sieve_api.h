// The contract between Quarry's Matcher and Sieve (the HmJre library): calling convention, record
// sizes and the types of every entry point. Both sides include this one header.
#pragma once

#include <windows.h>

#include <cstdint>

// Every entry point uses the C calling convention; names are exported undecorated.
#define SIEVE_CALL __cdecl

#define SIEVE_JRE_RECORD_SIZE 54
#define SIEVE_FUZZY_RECORD_SIZE 84

// Kind argument of Fuzzy_ConvertFindString.
#define SIEVE_FIND_REGULAR 1
#define SIEVE_FIND_PLAIN 2

extern "C" {
typedef BOOL(SIEVE_CALL* SieveJre2Open)(void* jre);
typedef BOOL(SIEVE_CALL* SieveJre2Compile)(void* jre, const char* pattern);
typedef void(SIEVE_CALL* SieveJre2Close)(void* jre);
typedef BOOL(SIEVE_CALL* SieveJre2GetMatchInfo)(void* jre, const char* subject, int32_t length);
typedef int32_t(SIEVE_CALL* SieveJreGetTagPosition)(void* jre, char tag, int32_t* length);
typedef BOOL(SIEVE_CALL* SieveFuzzyOpen)(void* fuzzy, int32_t reserved);
typedef void(SIEVE_CALL* SieveFuzzyClose)(void* fuzzy);
typedef void(SIEVE_CALL* SieveFuzzyConvertTarget)(void* fuzzy, const char* text);
typedef BOOL(SIEVE_CALL* SieveFuzzyConvertFindString)(void* fuzzy, const char* find, int32_t kind);
typedef int32_t(SIEVE_CALL* SieveFuzzyFindPos2RealPos)(void* fuzzy, int32_t position);
typedef int32_t(SIEVE_CALL* SieveFuzzyFindArea2RealArea)(void* fuzzy, int32_t position, int32_t* length);
typedef int32_t(SIEVE_CALL* SieveFuzzyRealPos2FindPos)(void* fuzzy, int32_t position);
typedef int32_t(SIEVE_CALL* SieveFuzzyOptionDialog)(HWND owner, int32_t reserved);
typedef uint32_t(SIEVE_CALL* SieveJreGetVersion)(void);
}
