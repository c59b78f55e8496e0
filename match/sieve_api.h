// Calling interface of Sieve, the regular-expression and fuzzy-search library that the Matcher
// loads by path: calling convention, record layouts and the type of every entry point.
#pragma once

#include <cstddef>
#include <cstdint>

// Every entry point uses the C calling convention; the export names are undecorated on both
// i686 and x86_64 ("Jre2Open", not "_Jre2Open" or "Jre2Open@4").
#define SIEVE_CALL __cdecl

#pragma pack(push, 1)

// The compiled pattern and the last match. The caller zeroes the whole record, sets `size` to
// 54 and passes it by address; between Jre2Open and Jre2Close the bytes marked "Sieve" belong
// to the library and must not be touched.
//
//   offset  width  field
//    0      4      size            54
//    4      4      (Sieve)         reserved, zero
//    8      4      search_start    byte offset from the subject's first byte; set by the caller
//   12      4      (Sieve)         signature kJre2Signature while open
//   16      4      (Sieve)         Oniguruma's code of the last failed compile, 0 otherwise
//   20      4      match_length    set by Jre2GetMatchInfo_HmJre
//   24      4      match_position  set by Jre2GetMatchInfo_HmJre, from the subject's first byte
//   28      8      (Sieve)         address of the library's private state (low 4 bytes on i686)
//   36     18      (Sieve)         reserved, zero
//
// The private state is tied to the record's address: a copied or moved record is treated as
// one that was never opened (searches fail, Close only clears it).
struct Jre2Record {
    std::uint32_t size;
    std::uint32_t reserved0;
    std::int32_t search_start;
    std::uint32_t signature;
    std::int32_t error_code;
    std::int32_t match_length;
    std::int32_t match_position;
    std::uint64_t state;
    std::uint8_t reserved1[18];
};

// The fuzzy-search state: the folding rules and the two converted texts with their position
// maps. Zeroed and sized (84) by the caller, passed by address.
//
//   offset  width  field
//    0      4      size            84
//    4      4      flags           kFuzzy* bits, filled by Fuzzy_Open; the caller may clear bits
//    8      8      find_string     address of the converted find string (Fuzzy_ConvertFindString)
//   16      8      target          address of the converted target (Fuzzy_ConvertTarget)
//   24      4      (Sieve)         signature kFuzzySignature while open
//   28      4      (Sieve)         reserved, zero
//   32      8      (Sieve)         address of the library's private state
//   40     44      (Sieve)         reserved, zero
//
// Both converted texts are NUL-terminated, belong to the library and stay valid until the next
// conversion of the same kind or Fuzzy_Close. Read them through FuzzyFindString/FuzzyTarget.
struct FuzzyRecord {
    std::uint32_t size;
    std::uint32_t flags;
    std::uint64_t find_string;
    std::uint64_t target;
    std::uint32_t signature;
    std::uint32_t reserved0;
    std::uint64_t state;
    std::uint8_t reserved1[44];
};

#pragma pack(pop)

static_assert(sizeof(Jre2Record) == 54, "Jre2Record is 54 bytes");
static_assert(offsetof(Jre2Record, search_start) == 8, "search start at 8");
static_assert(offsetof(Jre2Record, match_length) == 20, "match length at 20");
static_assert(offsetof(Jre2Record, match_position) == 24, "match position at 24");
static_assert(offsetof(Jre2Record, state) == 28, "state at 28");
static_assert(sizeof(FuzzyRecord) == 84, "FuzzyRecord is 84 bytes");
static_assert(offsetof(FuzzyRecord, flags) == 4, "flags at 4");
static_assert(offsetof(FuzzyRecord, find_string) == 8, "find string at 8");
static_assert(offsetof(FuzzyRecord, target) == 16, "target at 16");
static_assert(offsetof(FuzzyRecord, state) == 32, "state at 32");

