// The writer family: each writer encodes internal text (ANSI code-page bytes, line breaks as LF) in
// one character set and line break, and tells at completion whether every byte reached the file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "text/charset.h"
#include "text/stand_ins.h"
#include "text/stream_io.h"

namespace kx {

struct FormTable;

class TextWriter {
public:
    TextWriter() {}
    virtual ~TextWriter() {}
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    // Encodes length bytes of internal text and writes them; returns the number of bytes (16-bit
    // units for UTF-16) produced, a byte-order mark not counted.
    virtual int32_t Write(const char* text, uint32_t length) = 0;
    // Completes the file: writes out what is buffered and closes it. True only when every byte
    // reached the file (no short write, flush and close succeeded). Later calls give the same answer.
    virtual bool Close() = 0;

    // From now on each code stand_ins (which stays the caller's) gave out is written as the character
    // it stands in for. False for a writer of a character set that has no such characters; the
    // text would then lose them. Such a writer takes only the job's codes (those of the find and
    // replace strings): a text that holds one of them is marked lossy, as the character cannot be
    // written.
    virtual bool UseStandIns(const StandIns* stand_ins) {
        if (stand_ins == nullptr || stand_ins->empty()) return true;
        if (!stand_ins->OnlyJob()) return false;
        unheld_ = stand_ins;
        return true;
    }

    // Some character of the text has no form in the file's character set and was written as a
    // substitute (or a byte of the text was no valid character of the ANSI code page).
    bool lossy() const { return lossy_; }

protected:
    void MarkLossy() { lossy_ = true; }
    // True, the text marked lossy, when it holds one of the job's codes that this writer cannot
    // write as the character they stand for (its set lacks those characters): such a text is not
    // written at all, so that the code's own bytes never reach the file.
    bool Unheld(const char* text, uint32_t length) {
        if (!unheld_ || !unheld_->HoldsJobCode(text, length)) return false;
        MarkLossy();
        return true;
    }

