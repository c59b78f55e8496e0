// A compiled Shift_JIS regular expression (Oniguruma, Ruby syntax) and its last match: the
// search from a start offset and the positions of the groups 0-9. Platform-free.
#pragma once

#include <cstdint>

struct re_pattern_buffer;
struct re_registers;

namespace sieve {

class Regex {
public:
    Regex();
    ~Regex();
    Regex(const Regex&) = delete;
    Regex& operator=(const Regex&) = delete;

    // Compiles a NUL-terminated pattern, replacing the previous one. Answers 0, or Oniguruma's
    // (negative) error code; after a failure there is no pattern and nothing is found.
    int Compile(const char* pattern);

    // Searches subject[0, length) for the first match that starts at or after `start` (a byte
    // offset from the subject's first byte; a start inside a double-byte character moves to
    // the character after it). Answers 1 when found, 0 when not, or a negative error code.
    int Search(const char* subject, std::int32_t length, std::int32_t start);

    // Position and length of group n (0 = the whole match) of the last match; false when there
    // is no such group or it did not take part.
    bool Group(int n, std::int32_t* position, std::int32_t* length) const;

private:
    static std::int32_t CharStartAtOrAfter(const unsigned char* subject, std::int32_t length, std::int32_t start);

    re_pattern_buffer* regex_;
    re_registers* region_;
    bool matched_;
};

// Releases Oniguruma's global tables once no Regex is left (at library unload).
void ShutDownRegexEngine();

}  // namespace sieve
