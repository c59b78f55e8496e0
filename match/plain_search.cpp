// Skip-table search, double-byte safe.
#include "match/plain_search.h"

#include <cstring>

namespace kx {

namespace {

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

bool PlainSearcher::Find(const char* text) { return Find(text, static_cast<uint32_t>(std::strlen(text))); }

bool PlainSearcher::FindLowered(const char* origin, const char* bytes, uint32_t n) {
    found_position_ =
        SearchBytesLowered(origin, bytes, n, pattern_.c_str(), pattern_.length(), folded_.c_str(), folded_skip_);
    return found_position_ != -1;
}

}  // namespace kx
