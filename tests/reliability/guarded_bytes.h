// Hostile-input support: bytes placed at the very end of readable memory, right before a page that
// cannot be touched, so that any read past them faults at once instead of going unnoticed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace kxtest {

// A region of readable pages followed by one PAGE_NOACCESS page. Place() copies bytes so that the
// last one sits just before the guard page. Also hands out pointers that cannot be read at all.
class GuardedBytes {
public:
    explicit GuardedBytes(size_t capacity = 1 << 20) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        page_ = info.dwPageSize;
        readable_ = (capacity + page_ - 1) / page_ * page_;
        if (readable_ == 0) readable_ = page_;
        base_ = static_cast<char*>(VirtualAlloc(nullptr, readable_ + page_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        if (base_) {
            DWORD old = 0;
            VirtualProtect(base_ + readable_, page_, PAGE_NOACCESS, &old);
        }
    }
    ~GuardedBytes() {
        if (base_) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBytes(const GuardedBytes&) = delete;
    GuardedBytes& operator=(const GuardedBytes&) = delete;

    bool valid() const { return base_ != nullptr; }
    size_t capacity() const { return readable_; }

    // The n bytes, ending right before the guard page (n at most capacity()).
    const char* Place(const void* bytes, size_t n) {
        char* at = base_ + readable_ - n;
        if (n) std::memcpy(at, bytes, n);
        return at;
    }
    const char* Place(const std::string& bytes) { return Place(bytes.data(), bytes.size()); }
    // The bytes and a NUL after them, the NUL being the last readable byte.
    const char* PlaceText(const std::string& text) {
        std::string with_nul = text;
        with_nul.push_back('\0');
        return Place(with_nul);
    }
    // A writable area of n bytes that ends at the guard page.
    char* Room(size_t n) { return base_ + readable_ - n; }
    // A pointer whose first byte cannot be read.
    const char* Unreadable() const { return base_ + readable_; }

private:
    size_t page_ = 4096;
    size_t readable_ = 0;
    char* base_ = nullptr;
};

}  // namespace kxtest
