// The user's fuzzy-search settings, kept as one value per flag under
// HKEY_CURRENT_USER\Software\Kestrel\Sieve.
#pragma once

#include <cstdint>

#include "match/sieve_api.h"

namespace sieve {

// The settings as a flags word (kFuzzy* bits); defaults for the values that are not stored:
// case is distinguished, width, kana and voicing are folded.
std::uint32_t LoadFuzzyFlags();

// Stores every flag, creating the key when needed; false when the key or a value could not
// be written.
bool SaveFuzzyFlags(std::uint32_t flags);

// The value name of each setting, in the order the option dialog shows them.
struct FuzzySetting {
    std::uint32_t bit;
    const char* value_name;
    bool on_by_default;
};
inline constexpr FuzzySetting kFuzzySettings[4] = {
    {kFuzzyKeepCase, "DistinguishCase", true},
    {kFuzzyKeepWidth, "DistinguishWidth", false},
    {kFuzzyKeepKana, "DistinguishKana", false},
    {kFuzzyIgnoreVoicing, "IgnoreVoicing", false},
};

}  // namespace sieve
