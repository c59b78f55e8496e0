// Hostile-input support: a seeded generator of random and mutated byte strings, reproducible from
// (seed, index), and the run sizes of the default and the long run.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace kxtest {

// SplitMix64: small, fast, and the same sequence on every platform for a given seed.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, n); n > 0.
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    unsigned char Byte() { return static_cast<unsigned char>(Next()); }

private:
    uint64_t state_;
};

// The base seed: KESTREL_FUZZ_SEED when set, else a fixed value, so every run tries the same inputs.
inline uint64_t FuzzSeed() {
    const char* s = std::getenv("KESTREL_FUZZ_SEED");
    return s && *s ? std::strtoull(s, nullptr, 0) : 0x4B657374726C31ull;
}

// How many times the default number of inputs to try: 10 in the long run (KESTREL_LONG_FUZZ=1),
// or KESTREL_FUZZ_SCALE when given.
inline uint32_t FuzzScale() {
    const char* scale = std::getenv("KESTREL_FUZZ_SCALE");
    if (scale && *scale) return static_cast<uint32_t>(std::strtoul(scale, nullptr, 10));
    const char* long_run = std::getenv("KESTREL_LONG_FUZZ");
    return long_run && *long_run && *long_run != '0' ? 10 : 1;
}

// Bytes that steer the code under test: line breaks, escapes, the backslash that can be a trail byte,
// lead bytes, single shifts, byte-order-mark bytes, the bytes Shift_JIS never starts with.
inline unsigned char InterestingByte(Random& r) {
    static const unsigned char kBytes[] = {0x00, 0x0A, 0x0D, 0x1B, 0x24, 0x28, 0x29, 0x40, 0x41, 0x42, 0x43, 0x4A, 0x5C,
                                           0x22, 0x20, 0x2C, 0x2D, 0x7F, 0x80, 0x81, 0x82, 0x8E, 0x8F, 0x9F, 0xA0, 0xA1,
                                           0xBF, 0xC0, 0xDF, 0xE0, 0xEF, 0xF0, 0xF8, 0xFA, 0xFC, 0xFD, 0xFE, 0xFF};
    return kBytes[r.Below(sizeof kBytes)];
}

// A random byte string of up to max_length bytes, short ones more often; mostly interesting bytes or
// mostly any bytes, chosen per string.
inline std::string RandomBytes(Random& r, uint32_t max_length) {
    uint32_t n = r.Below(4) == 0 ? r.Below(max_length + 1) : r.Below(max_length / 16 + 2);
    bool interesting = r.OneIn(2);
    std::string s(n, '\0');
    for (uint32_t i = 0; i < n; ++i)
        s[i] = static_cast<char>(interesting && !r.OneIn(4) ? InterestingByte(r) : r.Byte());
    return s;
}

// One to four random edits of a seed text: flipped or replaced bytes, inserted interesting bytes,
// deleted or repeated ranges, a splice from another seed, a cut.
inline std::string Mutate(Random& r, const std::string& seed, const std::vector<std::string>& others,
                          uint32_t max_length) {
    std::string s = seed;
    uint32_t edits = 1 + r.Below(4);
    for (uint32_t e = 0; e < edits; ++e) {
        uint32_t n = static_cast<uint32_t>(s.size());
        uint32_t at = n ? r.Below(n) : 0;
        switch (r.Below(7)) {
            case 0:
                if (n) s[at] = static_cast<char>(s[at] ^ (1 << r.Below(8)));
                break;
            case 1:
                if (n) s[at] = static_cast<char>(InterestingByte(r));
                break;
            case 2:
                s.insert(s.begin() + at, static_cast<char>(InterestingByte(r)));
                break;
            case 3:
                if (n) s.erase(at, 1 + r.Below(n - at));
                break;
            case 4:
                if (n) s.insert(at, s.substr(at, 1 + r.Below(16)));
                break;
            case 5:
                if (!others.empty()) {
                    const std::string& o = others[r.Below(static_cast<uint32_t>(others.size()))];
                    if (!o.empty()) {
                        uint32_t from = r.Below(static_cast<uint32_t>(o.size()));
                        s.insert(at, o.substr(from, 1 + r.Below(64)));
                    }
                }
                break;
            default:
                if (n) s.resize(at);
                break;
        }
    }
    if (s.size() > max_length) s.resize(max_length);
    return s;
}

// Input number index of a stream: random or a mutation of one of the seeds, the same for the same
// (seed, index) on every run.
inline std::string HostileInput(uint64_t seed, uint64_t index, const std::vector<std::string>& seeds,
                                uint32_t max_length) {
    Random r(seed ^ (index * 0xD1B54A32D192ED03ull));
    if (seeds.empty() || r.OneIn(3)) return RandomBytes(r, max_length);
    const std::string& base = seeds[r.Below(static_cast<uint32_t>(seeds.size()))];
    return Mutate(r, base, seeds, max_length);
}

// Printable form of an input for a failure message.
inline std::string Escaped(const std::string& bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back(static_cast<char>(c));
        } else {
            out += "\\x";
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

}  // namespace kxtest
