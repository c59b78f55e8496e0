// Plain byte-pattern search over ANSI code-page text: a Boyer-Moore-Horspool variant that never reports
// a match beginning on the second byte of a double-byte character.
#pragma once

#include <cstdint>

#include "text/byte_search.h"
#include "text/kxstring.h"

namespace kx {

// As SearchBytes over the text lowered the way LowerAnsi lowers it when it starts at origin (origin <=
// text), without making the lowered copy: pattern is the lowered pattern, folded the same with every
// capital folded, folded_skip the skip table of folded indexed by the text's byte.
int32_t SearchBytesLowered(const char* origin, const char* text, uint32_t n, const char* pattern, uint32_t m,
                           const char* folded, const int32_t* folded_skip);

// The compiled plain pattern of a Matcher.
class PlainSearcher {
public:
    PlainSearcher();
    void SetPattern(const kxlib::string& text);
    bool Find(const char* bytes, uint32_t n);
    bool Find(const char* text);
    bool Find(const kxlib::string& text) { return Find(text.c_str(), text.length()); }
    // Find over the n bytes as they read once the text that starts at origin is lowered (to_lower).
    bool FindLowered(const char* origin, const char* bytes, uint32_t n);
    const kxlib::string& pattern() const { return pattern_; }
    int32_t found_position() const { return found_position_; }

private:
    kxlib::string pattern_;
    int32_t found_position_;
    int32_t skip_[256];
    kxlib::string folded_;
    int32_t folded_skip_[256];
};

}  // namespace kx
