// Reference-counted byte string: shared empty representative, copy on write, exact growth.
#include "text/kxstring.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "text/byte_search.h"
#include "text/codepage.h"
#include "text/platform.h"

namespace kxlib {

namespace {
// The one shared empty representative: never freed, never written.
StringRep g_empty = {1, 1, 4, {0, 0, 0, 0}};
const char g_empty_literal[1] = {0};

uint32_t TextLength(const char* s) { return s ? static_cast<uint32_t>(std::strlen(s)) : 0; }
uint32_t Min(uint32_t a, uint32_t b) { return a < b ? a : b; }
}  // namespace

StringRep* string::allocate(uint32_t capacity) {
    size_t bytes = offsetof(StringRep, first) + (capacity < 4 ? 4 : capacity);
    StringRep* r = static_cast<StringRep*>(std::malloc(bytes));
    if (!r) throw std::bad_alloc();
    r->refs = 1;
    r->size = 1;
    r->capacity = capacity;
    r->bytes()[0] = 0;
    return r;
}

void string::release() {
    if (rep_ == &g_empty) return;
    if (--rep_->refs <= 0) std::free(rep_);
}

string::string() : rep_(&g_empty) {}

string::string(const char* s, uint32_t n) : rep_(&g_empty) {
    if (n == npos) n = TextLength(s);
    if (n == 0 || !s) return;
    rep_ = allocate(n + 5);
    std::memcpy(rep_->bytes(), s, n);
    rep_->bytes()[n] = 0;
    rep_->size = n + 1;
}

string::string(char c) : rep_(allocate(2)) {
    rep_->bytes()[0] = c;
    rep_->bytes()[1] = 0;
    rep_->size = 2;
}

string::string(const string& other) : rep_(other.rep_) {
    if (rep_ != &g_empty) ++rep_->refs;
}

string::~string() { release(); }

bool string::is_shared_empty() const { return rep_ == &g_empty; }

string& string::assign(const string& other) {
    if (rep_ == other.rep_) return *this;
    StringRep* r = other.rep_;
    if (r != &g_empty) ++r->refs;
    release();
    rep_ = r;
    return *this;
}

void string::reserve(uint32_t n) {
    if (rep_ != &g_empty && rep_->refs <= 1 && rep_->capacity >= n) return;
    uint32_t cap = n > rep_->capacity ? n : rep_->capacity;
    if (cap < 2) cap = 1;
    StringRep* r = allocate(cap);
    uint32_t keep = rep_->size <= cap ? rep_->size : cap;
    std::memcpy(r->bytes(), rep_->bytes(), keep);
    r->size = keep;
    r->bytes()[keep - 1] = 0;
    release();
    rep_ = r;
}

string& string::assign_bytes(const char* p, uint32_t n) {
    if (n == 0 && rep_ == &g_empty) return *this;
    if (rep_ == &g_empty || rep_->refs > 1 || rep_->capacity < n + 1) {
        // A new block is needed: the old text is not worth copying, it is about to be overwritten.
        // The source may lie inside the old block, so it is released only after the copy.
        StringRep* r = allocate(n + 1 < 2 ? 2 : n + 1);
        if (n) std::memcpy(r->bytes(), p, n);
        r->bytes()[n] = 0;
        r->size = n + 1;
        release();
        rep_ = r;
        return *this;
    }
    std::memmove(rep_->bytes(), p, n);
    rep_->bytes()[n] = 0;
    rep_->size = n + 1;
    return *this;
}

string& string::assign(const char* s) { return assign_bytes(s ? s : "", TextLength(s)); }

string& string::assign(const char* s, uint32_t n) {
    if (!s) return assign_bytes("", 0);
    return assign_bytes(s, Min(n, TextLength(s)));
}

string& string::assign(const char* s, uint32_t pos, uint32_t n) {
    uint32_t len = TextLength(s);
    if (pos > len) return *this;
    return assign_bytes(s + pos, Min(len - pos, n));
}

const char* string::c_str() const { return rep_ == &g_empty ? g_empty_literal : rep_->bytes(); }

bool string::equals(const char* s) const { return kx::platform::CompareText(c_str(), s ? s : "") == 0; }

bool string::operator==(const string& other) const { return rep_ == other.rep_ || equals(other.c_str()); }

int32_t string::find(const char* needle, uint32_t start) const {
    uint32_t len = length();
    if (start >= len) return -1;
    uint32_t m = TextLength(needle);
    if (m == 0) return -1;
    const char* text = rep_->bytes() + start;
    int32_t skip[256];
    kx::BuildSkipTable(needle, m, skip);
    int32_t at = kx::SearchBytes(text, len - start, needle, m, skip);
    return at < 0 ? -1 : static_cast<int32_t>(start) + at;
}

string string::substr(uint32_t pos, uint32_t n) const {
    uint32_t len = length();
    if (pos > len) return string();
    return string(c_str() + pos, Min(n, len - pos));
}

string& string::append_bytes(const char* p, uint32_t n) {
    if (n == 0) return *this;
    reserve(rep_->size + n);
    std::memcpy(rep_->bytes() + rep_->size - 1, p, n);
    rep_->size += n;
    rep_->bytes()[rep_->size - 1] = 0;
    return *this;
}

char* string::append_space(uint32_t n) {
    const uint64_t needed = static_cast<uint64_t>(rep_->size) + n;
    if (needed > 0xFFFFFFFFu) throw std::bad_alloc();
    if (rep_ == &g_empty || rep_->refs > 1 || rep_->capacity < needed) {
        const uint64_t grown = rep_->capacity < needed ? needed + needed / 2 : needed;
        reserve(static_cast<uint32_t>(grown < 0xFFFFFFFFu ? grown : needed));
    }
    return rep_->bytes() + rep_->size - 1;
}

void string::extend(uint32_t k) {
    rep_->size += k;
    rep_->bytes()[rep_->size - 1] = 0;
}

string& string::append(const char* s) { return append_bytes(s, TextLength(s)); }

string& string::append(const string& t) {
    if (&t == this || t.rep_ == rep_) {
        string copy(t.c_str(), t.length());
        return append_bytes(copy.c_str(), copy.length());
    }
    return append_bytes(t.c_str(), t.length());
}

string& string::append(const char* s, uint32_t n) { return append_bytes(s, Min(TextLength(s), n)); }

string& string::append(const char* s, uint32_t pos, uint32_t n) {
    uint32_t len = TextLength(s);
    if (len < pos) return *this;
    return append_bytes(s + pos, Min(len - pos, n));
}

string& string::insert(uint32_t pos, const char* s, uint32_t n) {
    n = Min(n, TextLength(s));
    uint32_t len = length();
    if (pos > len) pos = len;
    if (n == 0) return *this;
    reserve(rep_->size + n);
    std::memmove(rep_->bytes() + pos + n, rep_->bytes() + pos, rep_->size - pos);
    std::memcpy(rep_->bytes() + pos, s, n);
    rep_->size += n;
    return *this;
}

string& string::erase(uint32_t pos, uint32_t n) {
    reserve(0);
    uint32_t len = length();
    if (pos > len) pos = len;
    n = Min(n, len - pos);
    std::memmove(rep_->bytes() + pos, rep_->bytes() + pos + n, rep_->size - pos - n);
    rep_->size -= n;
    return *this;
}

void string::to_lower() {
    reserve(0);
    kx::LowerAnsi(rep_->bytes(), length());
}

char* string::mutable_data() {
    reserve(0);
    return rep_->bytes();
}

string& append_growing(string& s, const char* p, uint32_t n) {
    const uint64_t needed = static_cast<uint64_t>(s.length()) + n + 1;
    if (n > 0 && needed > s.capacity()) {
        const uint64_t grown = needed + needed / 2;
        s.reserve(static_cast<uint32_t>(grown < 0xFFFFFFFFu ? grown : needed));
    }
    return s.append_bytes(p, n);
}

string operator+(const string& a, const char* b) {
    string r(a);
    r.append(b);
    return r;
}

string operator+(const string& a, const string& b) {
    string r(a);
    r.append(b);
    return r;
}

template <> string lexical_cast<string, int>(const int& value) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    return string(buffer);
}

template <> int lexical_cast<int, string>(const string& text) {
    // Accumulates in unsigned arithmetic so a long run of digits wraps modulo 2^32 like a 32-bit
    // two's-complement number instead of overflowing a signed integer.
    uint32_t value = 0;
    const char* p = text.c_str();
    for (uint32_t i = 0; i < text.length(); ++i) {
        unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < '0' || c > '9') throw bad_lexical_cast(typeid(int), typeid(string));
        value = value * 10u + (c - '0');
    }
    return static_cast<int>(value);
}

}  // namespace kxlib
