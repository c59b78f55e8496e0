#include "sieve/regex.h"

#include <cstring>

#include <oniguruma.h>

#include "sieve/fold.h"

namespace sieve {
namespace {

bool g_engine_ready = false;

bool EnsureEngine() {
    if (!g_engine_ready) {
        OnigEncoding encodings[] = {ONIG_ENCODING_SJIS};
        g_engine_ready = onig_initialize(encodings, 1) == ONIG_NORMAL;
    }
    return g_engine_ready;
}

}  // namespace

void ShutDownRegexEngine() {
    if (g_engine_ready) onig_end();
    g_engine_ready = false;
}

Regex::Regex() : regex_(nullptr), region_(nullptr), matched_(false) {}

Regex::~Regex() {
    if (regex_) onig_free(regex_);
    if (region_) onig_region_free(region_, 1);
}

int Regex::Compile(const char* pattern) {
    matched_ = false;
    if (regex_) {
        onig_free(regex_);
        regex_ = nullptr;
    }
    if (!EnsureEngine()) return ONIGERR_MEMORY;
    if (!region_ && !(region_ = onig_region_new())) return ONIGERR_MEMORY;
    const UChar* begin = reinterpret_cast<const UChar*>(pattern);
    OnigErrorInfo info;
    // Every ( ) captures, also in a pattern with named groups: the caller numbers them 1-9.
    const int r = onig_new(&regex_, begin, begin + std::strlen(pattern), ONIG_OPTION_CAPTURE_GROUP, ONIG_ENCODING_SJIS,
                           ONIG_SYNTAX_RUBY, &info);
    if (r != ONIG_NORMAL) {
        regex_ = nullptr;
        return r < 0 ? r : ONIGERR_INVALID_ARGUMENT;
    }
    return 0;
}

int Regex::Search(const char* subject, std::int32_t length, std::int32_t start) {
    matched_ = false;
    if (!regex_ || !subject || length < 0 || start > length) return 0;
    if (start < 0) start = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(subject);
    const std::int32_t head = CharStartAtOrAfter(bytes, length, start);
    if (head > length) return 0;

    const UChar* str = bytes;
    const UChar* end = str + length;
    // Oniguruma takes a lead byte followed by a byte that cannot be a trail byte (0x8E 0x30) as two
    // characters, where the engine takes a lead byte with whatever byte follows as one: a match
    // that starts on such a second byte is passed over, and the search goes on from the character
    // after it.
    for (std::int32_t from = head;;) {
        const int r = onig_search(regex_, str, end, str + from, end, region_, ONIG_OPTION_NONE);
        if (r == ONIG_MISMATCH) return 0;
        if (r < 0) return r;
        const std::int32_t at = region_->beg[0];
        if (at >= length || CharStartAtOrAfter(bytes, length, at) == at) break;
        from = CharStartAtOrAfter(bytes, length, at);
        if (from > length) return 0;
    }
    // A lead byte with no trail at the very end is taken by the engine's single-byte class tests as a
    // whole character, which would put a match end behind the subject: such ends stop at its end.
    for (int i = 0; i < region_->num_regs; ++i) {
        if (region_->end[i] > length) region_->end[i] = length;
        if (region_->beg[i] > length) region_->beg[i] = length;
    }
    matched_ = true;
    return 1;
}

// The first character boundary at or after `start`. A byte below 0x40 is never a lead byte, and it is
// the second byte of a character only right after a lead byte; otherwise a character begins there.
// The walk starts at the last such byte before `start` (or at the subject's first byte) instead of
// at the subject's start, and nothing of an earlier search is kept, so a buffer filled anew is
// always walked as it reads now.
std::int32_t Regex::CharStartAtOrAfter(const unsigned char* subject, std::int32_t length, std::int32_t start) {
    std::int32_t head = start < length ? start : length;
    while (head > 0 && !(subject[head - 1] < 0x40 && (head == 1 || !IsLeadByte(subject[head - 2])))) --head;
    if (head > 0) --head;
    while (head < start) head += IsLeadByte(subject[head]) && head + 1 < length ? 2 : 1;
    return head;
}

bool Regex::Group(int n, std::int32_t* position, std::int32_t* length) const {
    if (!matched_ || n < 0 || n >= region_->num_regs || region_->beg[n] == ONIG_REGION_NOTPOS) {
        return false;
    }
    *position = region_->beg[n];
    *length = region_->end[n] - region_->beg[n];
    return true;
}

}  // namespace sieve
