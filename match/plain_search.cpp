// Skip-table search, double-byte safe.
#include "match/plain_search.h"

#include <cstring>

#include "text/codepage.h"

namespace kx {

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
    if (m == 1) {
        for (uint32_t i = 0; i < n; ++i)
            if (text[i] == pattern[0] && !IsTrailByte(text, i)) return static_cast<int32_t>(i);
        return -1;
    }
    if (n < m) return -1;
    const uint32_t b = m - 1;
    uint32_t q = 0;
    while (q < n - b) {
        int32_t j = static_cast<int32_t>(b);
        while (j >= 0 && text[q + j] == pattern[j]) --j;
        int32_t shift;
        if (j < 0) {
            if (!IsTrailByte(text, q)) return static_cast<int32_t>(q);
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

PlainSearcher::PlainSearcher() : found_position_(-1) {
    for (int i = 0; i < 256; ++i) skip_[i] = 0;
}

void PlainSearcher::SetPattern(const kxlib::string& text) {
    pattern_ = text;
    BuildSkipTable(pattern_.c_str(), pattern_.length(), skip_);
}

bool PlainSearcher::Find(const char* bytes, uint32_t n) {
    found_position_ = SearchBytes(bytes, n, pattern_.c_str(), pattern_.length(), skip_);
    return found_position_ != -1;
}

bool PlainSearcher::Find(const char* text) {
    return Find(text, static_cast<uint32_t>(std::strlen(text)));
}

}  // namespace kx
