// Byte-search primitives over ANSI code-page text: a skip-table search that never reports a match
// beginning on the second byte of a double-byte character, and the trail-byte rule it rests on.
#pragma once

#include <cstdint>

namespace kx {

// Fills the 256-entry skip table for a pattern of m >= 2 bytes (left untouched for m < 2).
void BuildSkipTable(const char* pattern, uint32_t m, int32_t* skip);

// Offset in text of the first match that does not begin on a trail byte, or -1.
int32_t SearchBytes(const char* text, uint32_t n, const char* pattern, uint32_t m, const int32_t* skip);

// First match of needle in text (both NUL-terminated), or null.
const char* FindInText(const char* text, const char* needle);

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

}  // namespace kx
