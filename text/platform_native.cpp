// The native build's system: a Japanese one, whose ANSI code page is 932 (Shift_JIS with the NEC and
// IBM extensions). Its lead bytes are 0x81-0x9F and 0xE0-0xFC, as Windows and Wine answer them; the
// code pages a Japanese system has installed include the other East Asian ones.
//
// Its conversions are the platform's own: native/cp932_answers.exe, run once under Wine, writes what
// MultiByteToWideChar and WideCharToMultiByte answer for every code of the page and every UTF-16
// unit, and this file converts a text code by code from those answers. A text is read as the
// platform reads it: a lead byte takes the byte after it when the pair is one character, and
// otherwise stands alone. The file also holds the platform's conversions of whole mixed texts, which
// native_platform_test compares with these.
#include "text/platform.h"

#include <strings.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "text/platform_native.h"
#include "text/wide_text.h"

#ifndef KX_CP932_ANSWERS
#define KX_CP932_ANSWERS "cp932-answers.bin"
#endif

namespace kx {
namespace platform {

namespace {

const char kMagic[] = "KXCP932 1\n";
const size_t kMagicSize = sizeof kMagic - 1;
const size_t kLeadOffset = kMagicSize;
const size_t kCodeOffset = kLeadOffset + 256;
const size_t kUnitOffset = kCodeOffset + 65536 * 6;
const size_t kSampleOffset = kUnitOffset + 65536 * 4;

struct Answers {
    std::vector<unsigned char> bytes;

    Answers() {
        const char* path = std::getenv("KESTREL_CP932_ANSWERS");
        if (path == nullptr || path[0] == '\0') path = KX_CP932_ANSWERS;
        FILE* f = std::fopen(path, "rb");
        if (f != nullptr) {
            unsigned char block[65536];
            size_t got;
            while ((got = std::fread(block, 1, sizeof block, f)) > 0) bytes.insert(bytes.end(), block, block + got);
            std::fclose(f);
        }
        if (bytes.size() < kSampleOffset + 4 || std::memcmp(bytes.data(), kMagic, kMagicSize) != 0) {
            std::fprintf(stderr,
                         "The code page 932 answers are missing or damaged (%s): scripts/native-test.sh writes "
                         "them under Wine; KESTREL_CP932_ANSWERS names another copy.\n",
                         path);
            std::abort();
        }
    }

    uint32_t Code(uint32_t index, uint32_t* units, bool* valid) const {
        const unsigned char* r = bytes.data() + kCodeOffset + index * 6;
        units[0] = r[2] | r[3] << 8;
        units[1] = r[4] | r[5] << 8;
        *valid = r[1] != 0;
        return r[0];
    }

