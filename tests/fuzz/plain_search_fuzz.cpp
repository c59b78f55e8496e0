// Plain search against a byte-by-byte reference: the first match that does not begin on the
// second byte of a double-byte character, case-sensitive and case-ignoring (A-Z folded outside
// double-byte characters only), through the searcher, the skip-table search and the string's find.
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "match/plain_search.h"
#include "text/codepage.h"
#include "text/kxstring.h"

namespace {

std::string Lowered(const std::string& s) {
    std::string out = s;
    if (!out.empty()) kx::LowerAnsi(&out[0], static_cast<uint32_t>(out.size()));
    return out;
}

// The first i >= 0 where pattern occurs in text and text[i] is not a trail byte, or -1.
int32_t Reference(const std::string& text, const std::string& pattern) {
    if (pattern.size() > text.size()) return -1;
    for (size_t i = 0; i + pattern.size() <= text.size(); ++i)
        if (std::memcmp(text.data() + i, pattern.data(), pattern.size()) == 0 &&
            !kx::IsTrailByte(text.data(), static_cast<uint32_t>(i)))
            return static_cast<int32_t>(i);
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::Input in(data, size);
    size_t m = 0;
    const uint8_t* p = in.Take(in.Byte() % 16 + 1, &m);
    // No NUL inside: the Matcher and the string search NUL-terminated text.
    std::string pattern(reinterpret_cast<const char*>(p), m), text(reinterpret_cast<const char*>(in.rest()), in.left());
    pattern = pattern.substr(0, pattern.find('\0'));
    text = text.substr(0, text.find('\0'));
    if (pattern.empty()) return 0;

    const int32_t expected = Reference(text, pattern);
    kx::PlainSearcher searcher;
    searcher.SetPattern(kxlib::string(pattern.c_str()));
    const bool found = searcher.Find(text.data(), static_cast<uint32_t>(text.size()));
    FUZZ_CHECK(found == (expected >= 0));
    if (found) FUZZ_CHECK(searcher.found_position() == expected);

    if (pattern.size() >= 2) {
        int32_t skip[256];
        kx::BuildSkipTable(pattern.data(), static_cast<uint32_t>(pattern.size()), skip);
        FUZZ_CHECK(kx::SearchBytes(text.data(), static_cast<uint32_t>(text.size()), pattern.data(),
                                   static_cast<uint32_t>(pattern.size()), skip) == expected);
    }
    const kxlib::string k(text.c_str());
    FUZZ_CHECK(k.find(pattern.c_str(), 0) == expected);

    // Case-ignoring: the searcher over the text as lowered, from every start a run searches from.
    kx::PlainSearcher lowered;
    lowered.SetPattern(kxlib::string(Lowered(pattern).c_str()));
    const std::string low_text = Lowered(text);
    for (size_t start = 0; start <= text.size(); start += 1 + text.size() / 8) {
        if (kx::IsTrailByte(text.data(), static_cast<uint32_t>(start))) continue;
        const int32_t want = Reference(low_text.substr(start), Lowered(pattern));
        const bool got =
            lowered.FindLowered(text.data(), text.data() + start, static_cast<uint32_t>(text.size() - start));
        FUZZ_CHECK(got == (want >= 0));
        if (got) FUZZ_CHECK(lowered.found_position() == want);
    }
    return 0;
}
