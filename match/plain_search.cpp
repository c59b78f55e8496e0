// Skip-table search, double-byte safe.
#include "match/plain_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/codepage.h"

namespace kx {

namespace {

bool Lead(char c) { return IsLeadByte(static_cast<unsigned char>(c)); }

// ASCII letters folded to small ones, every other byte as it is.
struct FoldTable {
    unsigned char fold[256];
    FoldTable() {
        for (int c = 0; c < 256; ++c) fold[c] = static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    }
};
const FoldTable kFold;

unsigned char Fold(char c) { return kFold.fold[static_cast<unsigned char>(c)]; }

// Whether the m bytes at at equal pattern once lowered the way LowerAnsi lowers the text that starts
// at origin: a capital letter that is the second byte of a double-byte character stays as it is.
bool EqualsLowered(const char* origin, const char* at, const char* pattern, uint32_t m) {
    for (uint32_t i = 0; i < m; ++i) {
        unsigned char c = static_cast<unsigned char>(at[i]);
        if (c >= 'A' && c <= 'Z' && !IsTrailByte(origin, static_cast<uint32_t>(at + i - origin)))
            c = static_cast<unsigned char>(c + ('a' - 'A'));
        if (c != static_cast<unsigned char>(pattern[i])) return false;
    }
    return true;
}

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
    for (uint32_t k = 0; k < m; ++k)
        skip[static_cast<unsigned char>(pattern[k])] = static_cast<int32_t>(m - 1 - k);
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

int32_t SearchBytesLowered(const char* origin, const char* text, uint32_t n, const char* pattern, uint32_t m,
                           const char* folded, const int32_t* folded_skip) {
    if (m == 0 || n < m) return -1;
    TrailCursor trail(text);
    const uint32_t b = m - 1;
    uint32_t q = 0;
    while (q < n - b) {
        int32_t j = static_cast<int32_t>(b);
        while (j >= 0 && Fold(text[q + j]) == static_cast<unsigned char>(folded[j])) --j;
        int32_t shift;
        if (j < 0) {
            if (EqualsLowered(origin, text + q, pattern, m) && !trail.IsTrail(q)) return static_cast<int32_t>(q);
            shift = 1;
        } else if (m == 1) {
            shift = 1;
        } else {
            shift = j + folded_skip[static_cast<unsigned char>(text[q + j])] - static_cast<int32_t>(b);
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

PlainSearcher::PlainSearcher() : found_position_(-1) {
    for (int i = 0; i < 256; ++i) skip_[i] = folded_skip_[i] = 0;
}

void PlainSearcher::SetPattern(const kxlib::string& text) {
    pattern_ = text;
    BuildSkipTable(pattern_.c_str(), pattern_.length(), skip_);
    // The folded pattern and its table, indexed by the text's own byte, for FindLowered.
    const uint32_t m = pattern_.length();
    folded_.assign(pattern_.c_str(), m);
    char* f = folded_.mutable_data();
    for (uint32_t k = 0; k < m; ++k) f[k] = static_cast<char>(Fold(f[k]));
    int32_t skip[256];
    BuildSkipTable(f, m, skip);
    if (m >= 2)
        for (int c = 0; c < 256; ++c) folded_skip_[c] = skip[kFold.fold[c]];
}

bool PlainSearcher::Find(const char* bytes, uint32_t n) {
    found_position_ = SearchBytes(bytes, n, pattern_.c_str(), pattern_.length(), skip_);
    return found_position_ != -1;
}

bool PlainSearcher::Find(const char* text) {
    return Find(text, static_cast<uint32_t>(std::strlen(text)));
}

bool PlainSearcher::FindLowered(const char* origin, const char* bytes, uint32_t n) {
    found_position_ =
        SearchBytesLowered(origin, bytes, n, pattern_.c_str(), pattern_.length(), folded_.c_str(), folded_skip_);
    return found_position_ != -1;
}

}  // namespace kx