    uint32_t Unit(uint32_t unit, unsigned char* out) const {
        const unsigned char* r = bytes.data() + kUnitOffset + unit * 4;
        out[0] = r[1];
        out[1] = r[2];
        return r[0];
    }
};

const Answers& Table() {
    static const Answers answers;
    return answers;
}

uint32_t Read16(const unsigned char* p) { return p[0] | p[1] << 8; }
uint32_t Read32(const unsigned char* p) { return Read16(p) | Read16(p + 2) << 16; }

// U+FFFD in UTF-16 and UTF-8: what the platform gives for a broken UTF-8 sequence or a lone surrogate.
const uint32_t kReplacement = 0xFFFD;

// Decodes the UTF-8 sequence that begins with c (already taken) at *p, as the platform's decoder
// does: the number of bytes that follow is known from c alone (none for 0x80-0xC1 and 0xF5-0xFF);
// a sequence cut off by the end of the text is taken whole, and one that goes wrong is taken up to
// the byte that showed it (that byte not included, unless it was the second of four). Returns the
// scalar value, or kBroken for a stretch that becomes one U+FFFD.
const uint32_t kBroken = 0xFFFFFFFF;

uint32_t DecodeUtf8(unsigned char c, const unsigned char** p, const unsigned char* end) {
    static const unsigned char kMask[4] = {0x7F, 0x1F, 0x0F, 0x07};
    const uint32_t length = c < 0xC2 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF5 ? 3 : 0;
    uint32_t value = c & kMask[length];
    if (length == 0) return kBroken;
    if (static_cast<size_t>(end - *p) < length) {
        *p = end;
        return kBroken;
    }
    const unsigned char* q = *p;
    uint32_t i = 0;
    if (length == 3) {
        const uint32_t b = q[i] ^ 0x80u;
        if (b >= 0x40) return kBroken;
        value = value << 6 | b;
        ++*p;
        ++i;
        if (value < 0x10) return kBroken;
    }
    if (length >= 2) {
        const uint32_t b = q[i] ^ 0x80u;
        if (b >= 0x40) return kBroken;
        value = value << 6 | b;
        if (value >= (0x110000 >> 6)) return kBroken;
        ++*p;
        ++i;
        if (value < 0x20) return kBroken;
        if (value >= (0xD800 >> 6) && value <= (0xDFFF >> 6)) return kBroken;
    }
    const uint32_t b = q[i] ^ 0x80u;
    if (b >= 0x40) return kBroken;
    value = value << 6 | b;
    ++*p;
    if (value < 0x80) return kBroken;
    return value;
}

}  // namespace

uint32_t AnsiCodePage() { return 932; }

bool IsCodePageInstalled(uint32_t code_page) {
    return code_page == 932 || code_page == 936 || code_page == 949 || code_page == 950 || code_page == 1252 ||
           code_page == 65001;
}

bool IsLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

int32_t AnsiToUnits(const char* text, int32_t n, wchar_t* out, int32_t capacity, bool strict) {
    if (n <= 0) return 0;
    const Answers& t = Table();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    int32_t k = 0;
    for (int32_t i = 0; i < n;) {
        uint32_t units[2];
        bool valid = false;
        uint32_t count = 0;
        if (IsLeadByte(p[i]) && i + 1 < n) {
            count = t.Code(static_cast<uint32_t>(p[i]) << 8 | p[i + 1], units, &valid);
            if (count == 1) i += 2;
        }
        if (count != 1) count = t.Code(p[i++], units, &valid);
        if (strict && !valid) return 0;
        for (uint32_t j = 0; j < count; ++j) {
            if (k >= capacity) return 0;
            out[k++] = static_cast<wchar_t>(units[j]);
        }
    }
    return k;
}

int32_t UnitsToAnsi(const wchar_t* units, int32_t n, char* out, int32_t capacity) {
    if (n <= 0) return 0;
    const Answers& t = Table();
    int32_t m = 0;
    for (int32_t i = 0; i < n; ++i) {
        unsigned char bytes[2];
        const uint32_t count = t.Unit(static_cast<uint16_t>(units[i]), bytes);
        for (uint32_t j = 0; j < count; ++j) {
            if (m >= capacity) return 0;
            out[m++] = static_cast<char>(bytes[j]);
        }
    }
    return m;
}

int32_t Utf8ToUnits(const char* text, int32_t n, wchar_t* out, int32_t capacity) {
    if (n <= 0) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const unsigned char* end = p + n;
    int32_t k = 0;
    while (p < end) {
        const unsigned char c = *p++;
        uint32_t cp = c < 0x80 ? c : DecodeUtf8(c, &p, end);
        if (cp == kBroken) cp = kReplacement;
        if (cp >= 0x10000) {
            if (k + 2 > capacity) return 0;
            out[k++] = static_cast<wchar_t>(0xD800 | ((cp - 0x10000) >> 10));
            out[k++] = static_cast<wchar_t>(0xDC00 | ((cp - 0x10000) & 0x3FF));
        } else {
            if (k >= capacity) return 0;
            out[k++] = static_cast<wchar_t>(cp);
        }
    }
    return k;
}

int32_t UnitsToUtf8(const wchar_t* units, int32_t n, char* out, int32_t capacity) {
    if (n <= 0) return 0;
    // The platform gives U+FFFD for half of a surrogate pair standing alone; everything else
    // encodes one way only.
    std::vector<wchar_t> whole(units, units + n);
    for (size_t i = 0; i < whole.size(); ++i) {
        const uint32_t u = static_cast<uint16_t>(whole[i]);
        if (u < 0xD800 || u > 0xDFFF) continue;
        const uint32_t next = i + 1 < whole.size() ? static_cast<uint16_t>(whole[i + 1]) : 0;
        if (u <= 0xDBFF && next >= 0xDC00 && next <= 0xDFFF) ++i;
        else whole[i] = static_cast<wchar_t>(kReplacement);
    }
    const int32_t m = WideToUtf8(whole.data(), static_cast<uint32_t>(n), out, static_cast<uint32_t>(capacity));
    return m > 0 ? m : 0;
}

int CompareText(const char* a, const char* b) { return std::strcmp(a, b); }

int CompareTextIgnoringCase(const char* a, const char* b) { return strcasecmp(a, b); }

bool RecordedLeadByte(unsigned char b) { return Table().bytes[kLeadOffset + b] != 0; }

uint32_t RecordedSampleCount() { return Read32(Table().bytes.data() + kSampleOffset); }

bool RecordedSample(uint32_t which, RecordedConversion* sample) {
    const std::vector<unsigned char>& bytes = Table().bytes;
    // Samples are asked for in order: the walk goes on from the one asked for last.
    static uint32_t next = 0;
    static size_t next_at = kSampleOffset + 4;
    if (which < next) {
        next = 0;
        next_at = kSampleOffset + 4;
    }
    size_t at = next_at;
    for (uint32_t i = next;; ++i) {
        if (at + 3 > bytes.size()) return false;
        const uint32_t kind = bytes[at];
        const uint32_t n = Read16(&bytes[at + 1]);
        at += 3;
        const bool units_in = kind == 2 || kind == 4;
        const size_t in_size = n * (units_in ? 2 : 1);
        if (at + in_size + 4 > bytes.size()) return false;
        const size_t answer_at = at + in_size;
        const int32_t answer = static_cast<int32_t>(Read32(&bytes[answer_at]));
        const size_t out_size = static_cast<size_t>(answer > 0 ? answer : 0) * (units_in ? 1 : 2);
        if (answer_at + 4 + out_size > bytes.size()) return false;
        if (i == which) {
            sample->kind = static_cast<ConversionKind>(kind);
            sample->input.clear();
            for (uint32_t j = 0; j < n; ++j)
                sample->input.push_back(units_in ? Read16(&bytes[at + 2 * j]) : bytes[at + j]);
            sample->answer = answer;
            sample->output.clear();
            for (int32_t j = 0; j < answer; ++j)
                sample->output.push_back(units_in ? bytes[answer_at + 4 + j] : Read16(&bytes[answer_at + 4 + 2 * j]));
            next = i + 1;
            next_at = answer_at + 4 + out_size;
            return true;
        }
        at = answer_at + 4 + out_size;
    }
}

}  // namespace platform
}  // namespace kx
