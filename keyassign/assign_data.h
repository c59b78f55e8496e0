// The editor's assignment data as Bindery holds them: key words, menu titles and the macro list,
// each in a loaded copy (read by queries) and an edit copy (changed by setters, stored by writers).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace bindery {

// The three binary values "Key", "KeyEx" and "KeyEx2" back to back.
constexpr size_t kKeySize = 1806;
constexpr size_t kKeyExSize = 20;
constexpr size_t kKeyEx2Size = 744;
constexpr size_t kKeyExOffset = kKeySize;
constexpr size_t kKeyEx2Offset = kKeySize + kKeyExSize;
constexpr size_t kImageSize = kKeySize + kKeyExSize + kKeyEx2Size;
using Image = std::array<uint8_t, kImageSize>;

// The image read as little-endian 16-bit words; a key code is the index of its word.
constexpr size_t kWordCount = kImageSize / 2;
using Words = std::array<uint16_t, kWordCount>;

// Eight menu titles of 17 bytes; the image holds all but the closing NUL of the eighth.
constexpr size_t kTitleRecordSize = 17;
constexpr size_t kTitlesSize = 8 * kTitleRecordSize;
constexpr size_t kTitlesImageOffset = 1222;
constexpr size_t kTitlesImageSize = kTitlesSize - 1;
using Titles = std::array<char, kTitlesSize>;

struct KeyData {
    Words loaded_words{};
    Words edit_words{};
    Titles loaded_titles{};
    Titles edit_titles{};
    int32_t not_cua = 0;  // non-zero: the editor's CUA key layout is off
};

// Both copies of words and titles from an image.
void DecodeImage(const Image& image, KeyData& keys);
// The image to store: the edit words, with the edit titles laid over their bytes.
Image EncodeImage(const KeyData& keys);

// Registered macros 1-80: a path and a name of up to 256 bytes each.
constexpr int kMacroCount = 80;
constexpr size_t kMacroTextSize = 257;
constexpr size_t kMacroTextLimit = kMacroTextSize - 1;
struct MacroEntry {
    char path[kMacroTextSize];
    char name[kMacroTextSize];
};
using MacroTable = std::array<MacroEntry, kMacroCount>;

// Names of macro groups 2-8: seven records of 31 bytes, a record whose last byte is not NUL
// having no name.
constexpr size_t kGroupRecordSize = 31;
constexpr size_t kGroupNamesSize = 7 * kGroupRecordSize;
using GroupNames = std::array<char, kGroupNamesSize>;

struct MacroData {
    MacroTable loaded{};
    MacroTable edit{};
    GroupNames loaded_groups{};
    GroupNames edit_groups{};
};

// The stored macro list: for every macro in order its path, NUL, its name, NUL.
std::string BuildMacroList(const MacroTable& table);
// Fills both copies from a stored list, alternately path and name, each cut to 256 bytes. Stops
// after the 80th name or at the end of the bytes; entries the list does not reach are kept.
void ParseMacroList(const uint8_t* bytes, size_t size, MacroData& macros);
// Copies `text` (at most 256 bytes are kept) into a macro field, NUL padded.
void SetMacroText(char (&field)[kMacroTextSize], const char* text, size_t length);

}  // namespace bindery
