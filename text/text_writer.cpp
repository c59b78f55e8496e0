// Writers of every supported character set.
#include "text/text_writer.h"

#include <cstring>
#include <utility>

#include "text/charset.h"
#include "text/code_forms.h"
#include "text/codepage.h"
#include "text/jis.h"
#include "text/wide_text.h"

namespace kx {

namespace {

// Text is encoded in pieces of this many bytes at most, so a large text needs no buffers of its size.
const uint32_t kConvertChunk = 16384;

// Most units one byte of text can become: ISO-2022-JP puts an escape of three bytes before a single
// byte that follows double-byte characters.
const uint32_t kUnitsPerByte = 4;

template <typename Unit> void SetBreakText(StreamOutput<Unit>* out, BreakStyle style, bool swap) {
    Unit cr = '\r', lf = '\n';
    if (swap) {
        cr = static_cast<Unit>(cr << 8);
        lf = static_cast<Unit>(lf << 8);
    }
    const Unit crlf[2] = {cr, lf};
    switch (style) {
        case BreakStyle::kCr:
            out->SetBreak(&cr, 1, cr, lf);
            break;
        case BreakStyle::kLf:
            out->SetBreak(&lf, 1, cr, lf);
            break;
        default:
            out->SetBreak(crlf, 2, cr, lf);
            break;
    }
}

// Length of the longest start of text[0..n) that holds no CR or LF standing as a character of its
// own: as the code walk takes the text, the byte after a lead byte belongs to it even when it is a CR
// or an LF.
uint32_t BreakFreeLength(const char* text, uint32_t n) {
    const char* const end = text + n;
    for (const char* p = text;; ++p) {
        p = FindLineBreak(p, end, '\r', '\n');
        if (p == end) return n;
        const uint32_t at = static_cast<uint32_t>(p - text);
        if (!(LeadBytesBefore(text, at) & 1)) return at;
    }
}

// The EUC-JP and ISO-2022-JP forms of every ANSI code (code_forms.h), worked out once. A double-byte
// character becomes its JIS X 0208 pair, with the high bits set for EUC-JP, and is lossy when it has
// no such form; a half-width katakana byte stays eight-bit (after the single shift 0x8E in EUC-JP);
// any other single byte stays as it is and is lossy when it is 0x80 or above.
struct JisForms {
    FormTable euc, jis;

