// Reading the placement text of the result window.
#include "viewer/model/placement.h"

#include <cstdint>
#include <cstring>

namespace kx {

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

bool ParsePlacement(const char* text, Placement* out) {
    if (std::strcmp(text, "center") == 0) return false;
    int32_t numbers[4] = {};
    int count = 0;
    const char* p = text;
    while (count < 4 && *p) {
        int64_t value = 0;
        for (; IsDigit(*p); ++p) {
            value = value * 10 + (*p - '0');
            if (value > INT32_MAX) value = INT32_MAX;  // saturates instead of wrapping
        }
        numbers[count++] = static_cast<int32_t>(value);
        while (*p && !IsDigit(*p)) ++p;
    }
    if (count < 4) return false;
    Placement r{numbers[0], numbers[1], numbers[2], numbers[3]};
    // A window of zero or negative size is never made: such a placement centres the window.
    if (r.right <= r.left || r.bottom <= r.top) return false;
    *out = r;
    return true;
}

}  // namespace kx
