// kxlib::string: the engine's one byte string (ANSI code page bytes, NUL-terminated), sharing its
// bytes between copies through a reference-counted representation with copy on write and exact growth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <typeinfo>

namespace kxlib {

// Heap block shared by copies. size counts the terminating NUL; bytes has room for capacity bytes.
struct StringRep {
    int32_t refs;
    uint32_t size;
    uint32_t capacity;
    char first[4];  // the start of the bytes: the block goes on for capacity bytes in all
    // The bytes, reached through the block rather than through first[], whose declared size is
    // only that of the smallest block.
    char* bytes() { return reinterpret_cast<char*>(this) + offsetof(StringRep, first); }
    const char* bytes() const { return reinterpret_cast<const char*>(this) + offsetof(StringRep, first); }
};

class string {
public:
    static const uint32_t npos = 0xFFFFFFFFu;

    string();
    string(const char* s, uint32_t n = npos);
    explicit string(char c);
    string(const string& other);
    ~string();
    string& operator=(const string& other) { return assign(other); }
    string& operator=(const char* s) { return assign(s); }

    string& assign(const string& other);
    string& assign_bytes(const char* p, uint32_t n);
    string& assign(const char* s);
    string& assign(const char* s, uint32_t n);
    string& assign(const char* s, uint32_t pos, uint32_t n);

    const char* c_str() const;
    uint32_t length() const { return rep_->size - 1; }
    bool empty() const { return rep_->size <= 1; }
    bool equals(const char* s) const;
    bool operator==(const string& other) const;
    bool operator!=(const string& other) const { return !(*this == other); }
    int32_t find(const char* needle, uint32_t start = 0) const;
    string substr(uint32_t pos, uint32_t n = npos) const;
    char operator[](uint32_t i) const { return rep_->bytes()[i]; }

    void reserve(uint32_t n);
    string& append_bytes(const char* p, uint32_t n);
    string& append(const char* s);
    string& append(const string& t);
    string& append(const char* s, uint32_t n);
    string& append(const char* s, uint32_t pos, uint32_t n);
    string& insert(uint32_t pos, const char* s, uint32_t n = npos);
    string& erase(uint32_t pos, uint32_t n = npos);
    void to_lower();

    // Writable access to the bytes after making the representation unique (length() bytes plus the NUL).
    char* mutable_data();
    // Room for n more bytes and their NUL at the end of a unique representation (grown by half again
    // when too small); answers where the next byte goes. extend(k) then takes k bytes written there,
    // k <= n, as part of the text.
    char* append_space(uint32_t n);
    void extend(uint32_t k);
    uint32_t capacity() const { return rep_->capacity; }
    // True when this string and other share one representation (copies that were not yet modified).
    bool shares_with(const string& other) const { return rep_ == other.rep_; }
    bool is_shared_empty() const;

private:
    StringRep* rep_;
    void release();
    static StringRep* allocate(uint32_t capacity);
};

// Appends n bytes to s like append_bytes, but when the block is too small it grows by half again
// rather than exactly, so a text built by many appends costs time in proportion to its length.
string& append_growing(string& s, const char* p, uint32_t n);
inline string& append_growing(string& s, const string& t) { return append_growing(s, t.c_str(), t.length()); }

string operator+(const string& a, const char* b);
string operator+(const string& a, const string& b);

// Thrown by the text-to-integer conversion for anything but a run of decimal digits.
class bad_lexical_cast {
public:
    bad_lexical_cast(const std::type_info& target, const std::type_info& source) : target_(&target), source_(&source) {}
    const std::type_info& target_type() const { return *target_; }
    const std::type_info& source_type() const { return *source_; }

private:
    const std::type_info* target_;
    const std::type_info* source_;
};

template <typename To, typename From> To lexical_cast(const From& from);

template <> string lexical_cast<string, int>(const int& value);
template <> int lexical_cast<int, string>(const string& text);

}  // namespace kxlib
