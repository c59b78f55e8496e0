// Readers of every supported character set.
#include "text/text_reader.h"

#include <windows.h>

#include <cstring>
#include <utility>

#include "text/codepage.h"
#include "text/jis.h"
#include "text/wide_text.h"

namespace kx {

namespace {
// Copies whole characters from w[0, available) to out[*n ..] in one run, until the output limit, a
// CR, an LF when stop_at_lf, or a double-byte character cut by the window's end (or, when
// stop_at_lead_before_cr, one whose second byte is a CR). Answers how many bytes of w were taken;
// the byte that stopped the run is left for the caller.
uint32_t CopyPlainRun(const unsigned char* w, uint32_t available, char* out, uint32_t* n, uint32_t limit,
                      bool stop_at_lf, bool stop_at_lead_before_cr) {
    // The count is kept in a local: stores through out could otherwise alias *n.
    const bool* lead = LeadByteTable();
    uint32_t m = *n;
    uint32_t i = 0;
    while (m < limit && i < available) {
        const unsigned char b = w[i];
        if (b == '\r' || (b == '\n' && stop_at_lf)) break;
        if (lead[b]) {
            if (i + 1 >= available || (stop_at_lead_before_cr && w[i + 1] == '\r')) break;
            out[m++] = static_cast<char>(b);
            out[m++] = static_cast<char>(w[i + 1]);
            i += 2;
        } else {
            out[m++] = static_cast<char>(b);
            ++i;
        }
    }
    *n = m;
    return i;
}

// Writes the UTF-16 form of p[0..length), one well-formed UTF-8 character, to out; answers the
// unit count (2 for a character beyond U+FFFF).
inline uint32_t PutUtf16(const unsigned char* p, uint32_t length, wchar_t* out) {
    uint32_t cp = p[0] & (0xFF >> (length + 1));
    for (uint32_t j = 1; j < length; ++j) cp = (cp << 6) | (p[j] & 0x3F);
    if (cp < 0x10000) {
        out[0] = static_cast<wchar_t>(cp);
        return 1;
    }
    cp -= 0x10000;
    out[0] = static_cast<wchar_t>(0xD800 | (cp >> 10));
    out[1] = static_cast<wchar_t>(0xDC00 | (cp & 0x3FF));
    return 2;
}

// Stands in the internal text for a character that could not be decoded.
const unsigned char kReplacement = '?';
}  // namespace

// ---- TextReader ----

int32_t TextReader::Block(char* buffer, uint32_t size, bool one_line) {
    if (buffer == nullptr || size < kMinReadBuffer) return -1;
    int32_t n = failed_ ? -1 : Produce(buffer, size, one_line);
    if (n < 0) {
        failed_ = true;
        buffer[0] = '\0';
        return -1;
    }
    buffer[n] = '\0';
    if (!has_nul_ && std::memchr(buffer, 0, static_cast<size_t>(n)) != nullptr) has_nul_ = true;
    return n;
}

bool TextReader::ReadAll(kxlib::string* text) {
    char block[4096];
    int32_t n;
    while ((n = Read(block, sizeof block)) > 0) {
        // The string grows exactly as asked; growing it geometrically here keeps a text longer than
        // what the caller reserved from costing a copy per block.
        const uint32_t needed = text->length() + static_cast<uint32_t>(n) + 1;
        if (text->capacity() < needed) text->reserve(needed < 0x40000000u ? 2 * needed : needed);
        text->append_bytes(block, static_cast<uint32_t>(n));
    }
    return n == 0 && !failed_;
}

// ---- ByteStreamReader, WordStreamReader ----

ByteStreamReader::ByteStreamReader(FileStream file, FileHead head)
    : file_(std::move(file)), buffer_(std::move(head.bytes)), count_(head.count) {
    if (!buffer_) {
        buffer_.reset(new unsigned char[kStreamBlock]);
        Refill();
    } else {
        last_ = count_ < kStreamBlock;
    }
}

bool ByteStreamReader::Refill() {
    index_ = 0;
    count_ = 0;
    if (!last_) {
        bool failed = false;
        count_ = file_.ReadBlock(buffer_.get(), kStreamBlock, &failed);
        if (failed) MarkFailed();
        // A short block is the file's last: the end need not be asked for with one more read.
        last_ = count_ < kStreamBlock;
    }
    if (count_ == 0) end_ = true;
    return count_ > 0;
}

WordStreamReader::WordStreamReader(FileStream file, FileHead head)
    : file_(std::move(file)), units_(new uint16_t[kStreamBlock / 2]), raw_(std::move(head.bytes)) {
    if (!raw_) {
        raw_.reset(new unsigned char[kStreamBlock]);
        Refill();
    } else {
        TakeUnits(head.count);
        last_ = head.count < kStreamBlock;
        if (count_ == 0) Refill();
    }
}

void WordStreamReader::TakeUnits(uint32_t have) {
    index_ = 0;
    count_ = have / 2;
    const unsigned char* raw = raw_.get();
    uint16_t* units = units_.get();
    for (uint32_t i = 0; i < count_; ++i) units[i] = static_cast<uint16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
    carry_ = (have & 1) != 0;
    if (carry_) raw_[0] = raw_[have - 1];
}

bool WordStreamReader::Refill() {
    index_ = 0;
    count_ = 0;
    while (!last_) {
        const uint32_t kept = carry_ ? 1 : 0;
        bool failed = false;
        const uint32_t got = file_.ReadBlock(raw_.get() + kept, kStreamBlock - kept, &failed);
        if (failed) MarkFailed();
        // A short block is the file's last: the end need not be asked for with one more read.
        last_ = got < kStreamBlock - kept;
        TakeUnits(kept + got);
        if (count_ > 0) return true;
    }
    if (carry_) MarkLossy();  // an odd last byte belongs to no unit
    carry_ = false;
    end_ = true;
    return false;
}

// ---- TextModeReader ----

unsigned char TextModeReader::Unit() {
    unsigned char c = Get();
    if (c == '\r' && Peek() == '\n') {
        Skip();
        return '\n';
    }
    return c;
}

int32_t TextModeReader::Produce(char* out, uint32_t size, bool one_line) {
    const uint32_t limit = size - 2;
    uint32_t n = 0;
    while (n < limit && More()) {
        // Characters without a CR and within the buffer are copied in one run; the rest one by one.
        uint32_t available;
        const unsigned char* w = Window(&available);
        Advance(CopyPlainRun(w, available, out, &n, limit, one_line, true));
        if (!(n < limit && More())) break;
        unsigned char c = Unit();
        out[n++] = static_cast<char>(c);
        if (IsLeadByte(c)) {
            if (More()) out[n++] = static_cast<char>(Unit());
        } else if (c == '\n' && one_line) {
            break;
        }
    }
    return static_cast<int32_t>(n);
}

// ---- CodePageReader ----

int32_t CodePageReader::Produce(char* out, uint32_t size, bool one_line) {
    const uint32_t limit = size - 2;
    uint32_t n = 0;
    while (n < limit && More()) {
        // Characters without a line break and within the buffer are copied in one run.
        uint32_t available;
        const unsigned char* w = Window(&available);
        Advance(CopyPlainRun(w, available, out, &n, limit, true, false));
        if (!(n < limit && More())) break;
        unsigned char c = Get();
        if (c == '\r' || c == '\n') {
            EndOfLine(c);
            out[n++] = '\n';
            if (one_line) break;
            continue;
        }
        out[n++] = static_cast<char>(c);
        if (IsLeadByte(c) && More()) out[n++] = static_cast<char>(Get());
    }
    return static_cast<int32_t>(n);
}

// ---- EucJpReader ----

int32_t EucJpReader::Produce(char* out, uint32_t size, bool one_line) {
    const uint32_t limit = size - 2;
    uint32_t n = 0;
    while (n < limit && More()) {
        // ASCII other than line breaks, JIS X 0208 pairs and half-width katakana whose bytes lie in the
        // buffer are taken in one run; anything else one by one below.
        uint32_t available;
        const unsigned char* w = Window(&available);
        uint32_t i = 0;
        while (n < limit && i < available) {
            const unsigned char b = w[i];
            if (b < 0x80) {
                if (b == '\r' || b == '\n') break;
                out[n++] = static_cast<char>(b);
                ++i;
                continue;
            }
            if (i + 1 >= available) break;
            const unsigned char next = w[i + 1];
            if (b >= 0xA1 && b <= 0xFE && next >= 0xA1 && next <= 0xFE) {
                BytePair p = JisToSjis((b & 0x7F) - 0x20, (next & 0x7F) - 0x20);
                out[n++] = static_cast<char>(p.first);
                out[n++] = static_cast<char>(p.second);
            } else if (b == 0x8E && next >= 0xA1 && next <= 0xDF) {
                out[n++] = static_cast<char>(next);
            } else {
                break;
            }
            i += 2;
        }
        Advance(i);
        if (!(n < limit && More())) break;
        unsigned char c = Get();
        if (c == '\r' || c == '\n') {
            EndOfLine(c);
            out[n++] = '\n';
            if (one_line) break;
            continue;
        }
        if (c < 0x80) {
            out[n++] = static_cast<char>(c);
            continue;
        }
        int next = Peek();
        if (c == 0x8E && next >= 0xA1 && next <= 0xDF) {  // half-width katakana
            Skip();
            out[n++] = static_cast<char>(next);
            continue;
        }
        if (c >= 0xA1 && c <= 0xFE && next >= 0xA1 && next <= 0xFE) {
            Skip();
            BytePair s = JisToSjis((c & 0x7F) - 0x20, (next & 0x7F) - 0x20);
            out[n++] = static_cast<char>(s.first);
            out[n++] = static_cast<char>(s.second);
            continue;
        }
        if (c == 0x8F) {
            // A JIS X 0212 character: its two bytes are taken, the character has no Shift_JIS form.
            for (int i = 0; i < 2; ++i) {
                int b = Peek();
                if (b < 0xA1 || b > 0xFE) break;
                Skip();
            }
        }
        // Any other byte, or a pair broken off by a line break, an ASCII byte or the end: the byte
        // is replaced and what follows is read afresh.
        MarkLossy();
        out[n++] = static_cast<char>(kReplacement);
    }
    return static_cast<int32_t>(n);
}

// ---- JisReader ----

void JisReader::Escape() {
    int a = Peek();
    if (a == '(' || a == '$') {
        Skip();
        int b = Peek();
        if (a == '(' && (b == 'B' || b == 'J')) {
            Skip();
            double_byte_ = false;
            return;
        }
        if (a == '$' && (b == '@' || b == 'B')) {
            Skip();
            double_byte_ = true;
            return;
        }
    }
    // An escape sequence for a set this reader does not know: what follows cannot be decoded.
    MarkLossy();
}

int32_t JisReader::Produce(char* out, uint32_t size, bool one_line) {
    const uint32_t limit = size - 2;
    uint32_t n = 0;
    while (n < limit && More()) {
        // Plain single bytes, or whole pairs in double-byte mode, that lie in the buffer are taken in
        // one run; line breaks, escapes and anything else one by one below.
        uint32_t available;
        const unsigned char* w = Window(&available);
        uint32_t i = 0;
        if (double_byte_) {
            while (n < limit && i + 1 < available && IsJisPair(w[i], w[i + 1])) {
                BytePair p = JisToSjis(w[i] - 0x20, w[i + 1] - 0x20);
                out[n++] = static_cast<char>(p.first);
                out[n++] = static_cast<char>(p.second);
                i += 2;
            }
        } else {
            while (n < limit && i < available) {
                const unsigned char b = w[i];
                if (b == '\r' || b == '\n' || b == 0x1B || !(b < 0x80 || (b >= 0xA1 && b <= 0xDF))) break;
                out[n++] = static_cast<char>(b);
                ++i;
            }
        }
        Advance(i);
        if (!(n < limit && More())) break;
        unsigned char c = Get();
        if (c == '\r' || c == '\n') {
            double_byte_ = false;
            EndOfLine(c);
            out[n++] = '\n';
            if (one_line) break;
            continue;
        }
        if (c == 0x1B) {
            Escape();
            continue;
        }
        if (!double_byte_) {
            // Single bytes: ASCII, and the eight-bit half-width katakana that JisWriter leaves as they are.
            if (c < 0x80 || (c >= 0xA1 && c <= 0xDF)) {
                out[n++] = static_cast<char>(c);
            } else {
                MarkLossy();
                out[n++] = static_cast<char>(kReplacement);
            }
            continue;
        }
        int next = Peek();
        if (next >= 0 && IsJisPair(c, static_cast<unsigned char>(next))) {
            Skip();
            BytePair s = JisToSjis(c - 0x20, next - 0x20);
            out[n++] = static_cast<char>(s.first);
            out[n++] = static_cast<char>(s.second);
        } else {
            MarkLossy();
            out[n++] = static_cast<char>(kReplacement);
        }
    }
    return static_cast<int32_t>(n);
}

// ---- Utf8Reader ----

Utf8Reader::Utf8Reader(FileStream file, FileHead head) : ByteStreamReader(std::move(file), std::move(head)) {
    // A byte-order mark is skipped; nothing else is.
    static const unsigned char kMark[3] = {0xEF, 0xBB, 0xBF};
    if (Ahead(kMark, 3))
        for (int i = 0; i < 3; ++i) Skip();
}

int32_t Utf8Reader::Produce(char* out, uint32_t size, bool one_line) {
    // The bytes taken are decoded to UTF-16 as they are taken; only a block holding a broken
    // sequence is decoded again, whole, by Utf8ToWide (whose replacement of broken sequences is the
    // platform's).
    bytes_.resize(size);
    units_.resize(size);
    unsigned char* bytes = bytes_.data();
    wchar_t* units = units_.data();
    const uint32_t limit = size - 2;
    uint32_t n = 0;
    uint32_t u = 0;
    bool broken = false;
    while (n < limit && More()) {
        // Characters without a line break whose bytes all lie in the buffer are taken in one run.
        uint32_t available;
        const unsigned char* w = Window(&available);
        uint32_t i = 0;
        while (n < limit && i < available) {
            const unsigned char b = w[i];
            if (b < 0x80) {
                if (b == '\r' || b == '\n') break;
                bytes[n++] = b;
                units[u++] = b;
                ++i;
                continue;
            }
            const uint32_t length = static_cast<uint32_t>(Utf8SequenceLength(b));
            if (n + length > size - 1 || i + length > available) break;
            const uint32_t start = n;
            bytes[n++] = b;
            ++i;
            for (uint32_t k = 1; k < length && w[i] >= 0x80 && w[i] <= 0xBF; ++k) bytes[n++] = w[i++];
            if (IsUtf8Character(bytes + start, n - start)) {
                u += PutUtf16(bytes + start, n - start, units + u);
            } else {
                MarkLossy();
                broken = true;
            }
        }
        Advance(i);
        if (!(n < limit && More())) break;
        int c = Peek();
        if (c == '\r' || c == '\n') {
            Skip();
            EndOfLine(static_cast<unsigned char>(c));
            bytes[n++] = '\n';
            units[u++] = L'\n';
            if (one_line) break;
            continue;
        }
        if (c < 0x80) {
            Skip();
            bytes[n++] = static_cast<unsigned char>(c);
            units[u++] = static_cast<wchar_t>(c);
            continue;
        }
        // A sequence is taken whole: left for the next block when it might not fit before the NUL.
        uint32_t length = static_cast<uint32_t>(Utf8SequenceLength(static_cast<unsigned char>(c)));
        if (n + length > size - 1) break;
        const uint32_t start = n;
        Skip();
        bytes[n++] = static_cast<unsigned char>(c);
        for (uint32_t k = 1; k < length; ++k) {
            int d = Peek();
            if (d < 0x80 || d > 0xBF) break;  // a broken sequence ends at the first byte that cannot continue it
            Skip();
            bytes[n++] = static_cast<unsigned char>(d);
        }
        if (IsUtf8Character(bytes + start, n - start)) {
            u += PutUtf16(bytes + start, n - start, units + u);
        } else {
            MarkLossy();
            broken = true;
        }
    }
    if (n == 0) return 0;
    int k = broken ? Utf8ToWide(bytes, n, units, n) : static_cast<int>(u);
    if (k <= 0) return -1;
    bool lost = false;
    int32_t m = WideToAnsi(units, static_cast<uint32_t>(k), out, size - 1, &lost, &scratch_);
    if (lost) MarkLossy();
    return m;
}

// ---- Utf16Reader ----

Utf16Reader::Utf16Reader(FileStream file, FileHead head, bool big_endian)
    : WordStreamReader(std::move(file), std::move(head)), big_endian_(big_endian) {
    int32_t first = Peek();
    if (first == 0xFEFF || first == 0xFFFE) {
        big_endian_ = first == 0xFFFE;  // the bytes FE FF
        Skip();
    }
}

int32_t Utf16Reader::Produce(char* out, uint32_t size, bool one_line) {
    const uint32_t limit = (size - 1) / 2 - 2;
    units_.resize(limit + 1);
    wchar_t* units = units_.data();
    uint32_t n = 0;
    while (n < limit && More()) {
        // Units other than line breaks and surrogates that lie in the buffer are taken in one run.
        uint32_t available;
        const uint16_t* w = Window(&available);
        uint32_t i = 0;
        while (n < limit && i < available) {
            const uint16_t u = Order(w[i]);
            if (u == 0x0D || u == 0x0A || (u >= 0xD800 && u <= 0xDFFF)) break;
            units[n++] = u;
            ++i;
        }
        Advance(i);
        if (!(n < limit && More())) break;
        uint16_t u = Order(Get());
        if (u == 0x0D || u == 0x0A) {
            if (u == 0x0D && Peek() >= 0 && Order(static_cast<uint32_t>(Peek())) == 0x0A) Skip();
            units[n++] = 0x0A;
            if (one_line) break;
            continue;
        }
        units[n++] = u;
        if (u >= 0xD800 && u <= 0xDBFF && Peek() >= 0) {
            uint16_t v = Order(static_cast<uint32_t>(Peek()));
            if (v >= 0xDC00 && v <= 0xDFFF) {
                Skip();
                units[n++] = v;
            }
        }
    }
    if (n == 0) return 0;
    bool lost = false;
    int32_t m = WideToAnsi(units, n, out, size - 1, &lost, &scratch_);
    if (lost) MarkLossy();
    return m;
}

}  // namespace kx
