// Plain byte-pattern search over ANSI code-page text: a Boyer-Moore-Horspool variant that never reports
// a match beginning on the second byte of a double-byte character.
#pragma once

#include <cstdint>

#include "text/kxstring.h"

namespace kx {

// Fills the 256-entry skip table for a pattern of m >= 2 bytes (left untouched for m < 2).
void BuildSkipTable(const char* pattern, uint32_t m, int32_t* skip);

// Offset in text of the first match that does not begin on a trail byte, or -1.
int32_t SearchBytes(const char* text, uint32_t n, const char* pattern, uint32_t m, const int32_t* skip);

// First match of needle in text (both NUL-terminated), or null.
const char* FindInText(const char* text, const char* needle);

// As SearchBytes over the text lowered the way LowerAnsi lowers it when it starts at origin (origin <=
// text), without making the lowered copy: pattern is the lowered pattern, folded the same with every
// capital folded, folded_skip the skip table of folded indexed by the text's byte.
int32_t SearchBytesLowered(const char* origin, const char* text, uint32_t n, const char* pattern, uint32_t m,
                           const char* folded, const int32_t* folded_skip);

// Whether byte i of buffer is the second byte of a double-byte character, counting from buffer[0].
bool IsTrailByte(const char* buffer, uint32_t i);

// Answers IsTrailByte for rising positions of one buffer without walking back through the same run
// of lead-class bytes again: it remembers a position known to begin a character, where a walk back
// may stop. A position below it is answered by IsTrailByte itself.
class TrailCursor {
public:
    explicit TrailCursor(const char* base = "") : base_(base), known_(0) {}
    bool IsTrail(uint32_t i);

private:
    const char* base_;
    uint32_t known_;
};

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