namespace sieve {

constexpr std::uint32_t kJre2RecordSize = 54;
constexpr std::uint32_t kFuzzyRecordSize = 84;
constexpr std::uint32_t kJre2Signature = 0x45524A53;   // "SJRE"
constexpr std::uint32_t kFuzzySignature = 0x5A5A4653;  // "SFZZ"

// Flags word of FuzzyRecord. Bits 1 to 3 say which distinctions the fuzzy search still makes;
// a cleared bit folds that distinction away. Bit 0 is not a distinction but an extra folding
// the user chose, so it survives a case-insensitive search, which keeps only bit 0 and so folds
// everything else.
constexpr std::uint32_t kFuzzyIgnoreVoicing = 0x1;  // が, ぱ, ヴ, ｶﾞ are found as か, は, ウ, ｶ
constexpr std::uint32_t kFuzzyKeepCase = 0x2;       // A/a, Ａ/ａ, Greek and Cyrillic case
constexpr std::uint32_t kFuzzyKeepWidth = 0x4;      // Ａ/A, ０/0, ｶ/カ, ｶﾞ/ガ, 　/space
constexpr std::uint32_t kFuzzyKeepKana = 0x8;       // カ/か (katakana/hiragana)
constexpr std::uint32_t kFuzzyAllBits = 0xF;

// Kind argument of Fuzzy_ConvertFindString.
constexpr int kFindRegex = 1;  // a regular expression: only its literal characters are folded
constexpr int kFindPlain = 2;  // plain text: folded and escaped so that it matches literally

constexpr unsigned kVersion = 0x200;

inline const char* FuzzyFindString(const FuzzyRecord& record) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(record.find_string));
}
inline const char* FuzzyTarget(const FuzzyRecord& record) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(record.target));
}

}  // namespace sieve

extern "C" {

// Non-zero: the record is ready for Jre2Compile.
typedef int(SIEVE_CALL* Jre2Open_fn)(Jre2Record* record);
// Non-zero: the NUL-terminated Shift_JIS pattern compiled (Ruby syntax, groups are tags 1-9).
typedef int(SIEVE_CALL* Jre2Compile_fn)(Jre2Record* record, const char* pattern);
// Releases what Open and Compile made; accepts a record that was only zeroed and sized.
typedef void(SIEVE_CALL* Jre2Close_fn)(Jre2Record* record);
// Non-zero: a match starting at or after search_start was found in subject[0, length); its
// position and length are in the record. Zero-length matches are reported. The byte at
// subject[length] must be readable (callers pass NUL-terminated text): a subject ending in a lone
// lead byte is looked at one byte past its end.
typedef int(SIEVE_CALL* Jre2GetMatchInfo_HmJre_fn)(Jre2Record* record, const char* subject, int length);
// Position of tag '0'-'9' ('0' is the whole match) of the last match, its length stored through
// `length`; -1 (length 0) when the tag does not exist or did not take part.
typedef int(SIEVE_CALL* JreGetTagPosition_fn)(Jre2Record* record, int tag, int* length);

// Non-zero: fuzzy state ready and `flags` filled from the user's settings. `reserved` is 0.
typedef int(SIEVE_CALL* Fuzzy_Open_fn)(FuzzyRecord* record, int reserved);
// Releases the fuzzy state; accepts a record that was only zeroed and sized.
typedef void(SIEVE_CALL* Fuzzy_Close_fn)(FuzzyRecord* record);
// Folds `text` by the record's flags; the result is at `target`. Non-zero on success; on
// failure `target` points to an empty text.
typedef int(SIEVE_CALL* Fuzzy_ConvertTarget_fn)(FuzzyRecord* record, const char* text);
// Folds the find string by the record's flags (kind kFindRegex or kFindPlain); the result,
// a pattern for Jre2Compile, is at `find_string`. Non-zero on success.
typedef int(SIEVE_CALL* Fuzzy_ConvertFindString_fn)(FuzzyRecord* record, const char* text, int kind);
// Position in the converted target -> position in the text given to Fuzzy_ConvertTarget.
typedef int(SIEVE_CALL* Fuzzy_FindPos2RealPos_fn)(FuzzyRecord* record, int position);
// Area in the converted target -> real position (returned) and real length (through `length`).
typedef int(SIEVE_CALL* Fuzzy_FindArea2RealArea_fn)(FuzzyRecord* record, int position, int* length);
// Position in the real text -> position in the converted target.
typedef int(SIEVE_CALL* Fuzzy_RealPos2FindPos_fn)(FuzzyRecord* record, int position);

// Modal dialog of the fuzzy-search settings (owner may be null, `reserved` is 0). Non-zero
// when the user pressed OK and the settings were stored.
typedef int(SIEVE_CALL* Fuzzy_OptionDialog_fn)(void* owner, int reserved);
// Version of the library (sieve::kVersion); callers use the low 16 bits.
typedef unsigned(SIEVE_CALL* JreGetVersion_fn)(void);

}  // extern "C"
