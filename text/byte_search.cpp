// Skip-table search and the trail-byte rule, double-byte safe.
#include "text/byte_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/codepage.h"

namespace kx {

namespace {

bool Lead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

}  // namespace

bool TrailCursor::IsTrail(uint32_t i) {
    if (i < known_) return IsTrailByte(base_, i);
    uint32_t k = 0;
    while (i - k > known_ && Lead(base_[i - 1 - k])) ++k;
    const bool trail = (k & 1) != 0;
    // Behind a trail byte, and at any byte that is not one, a character starts.
    known_ = trail ? i + 1 : i;
    return trail;
}

void BuildSkipTable(const char* pattern, uint32_t m, int32_t* skip) {
    if (m < 2) return;
    for (int i = 0; i < 256; ++i) skip[i] = static_cast<int32_t>(m);
    for (uint32_t k = 0; k < m; ++k) skip[static_cast<unsigned char>(pattern[k])] = static_cast<int32_t>(m - 1 - k);
}

bool IsTrailByte(const char* buffer, uint32_t i) {
    if (i == 0) return false;
    uint32_t k = 0;
    while (k < i && IsLeadByte(static_cast<unsigned char>(buffer[i - 1 - k]))) ++k;
    return (k & 1) != 0;
}

int32_t SearchBytes(const char* text, uint32_t n, const char* pattern, uint32_t m, const int32_t* skip) {
    if (m == 0) return -1;
    TrailCursor trail(text);
    if (m == 1) {
        for (uint32_t i = 0; i < n; ++i) {
            const void* hit = std::memchr(text + i, pattern[0], n - i);
            if (!hit) return -1;
            i = static_cast<uint32_t>(static_cast<const char*>(hit) - text);
            if (!trail.IsTrail(i)) return static_cast<int32_t>(i);
        }
        return -1;
    }
    if (n < m) return -1;
    const uint32_t b = m - 1;
    uint32_t q = 0;
#if defined(__SSE2__)
    // Sixteen alignments at a time: only where both the pattern's first and last byte stand is the
    // rest compared. Candidates are taken in rising order, so the first match found is the one the
    // skip loop would find; the skip loop takes over for the last alignments.
    const __m128i first = _mm_set1_epi8(pattern[0]);
    const __m128i last = _mm_set1_epi8(pattern[b]);
    while (q + b + 16 <= n) {
        const __m128i at_first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + q));
        const __m128i at_last = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + q + b));
        unsigned mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(at_first, first), _mm_cmpeq_epi8(at_last, last))));
        while (mask != 0) {
            const uint32_t candidate = q + static_cast<uint32_t>(__builtin_ctz(mask));
            if (std::memcmp(text + candidate + 1, pattern + 1, b > 0 ? b - 1 : 0) == 0 && !trail.IsTrail(candidate))
                return static_cast<int32_t>(candidate);
            mask &= mask - 1;
        }
        q += 16;
    }
#endif
    while (q < n - b) {
        int32_t j = static_cast<int32_t>(b);
        while (j >= 0 && text[q + j] == pattern[j]) --j;
        int32_t shift;
        if (j < 0) {
            if (!trail.IsTrail(q)) return static_cast<int32_t>(q);
            shift = 1;
        } else {
            shift = j + skip[static_cast<unsigned char>(text[q + j])] - static_cast<int32_t>(b);
            if (shift <= 0) shift = 2;
        }
        q += static_cast<uint32_t>(shift);
    }
    return -1;
}

const char* FindInText(const char* text, const char* needle) {
    int32_t skip[256];
    uint32_t m = static_cast<uint32_t>(std::strlen(needle));
    BuildSkipTable(needle, m, skip);
    int32_t at = SearchBytes(text, static_cast<uint32_t>(std::strlen(text)), needle, m, skip);
    return at < 0 ? nullptr : text + at;
}

}  // namespace kx