    const StandIns* unheld_ = nullptr;

private:
    bool lossy_ = false;
};

// Line-break texts by LineBreak code.
enum class BreakStyle : int32_t { kCr = 0, kLf = 1, kCrLf = 2 };

// Output of bytes or 16-bit units through a 64 KB buffer, with the line-break text the writer emits
// (16-bit units byte-swapped for big-endian files), and the encoding of text through a form table.
template <typename Unit> class StreamWriter : public TextWriter {
public:
    bool Close() override { return out_.Finish(); }

protected:
    StreamWriter(FileStream file, BreakStyle style, bool big_endian = false);
    int32_t Produced(uint64_t before) const { return static_cast<int32_t>(out_.produced() - before); }

    // Encodes text[0..length) piece by piece (whole characters, 16 KB at most) through forms (see
    // code_forms.h) into staging_ and puts each piece, its CR and LF units taken as line breaks. A
    // piece holding a code the table leaves open is converted by ConvertPiece instead.
    void PutThroughForms(const FormTable& forms, const char* text, uint32_t length);
    // Converts a piece the form table cannot take into staging_ and answers the unit count; marks
    // loss itself. Writers whose table knows every code never get here.
    virtual uint32_t ConvertPiece(const char* piece, uint32_t n);

    // Puts the form of a character beyond U+FFFF that a stand-in code stands for at o (a UTF writer's
    // four bytes or two units) and answers the end of it. Writers of other sets never get here.
    virtual Unit* PutBeyond(uint32_t cp, Unit* o);
    // For UseStandIns: from now on PutThroughForms takes a copy of forms in which each code given
    // out has the form form_of(its character) answers; 0 leaves it open for PutBeyond (a character
    // beyond U+FFFF, whose UTF form the table cannot hold).
    template <typename FormOf> void TakeStandIns(const StandIns* stand_ins, const FormTable& forms, FormOf form_of);
    // The UTF-16 units of piece[0..n) into *units, stand-in codes as their characters; *lost set as
    // AnsiToWide sets it.
    void PieceToWide(const char* piece, uint32_t n, std::vector<wchar_t>* units, bool* lost) const;
    // For a writer without a byte-order mark, at the start of its file: marks loss when text begins
    // with the stand-in code of one of the characters given (0 for none). Such a character as the
    // file's first would be taken for a byte-order mark when the file is read, and lost.
    void CheckFirstCharacter(const char* text, uint32_t length, uint32_t mark_like, uint32_t other_mark_like);

    StreamOutput<Unit> out_;
    std::vector<Unit> staging_;  // one encoded piece: four units per byte of text at most
    const StandIns* stand_ins_ = nullptr;
    std::unique_ptr<FormTable> stand_in_forms_;
};

typedef StreamWriter<unsigned char> ByteStreamWriter;

// Shift_JIS with CR LF, as the runtime's text mode writes: each LF becomes CR LF, everything else,
// a CR included, is written as it is.
class TextModeWriter : public ByteStreamWriter {
public:
    explicit TextModeWriter(FileStream file);
    int32_t Write(const char* text, uint32_t length) override;
};

// ANSI code-page bytes as they are, with the chosen line break.
class CodePageWriter : public ByteStreamWriter {
public:
    CodePageWriter(FileStream file, BreakStyle style);
    int32_t Write(const char* text, uint32_t length) override;
};

// EUC-JP: double-byte characters as JIS X 0208 pairs with the high bit set, half-width katakana
// after the single shift 0x8E.
class EucJpWriter : public ByteStreamWriter {
public:
    EucJpWriter(FileStream file, BreakStyle style);
    int32_t Write(const char* text, uint32_t length) override;
    // Takes stand-in codes of JIS X 0212 characters (0x8F and two bytes) only.
    bool UseStandIns(const StandIns* stand_ins) override;
};

// ISO-2022-JP: ESC $ B before double-byte characters, ESC ( B before single bytes and line breaks;
// the mode carries over between calls, and a file left in double-byte mode is ended with ESC ( B.
class JisWriter : public ByteStreamWriter {
public:
    JisWriter(FileStream file, BreakStyle style);
    ~JisWriter() override;
    int32_t Write(const char* text, uint32_t length) override;
    bool Close() override;

private:
    // Writes at o the escape into double-byte mode or back to ASCII when the mode changes; answers
    // the end of what was written.
    unsigned char* Shift(unsigned char* o, bool to_double_byte);
    bool double_byte_ = false;
};

// UTF-8, with the byte-order mark EF BB BF when asked for.
class Utf8Writer : public ByteStreamWriter {
public:
    Utf8Writer(FileStream file, BreakStyle style, bool mark);
    int32_t Write(const char* text, uint32_t length) override;
    bool UseStandIns(const StandIns* stand_ins) override;

protected:
    uint32_t ConvertPiece(const char* piece, uint32_t n) override;
    unsigned char* PutBeyond(uint32_t cp, unsigned char* o) override;

private:
    std::vector<wchar_t> units_;
    bool at_start_;  // no mark is written and no text yet
};

// UTF-16 in either byte order, with the mark U+FEFF when asked for.
class Utf16Writer : public StreamWriter<uint16_t> {
public:
    Utf16Writer(FileStream file, BreakStyle style, bool big_endian, bool mark);
    int32_t Write(const char* text, uint32_t length) override;
    bool UseStandIns(const StandIns* stand_ins) override;

protected:
    uint32_t ConvertPiece(const char* piece, uint32_t n) override;
    uint16_t* PutBeyond(uint32_t cp, uint16_t* o) override;

private:
    uint16_t FileOrder(wchar_t u) const { return static_cast<uint16_t>(swap_ ? (u >> 8) | (u << 8) : u); }
    bool swap_;
    std::vector<wchar_t> units_;
    bool at_start_;  // no mark is written and no text yet
};

// The writer of a file in char_set (a CharSet code, not auto) with line_break (a LineBreak code).
std::unique_ptr<TextWriter> MakeWriter(CharSetCode char_set, LineBreakCode line_break, FileStream file);

}  // namespace kx
