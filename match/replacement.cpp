// Expanding the escapes of a replacement text.
#include "match/replacement.h"

#include <cstring>

#include "text/codepage.h"

namespace kx {

kxlib::string ExpandReplacement(const char* replacement, const TagSource& source) {
    const uint32_t n = static_cast<uint32_t>(std::strlen(replacement));
    kxlib::string result;
    result.reserve(n + 1);
    kxlib::string tags[9];
    bool fetched[9] = {};
    uint32_t copied = 0;  // replacement bytes already appended
    uint32_t i = 0;
    while (i < n) {
        unsigned char c = static_cast<unsigned char>(replacement[i]);
        if (IsLeadByte(c)) {
            i += (i + 1 < n) ? 2 : 1;
            continue;
        }
        if (c != '\\' || i + 1 >= n) {
            ++i;
            continue;
        }
        char next = replacement[i + 1];
        if (next >= '1' && next <= '9') {
            int t = next - '1';
            if (!fetched[t]) {
                tags[t] = source.TagText(t + 1);
                fetched[t] = true;
            }
            result.append_bytes(replacement + copied, i - copied);
            result.append(tags[t]);
        } else if (next == '\\' || next == 'n' || next == 't') {
            result.append_bytes(replacement + copied, i - copied);
            result.append(next == '\\' ? "\\" : next == 'n' ? "\n" : "\t");
        } else {
            // Not an escape: the backslash stays, and the byte after it is read on its own, so a
            // lead byte there still takes its trail byte with it.
            ++i;
            continue;
        }
        i += 2;
        copied = i;
    }
    result.append_bytes(replacement + copied, n - copied);
    return result;
}

}  // namespace kx