    JisForms() : euc(AnsiCodeCount()), jis(AnsiCodeCount()) {
        const int16_t* rows = LeadRowTable();
        for (uint32_t b = 0; b < 256; ++b) {
            const bool kana = b >= 0xA1 && b <= 0xDF;
            const bool lossy = b >= 0x80 && !kana;
            euc.forms[b] = kana ? MakeForm(0x8E | b << 8, 2, false) : MakeForm(b, 1, lossy);
            jis.forms[b] = MakeForm(b, 1, lossy);
            if (rows[b] < 0) continue;
            for (uint32_t t = 0; t < 256; ++t) {
                const uint32_t code = 256 + static_cast<uint32_t>(rows[b]) * 256 + t;
                const unsigned char lead = static_cast<unsigned char>(b), trail = static_cast<unsigned char>(t);
                const BytePair j = SjisToJis(lead, trail);
                const uint32_t pair = static_cast<uint32_t>(j.first) | static_cast<uint32_t>(j.second) << 8;
                const bool pair_lossy = !SjisHasJisForm(lead, trail);
                euc.forms[code] = MakeForm(pair | 0x8080, 2, pair_lossy);
                jis.forms[code] = MakeForm(pair, 2, pair_lossy);
            }
        }
        euc.Seal(0);
        jis.Seal(0);
    }
};

const JisForms& Jis() {
    static const JisForms forms;
    return forms;
}

}  // namespace

// ---- StreamWriter ----

template <typename Unit> StreamWriter<Unit>::StreamWriter(FileStream file, BreakStyle style, bool big_endian)
    : out_(std::move(file)) {
    SetBreakText(&out_, style, big_endian);
}

template <typename Unit>
void StreamWriter<Unit>::PutThroughForms(const FormTable& forms, const char* text, uint32_t length) {
    staging_.resize(kUnitsPerByte * kConvertChunk);
    bool lossy = false;
    const FormTable& table = stand_in_forms_ ? *stand_in_forms_ : forms;
    // A stand-in code left open in the table (a character beyond U+FFFF) is put by PutBeyond.
    const int32_t first_row = LeadRowTable()[0xF0];
    auto open = [&](uint32_t code, Unit*& o) {
        if (stand_ins_ == nullptr || code < 256 || first_row < 0) return false;
        const uint32_t row = (code - 256) >> 8;
        if (row < static_cast<uint32_t>(first_row) || row > static_cast<uint32_t>(first_row) + 9) return false;
        const int32_t slot = StandIns::SlotOf(static_cast<unsigned char>(0xF0 + row - first_row),
                                              static_cast<unsigned char>(code & 0xFF));
        const uint32_t cp = slot < 0 ? 0 : stand_ins_->CharacterOf(static_cast<uint32_t>(slot));
        if (cp < 0x10000 || cp > 0x10FFFF) return false;
        o = PutBeyond(cp, o);
        return true;
    };
    for (uint32_t done = 0; done < length;) {
        const uint32_t piece = AnsiPrefix(text + done, length - done, kConvertChunk);
        const int32_t m = EncodeByForms(table, text + done, piece, staging_.data(), &lossy, open);
        const uint32_t units = m >= 0 ? static_cast<uint32_t>(m) : ConvertPiece(text + done, piece);
        out_.PutText(staging_.data(), units);
        done += piece;
    }
    if (lossy) MarkLossy();
}

template <typename Unit> uint32_t StreamWriter<Unit>::ConvertPiece(const char*, uint32_t) { return 0; }

template <typename Unit> Unit* StreamWriter<Unit>::PutBeyond(uint32_t, Unit* o) { return o; }

template <typename Unit> template <typename FormOf>
void StreamWriter<Unit>::TakeStandIns(const StandIns* stand_ins, const FormTable& forms, FormOf form_of) {
    stand_ins_ = stand_ins;
    stand_in_forms_.reset(new FormTable(forms));
    const int16_t* rows = LeadRowTable();
    for (uint32_t slot = 0; slot < StandIns::kCodes; ++slot) {
        const uint32_t character = stand_ins->CharacterOf(slot);
        if (character == 0) continue;
        const uint32_t code = StandIns::CodeOf(slot);
        stand_in_forms_->forms[256 + static_cast<uint32_t>(rows[code >> 8]) * 256 + (code & 0xFF)] = form_of(character);
    }
}

template <typename Unit>
void StreamWriter<Unit>::PieceToWide(const char* piece, uint32_t n, std::vector<wchar_t>* units, bool* lost) const {
    if (stand_ins_ == nullptr) return AnsiToWide(piece, n, units, lost);
    // Runs of the code page's own codes go to AnsiToWide as they are; each stand-in code between
    // them becomes its character.
    units->clear();
    std::vector<wchar_t> run;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(piece);
    uint32_t start = 0;
    auto flush = [&](uint32_t end) {
        if (end == start) return;
        AnsiToWide(piece + start, end - start, &run, lost);
        units->insert(units->end(), run.begin(), run.end());
    };
    for (uint32_t i = 0; i < n;) {
        if (!IsLeadByte(p[i]) || i + 1 >= n) {
            ++i;
            continue;
        }
        const int32_t slot = StandIns::SlotOf(p[i], p[i + 1]);
        const uint32_t cp = slot < 0 ? 0 : stand_ins_->CharacterOf(static_cast<uint32_t>(slot));
        if (cp == 0) {
            i += 2;
            continue;
        }
        flush(i);
        if (cp >= 0x10000) {
            units->push_back(static_cast<wchar_t>(0xD800 | ((cp - 0x10000) >> 10)));
            units->push_back(static_cast<wchar_t>(0xDC00 | ((cp - 0x10000) & 0x3FF)));
        } else {
            units->push_back(static_cast<wchar_t>(cp));
        }
        i += 2;
        start = i;
    }
    flush(n);
}

template <typename Unit>
void StreamWriter<Unit>::CheckFirstCharacter(const char* text, uint32_t length, uint32_t mark_like,
                                             uint32_t other_mark_like) {
    if (stand_ins_ == nullptr || length < 2) return;
    const int32_t slot = StandIns::SlotOf(static_cast<unsigned char>(text[0]), static_cast<unsigned char>(text[1]));
    if (slot < 0) return;
    const uint32_t cp = stand_ins_->CharacterOf(static_cast<uint32_t>(slot));
    if (cp != 0 && (cp == mark_like || cp == other_mark_like)) MarkLossy();
}

template class StreamWriter<unsigned char>;
template class StreamWriter<uint16_t>;

// ---- TextModeWriter ----

TextModeWriter::TextModeWriter(FileStream file) : ByteStreamWriter(std::move(file), BreakStyle::kCrLf) {}

int32_t TextModeWriter::Write(const char* text, uint32_t length) {
    if (Unheld(text, length)) return 0;
    // Every LF byte, wherever it stands, is written as CR LF; all other bytes as they are.
    static const unsigned char kCrLf[2] = {'\r', '\n'};
    const uint64_t before = out_.produced();
    for (uint32_t i = 0; i < length;) {
        const uint32_t end = static_cast<uint32_t>(FindLineBreak(text + i, text + length, '\n', '\n') - text);
        out_.PutUnits(reinterpret_cast<const unsigned char*>(text + i), end - i);
        if (end == length) break;
        out_.PutUnits(kCrLf, 2);
        i = end + 1;
    }
    return Produced(before);
}

// ---- CodePageWriter ----

CodePageWriter::CodePageWriter(FileStream file, BreakStyle style) : ByteStreamWriter(std::move(file), style) {}

int32_t CodePageWriter::Write(const char* text, uint32_t length) {
    if (Unheld(text, length)) return 0;
    const uint64_t before = out_.produced();
    for (uint32_t i = 0; i < length;) {
        const uint32_t run = BreakFreeLength(text + i, length - i);
        out_.PutUnits(reinterpret_cast<const unsigned char*>(text + i), run);
        i += run;
        if (i < length) out_.TakeBreak(static_cast<unsigned char>(text[i++]));
    }
    return Produced(before);
}

// ---- EucJpWriter ----

EucJpWriter::EucJpWriter(FileStream file, BreakStyle style) : ByteStreamWriter(std::move(file), style) {}

int32_t EucJpWriter::Write(const char* text, uint32_t length) {
    if (Unheld(text, length)) return 0;
    // Only line breaks give CR and LF bytes: every other form is a byte other than those or has its
    // high bits set.
    const uint64_t before = out_.produced();
    PutThroughForms(Jis().euc, text, length);
    return Produced(before);
}

bool EucJpWriter::UseStandIns(const StandIns* stand_ins) {
    if (stand_ins == nullptr || stand_ins->empty()) return true;
    // The job's codes stand for characters EUC-JP lacks: a text holding one is not written.
    for (uint32_t slot = 0; slot < StandIns::kCodes; ++slot) {
        const uint32_t key = stand_ins->CharacterOf(slot);
        if (key != 0 && key >> 16 != 0x8F && !stand_ins->IsJobSlot(slot)) return false;
    }
    unheld_ = stand_ins;
    // 0x8F and the two bytes, in file order.
    TakeStandIns(stand_ins, Jis().euc, [](uint32_t key) {
        return key >> 16 != 0x8F ? 0 : MakeForm(0x8F | (key >> 8 & 0xFF) << 8 | (key & 0xFF) << 16, 3, false);
    });
    return true;
}

// ---- JisWriter ----

JisWriter::JisWriter(FileStream file, BreakStyle style) : ByteStreamWriter(std::move(file), style) {}

JisWriter::~JisWriter() { Close(); }

unsigned char* JisWriter::Shift(unsigned char* o, bool to_double_byte) {
    if (double_byte_ == to_double_byte) return o;
    *o++ = 0x1B;
    *o++ = to_double_byte ? '$' : '(';
    *o++ = 'B';
    double_byte_ = to_double_byte;
    return o;
}

int32_t JisWriter::Write(const char* text, uint32_t length) {
    if (Unheld(text, length)) return 0;
    // The pair of a double-byte code with no JIS form may hold CR or LF bytes, so line breaks are
    // taken from the text, not from the encoded bytes: what is encoded so far is put before each.
    const uint64_t before = out_.produced();
    const FormTable& table = Jis().jis;
    const uint32_t* forms = table.forms.data();
    staging_.resize(kUnitsPerByte * kConvertChunk);
    unsigned char* const start = staging_.data();
    uint32_t seen = 0;
    for (uint32_t done = 0; done < length;) {
        const uint32_t piece = AnsiPrefix(text + done, length - done, kConvertChunk);
        unsigned char* o = start;
        ForEachAnsiCode(
            text + done, piece,
            [&](uint32_t code) {
                if (code == '\r' || code == '\n') {
                    o = Shift(o, false);
                    out_.PutUnits(start, static_cast<uint32_t>(o - start));
                    o = start;
                    out_.TakeBreak(code);
                    return true;
                }
                const uint32_t form = forms[code];
                seen |= form;
                const bool pair = code >= 256;
                o = Shift(o, pair);
                *o++ = static_cast<unsigned char>(form & 0xFF);
                if (pair) *o++ = static_cast<unsigned char>((form >> 8) & 0xFF);
                return true;
            },
            [&](const unsigned char* run) {
                // ASCII bytes without a line break go out as they are.
                const unsigned char* end = run + kAsciiRun;
                if (table.ascii_shift != 0 || !IsAsciiRun(run)) return false;
                if (FindLineBreak<unsigned char>(run, end, '\r', '\n') != end) return false;
                o = Shift(o, false);
                std::memcpy(o, run, kAsciiRun);
                o += kAsciiRun;
                return true;
            });
        out_.PutUnits(start, static_cast<uint32_t>(o - start));
        done += piece;
    }
    if (seen & kFormLossy) MarkLossy();
    return Produced(before);
}

bool JisWriter::Close() {
    unsigned char escape[3];
    out_.PutUnits(escape, static_cast<uint32_t>(Shift(escape, false) - escape));
    return out_.Finish();
}

// ---- Utf8Writer ----

Utf8Writer::Utf8Writer(FileStream file, BreakStyle style, bool mark)
    : ByteStreamWriter(std::move(file), style), at_start_(!mark) {
    if (mark) {
        out_.Put(0xEF);
        out_.Put(0xBB);
        out_.Put(0xBF);
    }
}

int32_t Utf8Writer::Write(const char* text, uint32_t length) {
    if (at_start_ && length > 0) {
        at_start_ = false;
        CheckFirstCharacter(text, length, 0xFEFF, 0);  // EF BB BF is read as the mark
    }
    const uint64_t before = out_.produced();
    PutThroughForms(Utf8Forms(), text, length);
    return Produced(before);
}

unsigned char* Utf8Writer::PutBeyond(uint32_t cp, unsigned char* o) {
    *o++ = static_cast<unsigned char>(0xF0 | cp >> 18);
    *o++ = static_cast<unsigned char>(0x80 | (cp >> 12 & 0x3F));
    *o++ = static_cast<unsigned char>(0x80 | (cp >> 6 & 0x3F));
    *o++ = static_cast<unsigned char>(0x80 | (cp & 0x3F));
    return o;
}

bool Utf8Writer::UseStandIns(const StandIns* stand_ins) {
    if (stand_ins == nullptr || stand_ins->empty()) return true;
    TakeStandIns(stand_ins, Utf8Forms(), [](uint32_t cp) {
        if (cp >= 0x10000) return 0u;
        const wchar_t unit = static_cast<wchar_t>(cp);
        unsigned char u8[4] = {};
        const int32_t m = WideToUtf8(&unit, 1, reinterpret_cast<char*>(u8), sizeof u8);
        return MakeForm(u8[0] | u8[1] << 8 | u8[2] << 16, static_cast<uint32_t>(m), false);
    });
    return true;
}

uint32_t Utf8Writer::ConvertPiece(const char* piece, uint32_t n) {
    bool lost = false;
    PieceToWide(piece, n, &units_, &lost);
    if (lost) MarkLossy();
    if (units_.empty()) return 0;
    // Three UTF-8 bytes per unit suffice (a surrogate pair, two units, takes four), and the staging
    // holds three bytes per byte of the piece.
    int32_t m = WideToUtf8(units_.data(), static_cast<uint32_t>(units_.size()),
                           reinterpret_cast<char*>(staging_.data()), static_cast<uint32_t>(staging_.size()));
    if (m <= 0) {
        out_.Fail();  // the text cannot reach the file whole
        return 0;
    }
    return static_cast<uint32_t>(m);
}

// ---- Utf16Writer ----

Utf16Writer::Utf16Writer(FileStream file, BreakStyle style, bool big_endian, bool mark)
    : StreamWriter<uint16_t>(std::move(file), style, big_endian), swap_(big_endian), at_start_(!mark) {
    if (mark) out_.Put(FileOrder(0xFEFF));
}

int32_t Utf16Writer::Write(const char* text, uint32_t length) {
    if (at_start_ && length > 0) {
        at_start_ = false;
        // Either unit first is read as a mark of one byte order or the other.
        CheckFirstCharacter(text, length, 0xFEFF, 0xFFFE);
    }
    const uint64_t before = out_.produced();
    PutThroughForms(Utf16Forms(swap_), text, length);
    return Produced(before);
}

uint16_t* Utf16Writer::PutBeyond(uint32_t cp, uint16_t* o) {
    *o++ = FileOrder(static_cast<wchar_t>(0xD800 | (cp - 0x10000) >> 10));
    *o++ = FileOrder(static_cast<wchar_t>(0xDC00 | ((cp - 0x10000) & 0x3FF)));
    return o;
}

bool Utf16Writer::UseStandIns(const StandIns* stand_ins) {
    if (stand_ins == nullptr || stand_ins->empty()) return true;
    const bool swap = swap_;
    TakeStandIns(stand_ins, Utf16Forms(swap), [swap](uint32_t cp) {
        return cp >= 0x10000 ? 0u : MakeForm(swap ? static_cast<uint16_t>(cp >> 8 | cp << 8) : cp, 1, false);
    });
    return true;
}

uint32_t Utf16Writer::ConvertPiece(const char* piece, uint32_t n) {
    bool lost = false;
    PieceToWide(piece, n, &units_, &lost);
    if (lost) MarkLossy();
    for (size_t i = 0; i < units_.size(); ++i) staging_[i] = FileOrder(units_[i]);
    return static_cast<uint32_t>(units_.size());
}

std::unique_ptr<TextWriter> MakeWriter(CharSetCode char_set, LineBreakCode line_break, FileStream file) {
    const BreakStyle style = static_cast<BreakStyle>(line_break);
    switch (char_set) {
        case kCharSetSjis:
            if (line_break == kLineBreakCrLf) return std::unique_ptr<TextWriter>(new TextModeWriter(std::move(file)));
            return std::unique_ptr<TextWriter>(new CodePageWriter(std::move(file), style));
        case kCharSetEucJp:
            return std::unique_ptr<TextWriter>(new EucJpWriter(std::move(file), style));
        case kCharSetJis:
            return std::unique_ptr<TextWriter>(new JisWriter(std::move(file), style));
        case kCharSetUtf8:
            return std::unique_ptr<TextWriter>(new Utf8Writer(std::move(file), style, false));
        case kCharSetUtf8Bom:
            return std::unique_ptr<TextWriter>(new Utf8Writer(std::move(file), style, true));
        case kCharSetUtf16BeBom:
            return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, true, true));
        case kCharSetUtf16LeBom:
            return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, false, true));
        case kCharSetUtf16Be:
            return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, true, false));
        case kCharSetUtf16Le:
            return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, false, false));
        default:
            return std::unique_ptr<TextWriter>(new CodePageWriter(std::move(file), style));
    }
}

}  // namespace kx
