// Shared by the libFuzzer targets: a broken property ends the run the way a sanitizer report does,
// with what was expected on stderr, so libFuzzer keeps the input that broke it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (0)

namespace kxfuzz {

// Takes bytes off the front of the input: the leading bytes steer a target (flags, lengths), the
// rest is its text.
class Input {
public:
    Input(const uint8_t* data, size_t size) : p_(data), n_(size) {}
    uint8_t Byte() {
        if (n_ == 0) return 0;
        --n_;
        return *p_++;
    }
    const uint8_t* Take(size_t k, size_t* got) {
        *got = k < n_ ? k : n_;
        const uint8_t* at = p_;
        p_ += *got;
        n_ -= *got;
        return at;
    }
    const uint8_t* rest() const { return p_; }
    size_t left() const { return n_; }

private:
    const uint8_t* p_;
    size_t n_;
};

}  // namespace kxfuzz
