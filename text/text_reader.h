// The reader family: each reader decodes a file of one character set, block by block, into the
// internal text form (ANSI code-page bytes, every line break one LF), and tells what was lost.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "text/charset.h"
#include "text/kxstring.h"
#include "text/stand_ins.h"
#include "text/stream_io.h"

namespace kx {

// Smallest buffer Read and ReadLine accept (room for the longest sequence kept whole, plus the NUL).
const uint32_t kMinReadBuffer = 8;

// Bytes the stream readers take from the file at a time.
const uint32_t kStreamBlock = 65536;

// The first bytes of a file (at most kStreamBlock), read by the opener to classify the file and
// handed to its reader, which starts with them instead of reading them again.
struct FileHead {
    std::unique_ptr<unsigned char[]> bytes;  // room for kStreamBlock bytes
    uint32_t count = 0;
};

class TextReader {
public:
    TextReader() {}
    virtual ~TextReader() {}
    TextReader(const TextReader&) = delete;
    TextReader& operator=(const TextReader&) = delete;

    // Stores the next block of internal text in buffer, NUL-terminated, and returns the number of
    // bytes before that NUL (at most size - 1). 0: the file is exhausted. -1: size is below
    // kMinReadBuffer, or reading or converting failed (failed() then says so).
    int32_t Read(char* buffer, uint32_t size) { return Block(buffer, size, false); }
    // As Read, but stops right after the first line break.
    int32_t ReadLine(char* buffer, uint32_t size) { return Block(buffer, size, true); }

    // Appends the rest of the file's text (NUL bytes included) to *text. False when reading failed.
    bool ReadAll(kxlib::string* text);

    // The text read is not the file's exact content: decoding lost something (a character the ANSI
    // code page lacks, a byte sequence invalid in the file's character set), or reading failed.
    // Such a text cannot be written back unchanged.
    bool lossy() const { return lossy_ || failed_; }
    // A NUL byte was among the bytes produced so far.
    bool has_nul() const { return has_nul_; }
    // Reading the file or converting its text failed.
    bool failed() const { return failed_; }

    // From now on a character the ANSI code page lacks is put in the text as the code stand_ins
    // gives it (which stays the caller's); only a character none is left for makes the text lossy.
    // Readers of character sets that have no such characters take no notice.
    void UseStandIns(StandIns* stand_ins) { stand_ins_ = stand_ins; }

protected:
    // Decodes the next block into out, at most size - 1 bytes (size >= kMinReadBuffer); returns the
    // count or -1 on failure. one_line: stop after the first line break.
    virtual int32_t Produce(char* out, uint32_t size, bool one_line) = 0;
    void MarkLossy() { lossy_ = true; }
    void MarkFailed() { failed_ = true; }
    // Puts the internal form of the Unicode scalar value cp at out[*m ..] through stand_ins_ (not
    // null); a character no code is left for becomes the replacement and makes the text lossy.
    void PutStandIn(uint32_t cp, char* out, uint32_t* m);

    StandIns* stand_ins_ = nullptr;

private:
    int32_t Block(char* buffer, uint32_t size, bool one_line);

    bool lossy_ = false;
    bool has_nul_ = false;
    bool failed_ = false;
};

// A binary stream read through a buffer of kStreamBlock bytes.
class ByteStreamReader : public TextReader {
protected:
    ByteStreamReader(FileStream file, FileHead head);

    // True while a byte is left; refills the buffer when it is used up.
    bool More() { return index_ < count_ || (!end_ && Refill()); }
    // The next byte; only after More() answered true.
    unsigned char Get() { return buffer_[index_++]; }
    // The next byte without taking it, or -1 at the end.
    int Peek() { return More() ? buffer_[index_] : -1; }
    void Skip() { ++index_; }
    // True when the bytes at the index, within the current buffer, are bytes[0..n).
    bool Ahead(const unsigned char* bytes, uint32_t n) const {
        return count_ - index_ >= n && std::memcmp(buffer_.get() + index_, bytes, n) == 0;
    }
    // The bytes left in the buffer (without refilling it), for loops that take many at a time; then
    // Advance past those taken.
    const unsigned char* Window(uint32_t* available) const {
        *available = count_ - index_;
        return buffer_.get() + index_;
    }
    void Advance(uint32_t k) { index_ += k; }
    // After a CR or LF was taken: also takes the LF of a CR LF pair.
    void EndOfLine(unsigned char c) {
        if (c == '\r' && Peek() == '\n') Skip();
    }
    // The byte taken after a lead byte, as the text's second byte of that character. A CR or an LF
    // there is no second byte of any character (the file is ill-formed), and kept as one it would
    // come back from the writer as another line break than the file has: the text is lossy, so that
    // a run refuses the file rather than change it.
    char SecondByte(unsigned char b) {
        if (b == '\r' || b == '\n') MarkLossy();
        return static_cast<char>(b);
    }

private:
    bool Refill();

    FileStream file_;
    std::unique_ptr<unsigned char[]> buffer_;
    uint32_t count_ = 0;
    uint32_t index_ = 0;
    bool end_ = false;
    bool last_ = false;  // the block in the buffer is the file's last
};

// A binary stream of 16-bit units (the file's byte pairs in little-endian order) read kStreamBlock
// bytes at a time. An odd last byte is no unit; it makes the text lossy.
class WordStreamReader : public TextReader {
protected:
    WordStreamReader(FileStream file, FileHead head);

