// Sieve's fuzzy folding and its position maps over any text and any settings: every real position
// the maps report lies inside the text on a character start (a double-byte character is never cut),
// every folded position on a character start of the folded text, areas stay inside the text, and a
// unit start maps to the folded text and back to itself. A find string folded as plain text is a
// pattern that compiles and finds the folded text at its start.
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "match/sieve_api.h"
#include "sieve/fold.h"
#include "sieve/regex.h"

namespace {

// Where each Shift_JIS character of text[0, n) starts, walking from the first byte; n included.
std::vector<bool> CharStarts(const std::string& text) {
    std::vector<bool> starts(text.size() + 1, false);
    for (size_t i = 0; i < text.size();) {
        starts[i] = true;
        i += (sieve::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    starts[text.size()] = true;
    return starts;
}

// True when text is Shift_JIS characters only: single bytes other than 0x80, 0xA0 and 0xFD-0xFF,
// and lead bytes each followed by a trail byte (0x40-0x7E, 0x80-0xFC).
bool IsShiftJis(const std::string& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (sieve::IsLeadByte(c)) {
            if (i + 1 >= text.size()) return false;
            const unsigned char t = static_cast<unsigned char>(text[++i]);
            if (t < 0x40 || t == 0x7F || t > 0xFC) return false;
        } else if (c == 0x80 || c == 0xA0 || c >= 0xFD) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::Input in(data, size);
    const uint8_t flags = in.Byte();
    const sieve::FoldRules rules = sieve::FoldRules::FromFlags(flags & sieve::kFuzzyAllBits);
    std::string real(reinterpret_cast<const char*>(in.rest()), in.left());
    real = real.substr(0, real.find('\0'));  // targets and find strings reach Sieve NUL-terminated

    sieve::FoldedText folded;
    folded.Assign(real.data(), real.size(), rules);
    const std::string& f = folded.text();
    const int32_t real_n = static_cast<int32_t>(real.size());
    const int32_t folded_n = static_cast<int32_t>(f.size());
    FUZZ_CHECK(folded.real_length() == real.size());
    const std::vector<bool> real_starts = CharStarts(real), folded_starts = CharStarts(f);

    for (int32_t p = -1; p <= folded_n + 1; ++p) {
        const int32_t r = folded.RealPosition(p);
        FUZZ_CHECK(r >= 0 && r <= real_n && real_starts[r]);
        for (int32_t length : {0, 1, 2, 3, folded_n}) {
            int32_t real_length = length;
            const int32_t at = folded.RealArea(p, &real_length);
            FUZZ_CHECK(at >= 0 && at <= real_n && real_starts[at]);
            FUZZ_CHECK(real_length >= 0 && at + real_length <= real_n && real_starts[at + real_length]);
        }
    }
    for (int32_t r = -1; r <= real_n + 1; ++r) {
        const int32_t p = folded.FoldedPosition(r);
        FUZZ_CHECK(p >= 0 && p <= folded_n && folded_starts[p]);
        // A position that starts a unit comes back to itself.
        if (r >= 0 && r <= real_n && folded.RealPosition(p) == r) continue;
        FUZZ_CHECK(r < 0 || r > real_n || folded.RealPosition(p) < r);
    }

    if (!real.empty() && (flags & 0x10)) {
        const std::string pattern = sieve::FoldPattern(real.c_str(), false, rules);
        sieve::Regex regex;
        const int compiled = regex.Compile(pattern.c_str());
        // A find string holding a byte that is no Shift_JIS character is refused by the compiler;
        // every other one compiles.
        if (!IsShiftJis(real)) {
            FUZZ_CHECK(compiled != 0);
            return 0;
        }
        FUZZ_CHECK(compiled == 0);
        FUZZ_CHECK(regex.Search(f.data(), folded_n, 0) == 1);
        int32_t at = -1, length = -1;
        FUZZ_CHECK(regex.Group(0, &at, &length));
        FUZZ_CHECK(at == 0 && length == folded_n);
    } else if (flags & 0x20) {
        // Any find string as a regular expression: folding keeps it whatever it is, and the
        // compiler answers it or refuses it.
        const std::string pattern = sieve::FoldPattern(real.c_str(), true, rules);
        sieve::Regex regex;
        if (regex.Compile(pattern.c_str()) == 0) regex.Search(f.data(), folded_n, 0);
    }
    return 0;
}
