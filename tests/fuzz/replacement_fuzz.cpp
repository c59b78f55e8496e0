// The Matcher with Sieve loaded, over any find string, text and replacement: a regular expression
// or fuzzy search that matches reports its match and tags inside the text, the text of a tag is the
// text at its place, and the replacement expands as its escapes say (\1-\9 the tags, \n, \t and \\;
// every other backslash stays, and a double-byte character is never taken apart).
#include <dlfcn.h>
#include <unistd.h>

#include <string>

#include "fuzz_support.h"
#include "match/matcher.h"
#include "match/replacement.h"
#include "text/codepage.h"

namespace {

// Sieve as the native build makes it, beside the fuzz target.
std::string SieveBeside() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    std::string s(path, n > 0 ? static_cast<size_t>(n) : 0);
    return s.substr(0, s.find_last_of('/') + 1) + "sieve.so";
}

// Splits off the bytes before the next NUL.
std::string Part(const std::string& input, size_t* at) {
    const size_t end = input.find('\0', *at);
    std::string part = input.substr(*at, end == std::string::npos ? std::string::npos : end - *at);
    *at = end == std::string::npos ? input.size() : end + 1;
    return part;
}

// The tags of the Matcher's match, as the expansion asks for them.
class MatcherTags final : public kx::TagSource {
public:
    explicit MatcherTags(const kx::Matcher& m) : m_(m) {}
    kxlib::string TagText(int n) const override { return kxlib::string(m_.TagText(n)); }

private:
    const kx::Matcher& m_;
};

std::string Expected(const kx::TagSource& tags, const std::string& r) {
    std::string out;
    for (size_t i = 0; i < r.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(r[i]);
        if (kx::IsLeadByte(c) && i + 1 < r.size()) {
            out += r.substr(i++, 2);
        } else if (c == '\\' && i + 1 < r.size() && r[i + 1] >= '1' && r[i + 1] <= '9') {
            out += tags.TagText(r[++i] - '0').c_str();
        } else if (c == '\\' && i + 1 < r.size() && (r[i + 1] == 'n' || r[i + 1] == 't' || r[i + 1] == '\\')) {
            const char e = r[++i];
            out += e == 'n' ? '\n' : e == 't' ? '\t' : '\\';
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string library = SieveBeside();
    // Loaded once more and never unloaded, so the coverage counters libFuzzer keeps reading stay
    // mapped while each Matcher loads and unloads the library as it does in a run.
    static void* const kept = dlopen(library.c_str(), RTLD_NOW | RTLD_NODELETE);
    FUZZ_CHECK(kept != nullptr);
    kx::HmJrePath().assign(library.c_str());
    const uint8_t flags = data[0];
    const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t at = 0;
    const std::string pattern = Part(input, &at), replacement = Part(input, &at), text = Part(input, &at);

    kx::Matcher m;
    m.SetOption("use_regular", (flags & 1) != 0 || (flags & 2) == 0);
    m.SetOption("aimai", (flags & 2) != 0);
    m.SetOption("CaseSense", (flags & 4) != 0);
    m.SetOption("word", (flags & 8) != 0);
    if (!m.SetFindString(pattern.c_str())) return 0;
    FUZZ_CHECK(m.library_loaded());
    if (!m.Search(text.c_str())) return 0;

    const int32_t n = static_cast<int32_t>(text.size());
    const int32_t position = m.MatchPosition();
    FUZZ_CHECK(position >= 0 && position <= n);
    // On a character start, or at the end of the text (behind a lead byte standing last).
    FUZZ_CHECK(position == n || !(kx::LeadBytesBefore(text.c_str(), static_cast<uint32_t>(position)) & 1));
    for (int tag = 1; tag <= 9; ++tag) {
        const int32_t p = m.TagPosition(tag), length = m.TagLength(tag);
        const std::string tag_text = m.TagText(tag);
        if (p < 0) continue;
        FUZZ_CHECK(length >= 0 && p + length <= n);
        FUZZ_CHECK(tag_text == text.substr(p, length));
    }
    if (flags & 1) {
        // The expansion on its own over the match's tags, and as the Matcher gives it.
        const MatcherTags tags(m);
        const std::string expected = Expected(tags, replacement);
        FUZZ_CHECK(kx::ExpandReplacement(replacement.c_str(), tags).c_str() == expected);
        FUZZ_CHECK(m.ExpandReplacement(replacement.c_str()) == expected);
    }
    return 0;
}