    bool More() { return index_ < count_ || (!end_ && Refill()); }
    uint16_t Get() { return units_[index_++]; }
    int32_t Peek() { return More() ? units_[index_] : -1; }
    void Skip() { ++index_; }
    // The units left in the buffer (without refilling it); then Advance past those taken.
    const uint16_t* Window(uint32_t* available) const {
        *available = count_ - index_;
        return units_.get() + index_;
    }
    void Advance(uint32_t k) { index_ += k; }

private:
    bool Refill();
    // Turns the first have bytes of raw_ into units, keeping an odd last byte for the next block.
    void TakeUnits(uint32_t have);

    FileStream file_;
    std::unique_ptr<uint16_t[]> units_;
    std::unique_ptr<unsigned char[]> raw_;
    uint32_t count_ = 0;
    uint32_t index_ = 0;
    bool end_ = false;
    bool last_ = false;   // the units in the buffer are the file's last (but for a carried byte)
    bool carry_ = false;  // raw_[0] holds the odd byte of the previous block
};

// Shift_JIS (the ANSI code page) translated as the runtime's text mode would: only CR LF becomes LF;
// a lone CR or LF stays as it is. A double-byte character is never split between blocks.
class TextModeReader : public ByteStreamReader {
public:
    TextModeReader(FileStream file, FileHead head) : ByteStreamReader(std::move(file), std::move(head)) {}

protected:
    int32_t Produce(char* out, uint32_t size, bool one_line) override;

private:
    unsigned char Unit();
};

// Bytes of the ANSI code page (or any single- or double-byte code page) copied as they are; every
// CR, LF or CR LF becomes one LF.
class CodePageReader : public ByteStreamReader {
public:
    CodePageReader(FileStream file, FileHead head) : ByteStreamReader(std::move(file), std::move(head)) {}

protected:
    int32_t Produce(char* out, uint32_t size, bool one_line) override;
};

// EUC-JP: JIS X 0208 pairs become Shift_JIS, 0x8E and a half-width katakana byte becomes that byte.
// JIS X 0212 characters (0x8F and two bytes) have no Shift_JIS form: they are lost, or with stand-in
// codes kept as such codes. (No JIS X 0208 pair becomes a code of the user-defined area.)
class EucJpReader : public ByteStreamReader {
public:
    EucJpReader(FileStream file, FileHead head) : ByteStreamReader(std::move(file), std::move(head)) {}

protected:
    int32_t Produce(char* out, uint32_t size, bool one_line) override;
};

// ISO-2022-JP: ESC ( B and ESC ( J select single bytes, ESC $ @ and ESC $ B JIS X 0208 pairs; a line
// break returns to single bytes.
class JisReader : public ByteStreamReader {
public:
    JisReader(FileStream file, FileHead head) : ByteStreamReader(std::move(file), std::move(head)) {}

protected:
    int32_t Produce(char* out, uint32_t size, bool one_line) override;

private:
    void Escape();
    bool double_byte_ = false;
};

// UTF-8, with or without a byte-order mark (skipped), converted to the ANSI code page through
// UTF-16. A multi-byte sequence is never split between blocks. With stand-in codes, every
// well-formed character is kept; an ill-formed sequence still makes the text lossy.
class Utf8Reader : public ByteStreamReader {
public:
    Utf8Reader(FileStream file, FileHead head);

protected:
    int32_t Produce(char* out, uint32_t size, bool one_line) override;

private:
    // The rest of a block once a character the conversion table cannot answer alone came up:
    // bytes[0..*n) already taken, more taken up to the block's limit, then all of them converted
    // through UTF-16 to out. Answers the bytes put out, or -1.
    int32_t ProduceThroughUnits(char* out, uint32_t capacity, uint32_t* n, uint32_t limit, bool one_line);

    std::vector<unsigned char> bytes_;
    std::vector<wchar_t> units_;
    std::vector<wchar_t> scratch_;
};

// UTF-16 in the byte order the CharSet names, unless a leading byte-order mark (skipped) names the
// other; converted to the ANSI code page. A surrogate pair is never split between blocks. With
// stand-in codes, every character is kept; a lone surrogate or an odd last byte still makes the
// text lossy.
class Utf16Reader : public WordStreamReader {
public:
    Utf16Reader(FileStream file, FileHead head, bool big_endian);
    bool big_endian() const { return big_endian_; }

protected:
    int32_t Produce(char* out, uint32_t size, bool one_line) override;

private:
    uint16_t Order(uint32_t u) const { return static_cast<uint16_t>(big_endian_ ? ((u >> 8) | (u << 8)) : u); }
    // units[0..n) converted to out through stand_ins_; answers the bytes put out.
    uint32_t PutUnitsThroughStandIns(const wchar_t* units, uint32_t n, char* out);
    bool big_endian_;
    std::vector<wchar_t> units_;
    std::vector<wchar_t> scratch_;
};

// The reader of a file in char_set (a CharSet code, not auto) whose line break is line_break, given
// the file and its first block.
std::unique_ptr<TextReader> MakeReader(CharSetCode char_set, LineBreakCode line_break, FileStream file, FileHead head);

}  // namespace kx
