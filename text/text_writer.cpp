// Writers of every supported character set.
#include "text/text_writer.h"

#include <windows.h>

#include <utility>

#include "text/codepage.h"
#include "text/jis.h"
#include "text/wide_text.h"

namespace kx {

namespace {

// ANSI text is converted in pieces of this many bytes, so a large text needs no buffers of its size.
const uint32_t kConvertChunk = 16384;

// Converts the next piece of the text (whole characters, about one chunk) to UTF-16 units and moves
// *done past it; answers whether the conversion lost anything.
bool NextWidePiece(const char* text, uint32_t length, uint32_t* done, std::vector<wchar_t>* units) {
    uint32_t piece = AnsiPrefix(text + *done, length - *done, kConvertChunk);
    bool lost = false;
    AnsiToWide(text + *done, piece, units, &lost);
    *done += piece;
    return lost;
}

template <typename Unit>
void SetBreakText(StreamOutput<Unit>* out, BreakStyle style, bool swap) {
    Unit cr = '\r', lf = '\n';
    if (swap) {
        cr = static_cast<Unit>(cr << 8);
        lf = static_cast<Unit>(lf << 8);
    }
    const Unit crlf[2] = {cr, lf};
    switch (style) {
        case BreakStyle::kCr: out->SetBreak(&cr, 1); break;
        case BreakStyle::kLf: out->SetBreak(&lf, 1); break;
        default: out->SetBreak(crlf, 2); break;
    }
}

}  // namespace

ByteStreamWriter::ByteStreamWriter(FileStream file, BreakStyle style) : out_(std::move(file)) {
    SetBreakText(&out_, style, false);
}

WordStreamWriter::WordStreamWriter(FileStream file, BreakStyle style, bool big_endian)
    : out_(std::move(file)), swap_(big_endian) {
    SetBreakText(&out_, style, big_endian);
}

// ---- TextModeWriter ----

TextModeWriter::TextModeWriter(FileStream file) : ByteStreamWriter(std::move(file), BreakStyle::kCrLf) {}

int32_t TextModeWriter::Write(const char* text, uint32_t length) {
    const uint64_t before = out_.produced();
    for (uint32_t i = 0; i < length; ++i) {
        if (text[i] == '\n') out_.Put('\r');
        out_.Put(static_cast<unsigned char>(text[i]));
    }
    return Produced(before);
}

// ---- CodePageWriter ----

CodePageWriter::CodePageWriter(FileStream file, BreakStyle style)
    : ByteStreamWriter(std::move(file), style) {}

int32_t CodePageWriter::Write(const char* text, uint32_t length) {
    const uint64_t before = out_.produced();
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (out_.TakeBreak(c)) continue;
        out_.Put(c);
        if (IsLeadByte(c) && i + 1 < length) out_.Put(static_cast<unsigned char>(text[++i]));
    }
    return Produced(before);
}

// ---- EucJpWriter ----

EucJpWriter::EucJpWriter(FileStream file, BreakStyle style) : ByteStreamWriter(std::move(file), style) {}

int32_t EucJpWriter::Write(const char* text, uint32_t length) {
    const uint64_t before = out_.produced();
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (out_.TakeBreak(c)) continue;
        if (IsLeadByte(c) && i + 1 < length) {
            unsigned char trail = static_cast<unsigned char>(text[++i]);
            if (!SjisHasJisForm(c, trail)) MarkLossy();
            BytePair j = SjisToJis(c, trail);
            out_.Put(static_cast<unsigned char>(j.first | 0x80));
            out_.Put(static_cast<unsigned char>(j.second | 0x80));
        } else if (c >= 0xA1 && c <= 0xDF) {
            out_.Put(0x8E);
            out_.Put(c);
        } else {
            if (c >= 0x80) MarkLossy();  // no EUC-JP character
            out_.Put(c);
        }
    }
    return Produced(before);
}

// ---- JisWriter ----

JisWriter::JisWriter(FileStream file, BreakStyle style) : ByteStreamWriter(std::move(file), style) {}

JisWriter::~JisWriter() { Close(); }

void JisWriter::ToAscii() {
    if (!double_byte_) return;
    out_.Put(0x1B);
    out_.Put('(');
    out_.Put('B');
    double_byte_ = false;
}

int32_t JisWriter::Write(const char* text, uint32_t length) {
    const uint64_t before = out_.produced();
    for (uint32_t i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '\r' || c == '\n') ToAscii();
        if (out_.TakeBreak(c)) continue;
        if (IsLeadByte(c) && i + 1 < length) {
            unsigned char trail = static_cast<unsigned char>(text[++i]);
            if (!SjisHasJisForm(c, trail)) MarkLossy();
            if (!double_byte_) {
                out_.Put(0x1B);
                out_.Put('$');
                out_.Put('B');
                double_byte_ = true;
            }
            BytePair j = SjisToJis(c, trail);
            out_.Put(j.first);
            out_.Put(j.second);
        } else {
            // Half-width katakana stay eight-bit bytes, as JisReader reads them back; other high
            // bytes have no form here.
            if (c >= 0x80 && !(c >= 0xA1 && c <= 0xDF)) MarkLossy();
            ToAscii();
            out_.Put(c);
        }
    }
    return Produced(before);
}

bool JisWriter::Close() {
    ToAscii();
    return out_.Finish();
}

// ---- Utf8Writer ----

Utf8Writer::Utf8Writer(FileStream file, BreakStyle style, bool mark)
    : ByteStreamWriter(std::move(file), style) {
    if (mark) {
        out_.Put(0xEF);
        out_.Put(0xBB);
        out_.Put(0xBF);
    }
}

int32_t Utf8Writer::Write(const char* text, uint32_t length) {
    const uint64_t before = out_.produced();
    uint32_t done = 0;
    while (done < length) {
        if (NextWidePiece(text, length, &done, &units_)) MarkLossy();
        if (units_.empty()) continue;
        // Three UTF-8 bytes per unit suffice: a surrogate pair, two units, takes four.
        bytes_.resize(units_.size() * 3);
        int m = WideToUtf8(units_.data(), static_cast<uint32_t>(units_.size()), bytes_.data(),
                           static_cast<uint32_t>(bytes_.size()));
        if (m <= 0) out_.Fail();  // the text cannot reach the file whole
        for (int i = 0; i < m; ++i) {
            unsigned char c = static_cast<unsigned char>(bytes_[static_cast<size_t>(i)]);
            if (!out_.TakeBreak(c)) out_.Put(c);
        }
    }
    return Produced(before);
}

// ---- Utf16Writer ----

Utf16Writer::Utf16Writer(FileStream file, BreakStyle style, bool big_endian, bool mark)
    : WordStreamWriter(std::move(file), style, big_endian) {
    if (mark) Put(0xFEFF);
}

int32_t Utf16Writer::Write(const char* text, uint32_t length) {
    const uint64_t before = out_.produced();
    uint32_t done = 0;
    while (done < length) {
        if (NextWidePiece(text, length, &done, &units_)) MarkLossy();
        for (wchar_t u : units_)
            if (!out_.TakeBreak(u)) Put(static_cast<uint16_t>(u));
    }
    return Produced(before);
}

}  // namespace kx
