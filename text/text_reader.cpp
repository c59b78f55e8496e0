// Readers of every supported character set.
//
// Every reader's Produce has the same shape: a fast run, then a slow step, repeated until the block
// is full or the file ends.
//   - The fast run works on Window(), the bytes left in the buffer, without refilling it: it takes the
//     characters that lie whole in the window and need no state (ASCII, double-byte pairs, line breaks
//     folded to LF, the common UTF-8 and UTF-16 forms) straight from the buffer, and stops at the first
//     byte it cannot decide on its own: a character cut by the window's end, a CR that ends the window
//     (its LF may start the next block), an escape or shift of ISO-2022-JP, a character the code page
//     lacks, an ill-formed sequence. Advance() then moves past what it took.
//   - The slow step takes that one character through Get()/Unit(), which refill the buffer as needed,
//     with the full rules: line-break pairs across blocks, stand-in codes, the lossy and NUL marks.
// The two give the same text for the same bytes; the fast run exists only because most text is the
// easy kind, and it never takes a byte the slow step would read differently. The runs are written out
// per reader rather than shared as a template, so that each inner loop stays as plain as its character
// set allows.
#include "text/text_reader.h"

#include <cstring>
#include <utility>

#include "text/charset.h"
#include "text/codepage.h"
#include "text/jis.h"
#include "text/wide_text.h"

