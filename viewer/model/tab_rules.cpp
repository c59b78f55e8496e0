// Tab expansion, hit testing and trail-byte rules over the bytes of one line or row.
#include "viewer/model/tab_rules.h"

#include "text/codepage.h"

namespace kx {

namespace {
int32_t NextStop(int32_t column, int32_t tab_width) { return (column / tab_width + 1) * tab_width; }
}  // namespace

int32_t DisplayColumn(const char* p, int32_t c, int32_t tab_width) {
    int32_t extra = 0;
    for (int32_t t = 0; t < c; ++t) {
        if (p[t] != '\t') continue;
        extra = NextStop(t + extra, tab_width) - (t + 1);
    }
    return c + extra;
}

int32_t ByteColumnOf(const char* p, int32_t n, int32_t wanted, int32_t tab_width, bool wrapped) {
    int32_t extra = 0;
    for (int32_t t = 0; t < n; ++t) {
        if (p[t] != '\t') continue;
        const int32_t d = t + extra;
        const int32_t next = NextStop(d, tab_width);
        if (wanted <= (wrapped ? d : d + 1)) return wanted - extra;
        if (wanted < next - 1) return t;
        extra = next - t - 1;
    }
    return wanted - extra;
}

int32_t LineWidthMeasure(const char* p, int32_t n, int32_t tab_width) {
    int32_t extra = 0;
    for (int32_t t = 0; t < n; ++t) {
        if (p[t] != '\t') continue;
        const int32_t least = t + extra + 1;
        extra = (least + tab_width - 1) / tab_width * tab_width - t;
    }
    return n + extra;
}

bool IsTrailColumn(const char* p, int32_t c) {
    int32_t run = 0;
    while (run < c && IsLeadByte(static_cast<unsigned char>(p[c - 1 - run]))) ++run;
    return (run & 1) != 0;
}

int32_t CharLengthAt(const char* p, int32_t n, int32_t c) {
    if (c >= n) return 0;
    return (IsLeadByte(static_cast<unsigned char>(p[c])) && c + 1 < n) ? 2 : 1;
}

}  // namespace kx