namespace kx {

namespace {
// What a run of CopyPlainRun does at a line break.
enum class RunBreaks {
    kStop,      // stops at every CR and LF
    kTextMode,  // CR LF becomes LF; a lone CR or LF stays as it is
    kFold,      // CR LF, CR and LF each become one LF
};

// Copies whole characters from w[0, available) to out[*n ..] in one run, until the output limit, a
// line break the run does not take (see RunBreaks; a CR that ends the window is always left), a
// double-byte character cut by the window's end, or a lead byte followed by a CR or an LF (no
// character: the caller marks it). Answers how many bytes of w were taken; the byte that stopped the
// run is left for the caller.
uint32_t CopyPlainRun(const unsigned char* w, uint32_t available, char* out, uint32_t* n, uint32_t limit,
                      RunBreaks breaks) {
    // The count is kept in a local: stores through out could otherwise alias *n.
    const bool* lead = LeadByteTable();
    uint32_t m = *n;
    uint32_t i = 0;
    while (m < limit && i < available) {
        const unsigned char b = w[i];
        if (lead[b]) {
            if (i + 1 >= available || w[i + 1] == '\r' || w[i + 1] == '\n') break;
            out[m++] = static_cast<char>(b);
            out[m++] = static_cast<char>(w[i + 1]);
            i += 2;
            continue;
        }
        if (b == '\r' || b == '\n') {
            if (breaks == RunBreaks::kStop) break;
            if (b == '\r') {
                if (i + 1 >= available) break;  // its LF may start the next block
                if (w[i + 1] == '\n') {
                    out[m++] = '\n';
                    i += 2;
                    continue;
                }
                out[m++] = breaks == RunBreaks::kFold ? '\n' : '\r';
                ++i;
                continue;
            }
        }
        out[m++] = static_cast<char>(b);
        ++i;
    }
    *n = m;
    return i;
}

// For a run that folds line breaks: the CR, LF or CR LF at w[*i] becomes one LF at out[*m], and both
// move past it. False when the run stops there instead (reading one line, or a CR whose LF may start
// the next block).
inline bool FoldLineBreak(const unsigned char* w, uint32_t* i, uint32_t available, bool one_line, char* out,
                          uint32_t* m) {
    if (one_line) return false;
    uint32_t k = 1;
    if (w[*i] == '\r') {
        if (*i + 1 >= available) return false;
        if (w[*i + 1] == '\n') k = 2;
    }
    out[(*m)++] = '\n';
    *i += k;
    return true;
}

// Puts the ANSI form of p[0..length), one well-formed UTF-8 character, at out[*m ..] by the
// conversion table. False when the table cannot answer alone (a character beyond U+FFFF, a unit
// left to the platform); *inexact is set for a character without an exact form.
inline bool PutAnsi(const unsigned char* p, uint32_t length, const uint32_t* table, char* out, uint32_t* m,
                    bool* inexact) {
    if (length > 3) return false;
    uint32_t cp = p[0] & (0xFF >> (length + 1));
    for (uint32_t j = 1; j < length; ++j) cp = (cp << 6) | (p[j] & 0x3F);
    const uint32_t entry = table[cp];
    const uint32_t bytes = UnitAnsiLength(entry);
    if (bytes == 0) return false;
    out[(*m)++] = static_cast<char>(entry & 0xFF);
    if (bytes == 2) out[(*m)++] = static_cast<char>((entry >> 8) & 0xFF);
    if (!UnitAnsiExact(entry)) *inexact = true;
    return true;
}

// True when p[0..n) holds a zero byte; eight bytes at a time (every block read is looked through).
bool HasZeroByte(const char* p, uint32_t n) {
    const uint64_t kOnes = 0x0101010101010101ull, kHighs = 0x8080808080808080ull;
    uint32_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t v;
        std::memcpy(&v, p + i, 8);
        if ((v - kOnes) & ~v & kHighs) return true;
    }
    for (; i < n; ++i)
        if (p[i] == '\0') return true;
    return false;
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
    if (!has_nul_ && HasZeroByte(buffer, static_cast<uint32_t>(n))) has_nul_ = true;
    return n;
}

void TextReader::PutStandIn(uint32_t cp, char* out, uint32_t* m) {
    if (stand_ins_->Put(cp, out, m)) return;
    MarkLossy();
    out[(*m)++] = static_cast<char>(kReplacement);
}

bool TextReader::ReadAll(kxlib::string* text) {
    // Each block is decoded straight into the end of the text: into the room the caller reserved
    // while there is some, else into room that grows by half again.
    const uint32_t kBlock = 65536, kLeast = 4096;
    int32_t n;
    do {
        const uint32_t room = text->capacity() - text->length() - 1;
        const uint32_t ask = room >= kLeast ? (room < kBlock ? room : kBlock) : kBlock;
        char* at = text->append_space(ask);
        n = Read(at, ask + 1);
        if (n > 0) text->extend(static_cast<uint32_t>(n));
    } while (n > 0);
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
        // Characters within the buffer, with CR LF pairs made LF, are copied in one run; the rest one
        // by one.
        uint32_t available;
        const unsigned char* w = Window(&available);
        Advance(CopyPlainRun(w, available, out, &n, limit, one_line ? RunBreaks::kStop : RunBreaks::kTextMode));
        if (!(n < limit && More())) break;
        unsigned char c = Unit();
        out[n++] = static_cast<char>(c);
        if (IsLeadByte(c)) {
            if (More()) out[n++] = SecondByte(Unit());
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
        // Characters within the buffer, with line breaks folded to LF, are copied in one run.
        uint32_t available;
        const unsigned char* w = Window(&available);
        Advance(CopyPlainRun(w, available, out, &n, limit, one_line ? RunBreaks::kStop : RunBreaks::kFold));
        if (!(n < limit && More())) break;
        unsigned char c = Get();
        if (c == '\r' || c == '\n') {
            EndOfLine(c);
            out[n++] = '\n';
            if (one_line) break;
            continue;
        }
        out[n++] = static_cast<char>(c);
        if (IsLeadByte(c) && More()) out[n++] = SecondByte(Get());
    }
    return static_cast<int32_t>(n);
}

// ---- EucJpReader ----

int32_t EucJpReader::Produce(char* out, uint32_t size, bool one_line) {
    const uint32_t limit = size - 2;
    uint32_t n = 0;
    while (n < limit && More()) {
        // ASCII, line breaks (folded to LF), JIS X 0208 pairs and half-width katakana whose bytes lie in
        // the buffer are taken in one run; anything else one by one below.
        uint32_t available;
        const unsigned char* w = Window(&available);
        uint32_t i = 0;
        while (n < limit && i < available) {
            const unsigned char b = w[i];
            if (b < 0x80) {
                if (b == '\r' || b == '\n') {
                    if (!FoldLineBreak(w, &i, available, one_line, out, &n)) break;
                    continue;
                }
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
            // With stand-in codes it is kept as one, under the key 0x8F and its two bytes.
            uint32_t key = 0x8F;
            for (int i = 0; i < 2; ++i) {
                int b = Peek();
                if (b < 0xA1 || b > 0xFE) break;
                Skip();
                key = key << 8 | static_cast<uint32_t>(b);
            }
            if (stand_ins_ && key > 0xFFFF) {
                PutStandIn(key, out, &n);
                continue;
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
        // Plain single bytes and line breaks (folded to LF), or whole pairs in double-byte mode, that lie
        // in the buffer are taken in one run; escapes and anything else one by one below.
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
                if (b == '\r' || b == '\n') {
                    // Single-byte mode already, which a line break would select.
                    if (!FoldLineBreak(w, &i, available, one_line, out, &n)) break;
                    continue;
                }
                if (b == 0x1B || !(b < 0x80 || (b >= 0xA1 && b <= 0xDF))) break;
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
    // Characters are converted to the ANSI code page by the conversion table as they are taken
    // (never to more bytes than their UTF-8 form). From the first one the table cannot answer alone
    // (a broken sequence, a character beyond U+FFFF, a unit left to the platform) the rest of the
    // block goes through UTF-16 (Utf8ToWide, WideToAnsi), whose replacement of broken sequences is
    // the platform's; with stand-in codes only a broken sequence does, and the text is lossy then.
    // With stand-in codes the table answers only exact characters outside the user-defined area:
    // every other character comes one by one below and is put through them.
    const uint32_t* table = stand_ins_ ? ExactUnitAnsiTable() : UnitAnsiTable();
    const uint32_t limit = size - 2;
    uint32_t n = 0;  // bytes taken
    uint32_t m = 0;  // bytes put out
    bool inexact = false;
    unsigned char* pending = nullptr;  // bytes of the character that needs UTF-16, when one came up
    uint32_t pending_length = 0;
    while (n < limit && More() && pending == nullptr) {
        // The characters whose bytes all lie in the buffer are taken in one run, line breaks folded.
        uint32_t available;
        const unsigned char* w = Window(&available);
        uint32_t i = 0;
        while (n + i < limit && i < available) {
            const unsigned char b = w[i];
            uint32_t cp, length;
            if (b < 0x80) {
                if (b == '\r' || b == '\n') {
                    if (!FoldLineBreak(w, &i, available, one_line, out, &m)) break;
                    continue;
                }
                out[m++] = static_cast<char>(b);
                ++i;
                continue;
            } else if ((b & 0xF0) == 0xE0) {
                if (i + 2 >= available) break;
                if ((w[i + 1] & 0xC0) != 0x80 || (w[i + 2] & 0xC0) != 0x80) break;
                cp = (b & 0x0Fu) << 12 | (w[i + 1] & 0x3Fu) << 6 | (w[i + 2] & 0x3Fu);
                if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)) break;
                length = 3;
            } else if ((b & 0xE0) == 0xC0) {
                if (i + 1 >= available || (w[i + 1] & 0xC0) != 0x80) break;
                cp = (b & 0x1Fu) << 6 | (w[i + 1] & 0x3Fu);
                if (cp < 0x80) break;
                length = 2;
            } else {
                break;
            }
            const uint32_t entry = table[cp];
            const uint32_t bytes = UnitAnsiLength(entry);
            if (bytes == 0) {
                // With stand-in codes the character gets one here (two bytes for two or three).
                if (stand_ins_ == nullptr || !stand_ins_->Put(cp, out, &m)) break;
                i += length;
                continue;
            }
            out[m] = static_cast<char>(entry & 0xFF);
            out[m + 1] = static_cast<char>((entry >> 8) & 0xFF);
            m += bytes;
            if (!UnitAnsiExact(entry)) inexact = true;
            i += length;
        }
        Advance(i);
        n += i;
        if (!(n < limit && More())) break;
        // One character by itself: a line break or a sequence that may cross the buffer's end, or
        // one the run above left.
        int c = Peek();
        if (c == '\r' || c == '\n') {
            Skip();
            EndOfLine(static_cast<unsigned char>(c));
            ++n;
            out[m++] = '\n';
            if (one_line) break;
            continue;
        }
        if (c < 0x80) {
            Skip();
            ++n;
            out[m++] = static_cast<char>(c);
            continue;
        }
        // A sequence is taken whole: left for the next block when it might not fit before the NUL.
        const uint32_t length = static_cast<uint32_t>(Utf8SequenceLength(static_cast<unsigned char>(c)));
        if (n + length > size - 1) break;
        bytes_.resize(size);
        unsigned char* seq = bytes_.data();
        uint32_t got = 0;
        Skip();
        seq[got++] = static_cast<unsigned char>(c);
        for (uint32_t k = 1; k < length; ++k) {
            int d = Peek();
            if (d < 0x80 || d > 0xBF) break;  // a broken sequence ends at the first byte that cannot continue it
            Skip();
            seq[got++] = static_cast<unsigned char>(d);
        }
        n += got;
        const bool well_formed = IsUtf8Character(seq, got);
        if (well_formed && PutAnsi(seq, got, table, out, &m, &inexact)) continue;
        if (well_formed && stand_ins_) {
            // Never more bytes than the sequence: two for two, three or four.
            uint32_t cp = seq[0] & (0xFF >> (got + 1));
            for (uint32_t j = 1; j < got; ++j) cp = (cp << 6) | (seq[j] & 0x3F);
            PutStandIn(cp, out, &m);
            continue;
        }
        pending = seq;
        pending_length = got;
    }
    if (inexact) MarkLossy();
    if (pending == nullptr) return static_cast<int32_t>(m);
    uint32_t held = pending_length;
    int32_t rest = ProduceThroughUnits(out + m, size - 1 - m, &held, limit - (n - pending_length), one_line);
    return rest < 0 ? -1 : static_cast<int32_t>(m) + rest;
}

int32_t Utf8Reader::ProduceThroughUnits(char* out, uint32_t capacity, uint32_t* held, uint32_t limit, bool one_line) {
    bytes_.resize(limit + 2);
    unsigned char* bytes = bytes_.data();
    uint32_t n = *held;
    if (!IsUtf8Character(bytes, n)) MarkLossy();
    while (n < limit && More()) {
        int c = Peek();
        if (c == '\r' || c == '\n') {
            Skip();
            EndOfLine(static_cast<unsigned char>(c));
            bytes[n++] = '\n';
            if (one_line) break;
            continue;
        }
        if (c < 0x80) {
            Skip();
            bytes[n++] = static_cast<unsigned char>(c);
            continue;
        }
        const uint32_t length = static_cast<uint32_t>(Utf8SequenceLength(static_cast<unsigned char>(c)));
        if (n + length > limit + 1) break;
        const uint32_t start = n;
        Skip();
        bytes[n++] = static_cast<unsigned char>(c);
        for (uint32_t k = 1; k < length; ++k) {
            int d = Peek();
            if (d < 0x80 || d > 0xBF) break;
            Skip();
            bytes[n++] = static_cast<unsigned char>(d);
        }
        if (!IsUtf8Character(bytes + start, n - start)) MarkLossy();
    }
    *held = n;
    units_.resize(n);
    int k = Utf8ToWide(bytes, n, units_.data(), n);
    if (k <= 0) return -1;
    bool lost = false;
    int32_t r = WideToAnsi(units_.data(), static_cast<uint32_t>(k), out, capacity, &lost, &scratch_);
    if (lost) MarkLossy();
    return r;
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
    // Each unit is converted to the ANSI code page by the conversion table as it is taken (at most two
    // bytes). The units are kept as well: a block holding a surrogate or a unit the table leaves to
    // the platform is converted again whole by WideToAnsi.
    const uint32_t limit = (size - 1) / 2 - 2;
    units_.resize(limit + 1);
    wchar_t* units = units_.data();
    const uint32_t* table = stand_ins_ ? ExactUnitAnsiTable() : UnitAnsiTable();
    const bool swap = big_endian_;
    uint32_t n = 0;  // units taken
    uint32_t m = 0;  // bytes put out
    bool again = false, inexact = false;
    auto put = [&](uint16_t u) {
        units[n++] = u;
        const uint32_t entry = table[u];
        const uint32_t bytes = UnitAnsiLength(entry);
        if (bytes == 0) {
            // With stand-in codes the unit gets one here; else the block goes to the platform.
            if (stand_ins_ == nullptr || !stand_ins_->Put(u, out, &m)) again = true;
            return;
        }
        // Both bytes are stored, the second overwritten by what follows when the form has one.
        out[m] = static_cast<char>(entry & 0xFF);
        out[m + 1] = static_cast<char>((entry >> 8) & 0xFF);
        m += bytes;
        if (!UnitAnsiExact(entry)) inexact = true;
    };
    while (n < limit && More()) {
        // Units other than surrogates that lie in the buffer are taken in one run.
        uint32_t available;
        const uint16_t* w = Window(&available);
        uint32_t i = 0;
        while (n < limit && i < available) {
            const uint16_t u = swap ? static_cast<uint16_t>(w[i] >> 8 | w[i] << 8) : w[i];
            if (u <= 0x0D && (u == 0x0D || u == 0x0A)) {
                // CR LF, CR and LF become one LF; a CR ending the window is left, its LF may follow.
                if (one_line || (u == 0x0D && i + 1 >= available)) break;
                i += (u == 0x0D && Order(w[i + 1]) == 0x0A) ? 2 : 1;
                put(0x0A);
                continue;
            }
            if (static_cast<uint16_t>(u - 0xD800) < 0x800) break;
            put(u);
            ++i;
        }
        Advance(i);
        if (!(n < limit && More())) break;
        uint16_t u = Order(Get());
        if (u == 0x0D || u == 0x0A) {
            if (u == 0x0D && Peek() >= 0 && Order(static_cast<uint32_t>(Peek())) == 0x0A) Skip();
            put(0x0A);
            if (one_line) break;
            continue;
        }
        if (u < 0xD800 || u > 0xDFFF) {
            put(u);
            continue;
        }
        // A surrogate (the table has none): the block goes to the platform whole, or with stand-in
        // codes a pair gets one here (a lone surrogate is no character: the text is lossy).
        units[n++] = u;
        bool pair = false;
        if (u >= 0xD800 && u <= 0xDBFF && Peek() >= 0) {
            uint16_t v = Order(static_cast<uint32_t>(Peek()));
            if (v >= 0xDC00 && v <= 0xDFFF) {
                Skip();
                units[n++] = v;
                pair = true;
            }
        }
        if (stand_ins_ && pair) {
            const uint32_t cp = 0x10000 + ((u - 0xD800u) << 10) + (static_cast<uint16_t>(units[n - 1]) - 0xDC00u);
            if (stand_ins_->Put(cp, out, &m)) continue;
        }
        again = true;
    }
    if (n == 0) return 0;
    if (!again) {
        if (inexact) MarkLossy();
        return static_cast<int32_t>(m);
    }
    if (stand_ins_) return static_cast<int32_t>(PutUnitsThroughStandIns(units, n, out));
    bool lost = false;
    int32_t r = WideToAnsi(units, n, out, size - 1, &lost, &scratch_);
    if (lost) MarkLossy();
    return r;
}

uint32_t Utf16Reader::PutUnitsThroughStandIns(const wchar_t* units, uint32_t n, char* out) {
    // At most two bytes per unit, and two for a surrogate pair.
    const uint32_t* table = ExactUnitAnsiTable();
    uint32_t m = 0;
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t u = static_cast<uint16_t>(units[i]);
        const uint32_t entry = table[u];
        const uint32_t bytes = UnitAnsiLength(entry);
        if (bytes != 0) {
            out[m] = static_cast<char>(entry & 0xFF);
            out[m + 1] = static_cast<char>((entry >> 8) & 0xFF);
            m += bytes;
            continue;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            const uint32_t v = i + 1 < n ? static_cast<uint16_t>(units[i + 1]) : 0;
            if (u > 0xDBFF || v < 0xDC00 || v > 0xDFFF) {
                // A lone surrogate is no character: the text cannot be kept.
                MarkLossy();
                out[m++] = static_cast<char>(kReplacement);
                continue;
            }
            u = 0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00);
            ++i;
        }
        PutStandIn(u, out, &m);
    }
    return m;
}

std::unique_ptr<TextReader> MakeReader(CharSetCode char_set, LineBreakCode line_break, FileStream file, FileHead head) {
    switch (char_set) {
        case kCharSetSjis:
            if (line_break != kLineBreakCr)
                return std::unique_ptr<TextReader>(new TextModeReader(std::move(file), std::move(head)));
            return std::unique_ptr<TextReader>(new CodePageReader(std::move(file), std::move(head)));
        case kCharSetUtf8:
        case kCharSetUtf8Bom:
            return std::unique_ptr<TextReader>(new Utf8Reader(std::move(file), std::move(head)));
        case kCharSetJis:
            return std::unique_ptr<TextReader>(new JisReader(std::move(file), std::move(head)));
        case kCharSetEucJp:
            return std::unique_ptr<TextReader>(new EucJpReader(std::move(file), std::move(head)));
        case kCharSetUtf16BeBom:
        case kCharSetUtf16Be:
            return std::unique_ptr<TextReader>(new Utf16Reader(std::move(file), std::move(head), true));
        case kCharSetUtf16LeBom:
        case kCharSetUtf16Le:
            return std::unique_ptr<TextReader>(new Utf16Reader(std::move(file), std::move(head), false));
        default:
            return std::unique_ptr<TextReader>(new CodePageReader(std::move(file), std::move(head)));
    }
}

}  // namespace kx
