// Reading and writing text files in every character set: round trips, known encodings of a short
// text, block boundaries, the lossy flag, NUL bytes, refusals and write failures.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "engine/job_settings.h"
#include "test_support.h"
#include "text/codepage.h"
#include "text/stand_ins.h"
#include "text/text_file.h"

namespace {

using kxtest::ReadFileBytes;
using kxtest::WriteFileBytes;

// Shift_JIS characters of the internal text.
const std::string kKan = "漢";        // JIS 3441, U+6F22
const std::string kHyo = "\x95\x5C";  // 表 (trail byte 0x5C)
const std::string kSo = "\x83\x5C";   // ソ
const std::string kA = "あ";
const std::string kHalfA = "ｱ";     // half-width
const std::string kCircled1 = "①";  // NEC row 13
const std::string kBecause = "∵";

const kx::CharSetCode kAllSets[] = {kx::kCharSetSjis,       kx::kCharSetEucJp,   kx::kCharSetJis,
                                    kx::kCharSetUtf8,       kx::kCharSetUtf8Bom, kx::kCharSetUtf16BeBom,
                                    kx::kCharSetUtf16LeBom, kx::kCharSetUtf16Be, kx::kCharSetUtf16Le};
const kx::LineBreakCode kAllBreaks[] = {kx::kLineBreakCr, kx::kLineBreakLf, kx::kLineBreakCrLf};

struct ReadResult {
    bool ok = false;
    std::string text;
    kx::CharSetCode char_set = kx::kCharSetAuto;
    kx::LineBreakCode line_break = static_cast<kx::LineBreakCode>(-1);
    bool lossy = false;
    bool has_nul = false;
};

// True when a block ends with the first byte of a double-byte character (an odd run of lead-class
// bytes at its end).
bool EndsInsideCharacter(const char* block, int32_t n) {
    int32_t k = 0;
    while (k < n && kx::IsLeadByte(static_cast<unsigned char>(block[n - 1 - k]))) ++k;
    return (k & 1) != 0;
}

// Reads the whole file block by block as the run does, expecting no block to split a character.
ReadResult ReadText(const std::string& path, kx::CharSetCode char_set) {
    ReadResult r;
    kx::TextFile file;
    if (!file.Open(path.c_str(), kx::TextFile::kRead, char_set, kx::kLineBreakCrLf)) return r;
    char block[4096];
    int32_t n;
    while ((n = file.reader->Read(block, sizeof block)) > 0) {
        EXPECT_FALSE(EndsInsideCharacter(block, n)) << "block ending at " << r.text.size() + static_cast<size_t>(n);
        r.text.append(block, static_cast<size_t>(n));
    }
    r.ok = n == 0 && !file.reader->failed();
    r.char_set = file.file_char_set;
    r.line_break = file.file_line_break;
    r.lossy = file.reader->lossy();
    r.has_nul = file.reader->has_nul();
    return r;
}

bool WriteText(const std::string& path, kx::CharSetCode char_set, kx::LineBreakCode line_break, const std::string& text,
               bool* lossy = nullptr) {
    kx::TextFile file;
    if (!file.Open(path.c_str(), kx::TextFile::kWrite, char_set, line_break)) return false;
    file.writer->Write(text.data(), static_cast<uint32_t>(text.size()));
    if (lossy) *lossy = file.writer->lossy();
    return file.Close();
}

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(932u, GetACP()); }
    kxtest::ScratchDir dir_{"textfile"};
};

// Writes text, reads it back (with the set detected, or given), writes what was read with what was
// found, and expects the text and the file bytes unchanged.
void ExpectRoundTrip(const kxtest::ScratchDir& dir, kx::CharSetCode char_set, kx::LineBreakCode line_break,
                     const std::string& text, bool detect) {
    SCOPED_TRACE("char set " + std::to_string(char_set) + ", line break " + std::to_string(line_break));
    const std::string first = dir / "first.txt", second = dir / "second.txt";
    ASSERT_TRUE(WriteText(first, char_set, line_break, text));
    ReadResult r = ReadText(first, detect ? kx::kCharSetAuto : char_set);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(char_set, r.char_set);
    EXPECT_EQ(line_break, r.line_break);
    EXPECT_FALSE(r.lossy);
    EXPECT_FALSE(r.has_nul);
    ASSERT_EQ(text, r.text);
    ASSERT_TRUE(WriteText(second, r.char_set, r.line_break, r.text));
    ASSERT_EQ(ReadFileBytes(first), ReadFileBytes(second));
}

// About 40 KB of lines mixing ASCII, kanji, kana, half-width katakana, trail bytes 0x5C and symbols,
// with an empty line now and then.
std::string MixedText() {
    const std::string tokens[] = {"abc",  " ",       "\\",     kKan, kHyo,   kSo, kA,
                                  kHalfA, kCircled1, kBecause, "\t", "0123", "~"};
    std::string text;
    uint32_t seed = 12345;
    for (int line = 0; line < 1500; ++line) {
        seed = seed * 1103515245u + 12345u;
        int words = static_cast<int>((seed >> 16) % 25);
        for (int w = 0; w < words; ++w) {
            seed = seed * 1103515245u + 12345u;
            text += tokens[(seed >> 16) % (sizeof tokens / sizeof tokens[0])];
        }
        text += "\n";
    }
    return text;
}

class RoundTrip : public TextFileTest, public ::testing::WithParamInterface<kx::CharSetCode> {};

// Files of more than 4096 bytes are detected, except UTF-16 without a mark and ISO-2022-JP holding
// eight-bit half-width katakana.
TEST_P(RoundTrip, MixedTextWithEachLineBreak) {
    const kx::CharSetCode set = GetParam();
    const bool detect = set != kx::kCharSetUtf16Be && set != kx::kCharSetUtf16Le && set != kx::kCharSetJis;
    const std::string text = MixedText();
    for (kx::LineBreakCode line_break : kAllBreaks) ExpectRoundTrip(dir_, set, line_break, text, detect);
    if (set == kx::kCharSetJis) {
        std::string seven_bit;
        for (char c : text)
            if (c != kHalfA[0]) seven_bit += c;
        for (kx::LineBreakCode line_break : kAllBreaks) ExpectRoundTrip(dir_, set, line_break, seven_bit, true);
    }
}

// A double-byte character, a line break (CR LF in the file) and a multi-byte sequence placed across
// the block boundary of Read (4096 bytes) and the 64 KB read buffer of the file (65536 bytes: 65536
// characters of one byte, or 32768 UTF-16 units), at every offset.
TEST_P(RoundTrip, CharactersAndLineBreaksAcrossBlockBoundaries) {
    std::vector<int> prefixes;
    for (int k = 2040; k <= 2050; ++k) prefixes.push_back(k);
    for (int k = 4086; k <= 4098; ++k) prefixes.push_back(k);
    for (int k = 32762; k <= 32774; ++k) prefixes.push_back(k);
    for (int k = 65524; k <= 65540; ++k) prefixes.push_back(k);
    for (kx::LineBreakCode line_break : kAllBreaks) {
        for (int k : prefixes) {
            SCOPED_TRACE("prefix " + std::to_string(k));
            // A line break near the start: line breaks are counted in the first 16 KB only.
            std::string text =
                "a\n" + std::string(static_cast<size_t>(k - 2), 'a') + kKan + "\n" + kA + kHalfA + "\n" + kHyo + "z\n";
            ExpectRoundTrip(dir_, GetParam(), line_break, text, false);
            if (HasFatalFailure()) return;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EverySet, RoundTrip, ::testing::ValuesIn(kAllSets));

// The bytes each writer produces for "A漢ｱ" + LF with lf breaks, read back to the same text.
TEST_F(TextFileTest, KnownEncodingOfAShortText) {
    const std::string text = "A" + kKan + kHalfA + "\n";
    struct Case {
        kx::CharSetCode char_set;
        std::string bytes;
    } cases[] = {
        {kx::kCharSetSjis, "A\x8A\xBF\xB1\n"},
        {kx::kCharSetEucJp, "A\xB4\xC1\x8E\xB1\n"},
        {kx::kCharSetJis, "A\x1B$B4A\x1B(B\xB1\n"},
        {kx::kCharSetUtf8, "A\xE6\xBC\xA2\xEF\xBD\xB1\n"},
        {kx::kCharSetUtf8Bom,
         "\xEF\xBB\xBF"
         "A\xE6\xBC\xA2\xEF\xBD\xB1\n"},
        {kx::kCharSetUtf16LeBom, std::string("\xFF\xFE"
                                             "A\x00\x22\x6F\x71\xFF\n\x00",
                                             10)},
        {kx::kCharSetUtf16BeBom, std::string("\xFE\xFF\x00"
                                             "A\x6F\x22\xFF\x71\x00\n",
                                             10)},
        {kx::kCharSetUtf16Le, std::string("A\x00\x22\x6F\x71\xFF\n\x00", 8)},
        {kx::kCharSetUtf16Be, std::string("\x00"
                                          "A\x6F\x22\xFF\x71\x00\n",
                                          8)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.char_set);
        const std::string path = dir_ / "short.txt";
        ASSERT_TRUE(WriteText(path, c.char_set, kx::kLineBreakLf, text));
        EXPECT_EQ(c.bytes, ReadFileBytes(path));
        EXPECT_EQ(text, ReadText(path, c.char_set).text);
    }
}

TEST_F(TextFileTest, JisWriterEscapesAndEndsInAscii) {
    const std::string path = dir_ / "jis.txt";
    ASSERT_TRUE(WriteText(path, kx::kCharSetJis, kx::kLineBreakLf, "A" + kKan + "B\n"));
    EXPECT_EQ("A\x1B$B4A\x1B(BB\n", ReadFileBytes(path));
    // Line breaks return to ASCII; a text that ends in double-byte mode is closed with ESC ( B.
    ASSERT_TRUE(WriteText(path, kx::kCharSetJis, kx::kLineBreakCrLf, kKan + "\n" + kKan + kA));
    EXPECT_EQ("\x1B$B4A\x1B(B\r\n\x1B$B4A$\"\x1B(B", ReadFileBytes(path));
    EXPECT_EQ(kKan + "\n" + kKan + kA, ReadText(path, kx::kCharSetJis).text);
}

// The runtime's text mode would end the file at 0x1A; only CR LF <-> LF may change.
TEST_F(TextFileTest, ShiftJisCrLfKeepsControlZAndLoneCr) {
    const std::string path = dir_ / "sjis.txt";
    const std::string bytes =
        "abc\x1A"
        "def\r\n" +
        kHyo + "\rnot a break\r\r\nend\x1A\r\n";
    ASSERT_TRUE(WriteFileBytes(path, bytes));
    ReadResult r = ReadText(path, kx::kCharSetAuto);
    EXPECT_EQ(kx::kCharSetSjis, r.char_set);
    EXPECT_EQ(kx::kLineBreakCrLf, r.line_break);
    EXPECT_EQ(
        "abc\x1A"
        "def\n" +
            kHyo + "\rnot a break\r\nend\x1A\n",
        r.text);
    ASSERT_TRUE(WriteText(path, r.char_set, r.line_break, r.text));
    EXPECT_EQ(bytes, ReadFileBytes(path));
}

TEST_F(TextFileTest, Utf8MarkIsDroppedOnReadingAndWrittenOnlyForTheMarkedSet) {
    const std::string path = dir_ / "bom.txt";
    ASSERT_TRUE(WriteFileBytes(path,
                               "\xEF\xBB\xBF"
                               "abc\xE6\xBC\xA2\n"));
    ReadResult r = ReadText(path, kx::kCharSetUtf8);
    EXPECT_EQ("abc" + kKan + "\n", r.text);
    ASSERT_TRUE(WriteText(path, kx::kCharSetUtf8, kx::kLineBreakLf, r.text));
    EXPECT_EQ("abc\xE6\xBC\xA2\n", ReadFileBytes(path));
    ASSERT_TRUE(WriteText(path, kx::kCharSetUtf8Bom, kx::kLineBreakLf, r.text));
    EXPECT_EQ(
        "\xEF\xBB\xBF"
        "abc\xE6\xBC\xA2\n",
        ReadFileBytes(path));
}

TEST_F(TextFileTest, Utf16MarkDecidesTheByteOrder) {
    const std::string path = dir_ / "u16.txt";
    ASSERT_TRUE(WriteFileBytes(path, std::string("\xFE\xFF\x00"
                                                 "a\x6F\x22\x00\r\x00\n",
                                                 10)));
    ReadResult r = ReadText(path, kx::kCharSetUtf16Le);
    EXPECT_EQ(kx::kCharSetUtf16Le, r.char_set);
    EXPECT_EQ("a" + kKan + "\n", r.text);
}

// Bytes 0x0A and 0x0D inside UTF-16 characters (不 is U+4E0D, 上 U+4E0A) are no line breaks.
TEST_F(TextFileTest, Utf16LineBreaksAreCountedInUnits) {
    auto lines = [](const std::string& mark, const std::string& character, const std::string& line_break) {
        std::string bytes = mark;
        for (int line = 0; line < 10; ++line) {
            for (int i = 0; i < 200; ++i) bytes += character;
            bytes += line_break;
        }
        return bytes;
    };
    const std::string path = dir_ / "u16.txt";
    ASSERT_TRUE(WriteFileBytes(path, lines("\xFF\xFE", "\x0D\x4E", std::string("\n\x00", 2))));
    ReadResult r = ReadText(path, kx::kCharSetAuto);
    EXPECT_EQ(kx::kCharSetUtf16LeBom, r.char_set);
    EXPECT_EQ(kx::kLineBreakLf, r.line_break);
    EXPECT_EQ(kx::kLineBreakLf, ReadText(path, kx::kCharSetUtf16Le).line_break);
    ASSERT_TRUE(WriteFileBytes(path, lines("\xFE\xFF", "\x4E\x0D", std::string("\x00\n", 2))));
    EXPECT_EQ(kx::kLineBreakLf, ReadText(path, kx::kCharSetAuto).line_break);
    ASSERT_TRUE(WriteFileBytes(path, lines("", "\x4E\x0A", std::string("\x00\r\x00\n", 4))));
    EXPECT_EQ(kx::kLineBreakCrLf, ReadText(path, kx::kCharSetUtf16Be).line_break);
}

TEST_F(TextFileTest, LossyWhenACharacterOrSequenceCannotBeKept) {
    struct Case {
        kx::CharSetCode char_set;
        std::string bytes;
        const char* what;
    } lossy[] = {
        {kx::kCharSetUtf8, "caf\xC3\xA9\n", "e acute, not in code page 932"},
        {kx::kCharSetUtf8,
         "price \xC2\xA5"
         "100\n",
         "yen sign, only a look-alike in 932"},
        {kx::kCharSetUtf8, "smile \xF0\x9F\x98\x80\n", "outside the BMP"},
        {kx::kCharSetUtf8,
         "a\xE3\x81"
         "b\n",
         "broken sequence"},
        {kx::kCharSetUtf8, "a\xC0\xAF\n", "overlong form"},
        {kx::kCharSetUtf8, "a\xED\xA0\x80\n", "encoded surrogate"},
        {kx::kCharSetUtf8, "abc\xE3\x81", "sequence cut by the end of the file"},
        {kx::kCharSetUtf8,
         "abc\xFF"
         "d",
         "byte FF"},
        {kx::kCharSetUtf16LeBom,
         std::string("\xFF\xFE"
                     "a\x00\x00\xD8"
                     "b\x00",
                     8),
         "lone high surrogate"},
        {kx::kCharSetUtf16LeBom,
         std::string("\xFF\xFE"
                     "a\x00"
                     "b",
                     5),
         "odd last byte"},
        {kx::kCharSetEucJp,
         "\xB4\xC1"
         "a\xB4"
         "b\n",
         "pair broken by ASCII"},
        {kx::kCharSetEucJp, "\xB4\xC1\x8F\xB0\xA1\n", "JIS X 0212 character"},
        {kx::kCharSetEucJp,
         "\xB4\xC1\x8E"
         "a\n",
         "single shift without katakana"},
        {kx::kCharSetEucJp, "\xB4\xC1\x85\xA1\n", "byte outside EUC-JP"},
        {kx::kCharSetJis, "a\x1B(I12\x1B(B\n", "half-width katakana set"},
        {kx::kCharSetJis, "a\x1B$B4\x1B(B\n", "half a pair"},
        {kx::kCharSetJis, "a\x82\xA0\n", "Shift_JIS bytes"},
        // A lead byte whose second byte would be a line break: written back, the pair would change
        // the file's break (the text-mode reader takes CR LF as one LF before it).
        {kx::kCharSetSjis, "a\x8C\r\nb\r\n", "lead byte before CR LF"},
        {kx::kCharSetSjis, "a\x8C\nb\n", "lead byte before LF"},
        {kx::kCharSetSjis, "a\x8C\rb\rc\r", "lead byte before CR, in a file of CR breaks"},
    };
    const std::string path = dir_ / "lossy.txt";
    for (const Case& c : lossy) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        ReadResult r = ReadText(path, c.char_set);
        EXPECT_TRUE(r.ok);
        EXPECT_TRUE(r.lossy);
    }
    // The same files without the offending part read clean.
    const Case clean[] = {
        {kx::kCharSetUtf8, "caf\xE3\x81\x82\n", ""},
        {kx::kCharSetSjis, "a\x8C\x9F\r\nb\r\n", ""},
        {kx::kCharSetSjis, "a\x8C\x9F\rb\rc\r", ""},
        {kx::kCharSetUtf16LeBom,
         std::string("\xFF\xFE"
                     "a\x00"
                     "b\x00",
                     6),
         ""},
        {kx::kCharSetEucJp,
         "\xB4\xC1"
         "a\xB4\xC1\n\x8E\xB1",
         ""},
        {kx::kCharSetJis,
         "a\x1B$B4A\x1B(J"
         "b\n",
         ""},
    };
    for (const Case& c : clean) {
        ASSERT_TRUE(WriteFileBytes(path, c.bytes));
        EXPECT_FALSE(ReadText(path, c.char_set).lossy) << c.char_set;
    }
}

// A broken sequence never takes a line break with it.
TEST_F(TextFileTest, BrokenSequencesKeepTheLineBreaks) {
    const std::string path = dir_ / "broken.txt";
    ASSERT_TRUE(WriteFileBytes(path, "a\xE3\x81\nb\xC3\r\nc"));
    std::string text = ReadText(path, kx::kCharSetUtf8).text;  // how many "?" stand in is the platform's choice
    EXPECT_EQ("a?", text.substr(0, 2));
    EXPECT_NE(std::string::npos, text.find("?\nb?"));
    EXPECT_EQ("?\nc", text.substr(text.size() - 3));
    ASSERT_TRUE(WriteFileBytes(path, "\xB4\r\n\xB4\xC1\x8E\nx"));
    EXPECT_EQ("?\n" + kKan + "?\nx", ReadText(path, kx::kCharSetEucJp).text);
    ASSERT_TRUE(WriteFileBytes(path, "\x1B$B4\n4A\x1B\nz"));
    EXPECT_EQ("?\n4A\nz", ReadText(path, kx::kCharSetJis).text);
}

TEST_F(TextFileTest, WriterReportsCharactersTheSetCannotHold) {
    const std::string path = dir_ / "w.txt";
    bool lossy = true;
    ASSERT_TRUE(WriteText(path, kx::kCharSetEucJp, kx::kLineBreakLf, kKan + kCircled1 + "\xFA\x5C", &lossy));
    EXPECT_FALSE(lossy);  // 纊 of the IBM extensions goes out as its NEC-selected form
    EXPECT_EQ(kKan + kCircled1 + "\xED\x40", ReadText(path, kx::kCharSetEucJp).text);
    ASSERT_TRUE(WriteText(path, kx::kCharSetEucJp, kx::kLineBreakLf, "\xF0\x40", &lossy));  // user-defined area
    EXPECT_TRUE(lossy);
    ASSERT_TRUE(WriteText(path, kx::kCharSetUtf8, kx::kLineBreakLf, "\x82\x20", &lossy));  // no character of 932
    EXPECT_TRUE(lossy);
}

TEST_F(TextFileTest, NulBytesAreCopiedAndReported) {
    const std::string path = dir_ / "zero.txt";
    ASSERT_TRUE(WriteFileBytes(path, std::string("ab\0cd\r\nef", 9)));
    ReadResult r = ReadText(path, kx::kCharSetAuto);
    EXPECT_EQ(std::string("ab\0cd\nef", 8), r.text);
    EXPECT_TRUE(r.has_nul);
    ASSERT_TRUE(WriteFileBytes(path, std::string("a\0b\n", 4)));
    r = ReadText(path, kx::kCharSetUtf8);
    EXPECT_TRUE(r.has_nul);
    EXPECT_FALSE(r.lossy);
    // One NUL anywhere in a text of double-byte characters and ASCII, and none at all; bytes of 0x80
    // and above around it must not hide it or stand for it.
    const std::string clean = "\x82\xA0x\x95\x5C\xFF\xB1yz\x81\x80 0123456789abcdef";
    for (size_t at = 0; at <= clean.size(); ++at) {
        std::string bytes = clean;
        if (at < clean.size()) bytes.insert(at, 1, '\0');
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        r = ReadText(path, kx::kCharSetSjis);
        EXPECT_EQ(at < clean.size(), r.has_nul) << "NUL at " << at;
    }
}

// ReadLine stops after the first break; the smallest block still takes a whole sequence; ReadAll
// takes the rest.
TEST_F(TextFileTest, ReadLineSmallBlocksAndReadAll) {
    const std::string path = dir_ / "lines.txt";
    ASSERT_TRUE(WriteFileBytes(path, "one\r\ntwo\xE6\xBC\xA2\r\nthree"));
    kx::TextFile file;
    ASSERT_TRUE(file.Open(path.c_str(), kx::TextFile::kRead, kx::kCharSetUtf8, kx::kLineBreakCrLf));
    char block[64];
    EXPECT_EQ(-1, file.reader->Read(block, kx::kMinReadBuffer - 1));
    EXPECT_EQ(4, file.reader->ReadLine(block, sizeof block));
    EXPECT_STREQ("one\n", block);
    EXPECT_EQ(5, file.reader->Read(block, kx::kMinReadBuffer));
    EXPECT_EQ("two" + kKan, std::string(block));
    kxlib::string rest;
    EXPECT_TRUE(file.reader->ReadAll(&rest));
    EXPECT_STREQ("\nthree", rest.c_str());
    EXPECT_EQ(0, file.reader->Read(block, sizeof block));
}

TEST_F(TextFileTest, OpenRefusals) {
    const std::string path = dir_ / "open.txt";
    ASSERT_TRUE(WriteFileBytes(path, "text\n"));
    kx::TextFile file;
    EXPECT_FALSE(
        file.Open(static_cast<const char*>(nullptr), kx::TextFile::kRead, kx::kCharSetAuto, kx::kLineBreakCrLf));
    EXPECT_FALSE(file.Open("", kx::TextFile::kRead, kx::kCharSetAuto, kx::kLineBreakCrLf));
    EXPECT_FALSE(file.Open(path.c_str(), 2, kx::kCharSetAuto, kx::kLineBreakCrLf));
    EXPECT_FALSE(file.Open((dir_ / "missing.txt").c_str(), kx::TextFile::kRead, kx::kCharSetAuto, kx::kLineBreakCrLf));
    EXPECT_FALSE(file.Open(path.c_str(), kx::TextFile::kWrite, kx::kCharSetAuto, kx::kLineBreakLf));
    EXPECT_FALSE(file.Open(path.c_str(), kx::TextFile::kWrite, kx::kCharSetSjis, kx::kLineBreakAuto));
    EXPECT_FALSE(file.reader);
    EXPECT_FALSE(file.writer);
    EXPECT_EQ("text\n", ReadFileBytes(path));  // refused write opens leave the file alone
    ASSERT_TRUE(file.Open(path.c_str(), kx::TextFile::kRead, kx::kCharSetAuto, kx::kLineBreakCrLf));
    EXPECT_FALSE(file.Open(path.c_str(), kx::TextFile::kRead, kx::kCharSetAuto, kx::kLineBreakCrLf));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.reader);
}

// A file without a mark whose first character is U+FEFF (or, in UTF-16, U+FFFE) would be read back
// with that character taken for a byte-order mark: lost, or the whole file read in the other byte
// order. The writer calls it a loss, so that a run refuses the file; with a mark, or further on, the
// character is written as any other.
TEST_F(TextFileTest, FirstCharacterThatReadsAsAMarkIsALossWithoutAMark) {
    const std::string path = dir_ / "mark_like.txt";
    struct Case {
        kx::CharSetCode char_set;
        uint32_t character;
        bool lossy;
    } cases[] = {
        {kx::kCharSetUtf8, 0xFEFF, true},         {kx::kCharSetUtf16Le, 0xFEFF, true},
        {kx::kCharSetUtf16Be, 0xFEFF, true},      {kx::kCharSetUtf16Le, 0xFFFE, true},
        {kx::kCharSetUtf16Be, 0xFFFE, true},      {kx::kCharSetUtf8, 0xFFFE, false},
        {kx::kCharSetUtf8Bom, 0xFEFF, false},     {kx::kCharSetUtf16LeBom, 0xFEFF, false},
        {kx::kCharSetUtf16BeBom, 0xFFFE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.char_set) + " " + std::to_string(c.character));
        kx::StandIns stand_ins;
        char code[2];
        uint32_t m = 0;
        ASSERT_TRUE(stand_ins.Put(c.character, code, &m));
        ASSERT_EQ(2u, m);
        const std::string text = std::string(code, 2) + "ab\n";
        for (bool first : {true, false}) {
            kx::TextFile file;
            ASSERT_TRUE(file.Open(path.c_str(), kx::TextFile::kWrite, c.char_set, kx::kLineBreakLf));
            ASSERT_TRUE(file.writer->UseStandIns(&stand_ins));
            const std::string written = first ? text : "x" + text;
            file.writer->Write(written.data(), static_cast<uint32_t>(written.size()));
            EXPECT_EQ(first && c.lossy, file.writer->lossy()) << (first ? "first" : "second");
            EXPECT_TRUE(file.Close());
            if (first && c.lossy) continue;
            // Read back with stand-ins: the very text.
            kx::StandIns again;
            ASSERT_TRUE(file.Open(path.c_str(), kx::TextFile::kRead, c.char_set, kx::kLineBreakLf));
            file.reader->UseStandIns(&again);
            kxlib::string back;
            file.reader->ReadAll(&back);
            EXPECT_FALSE(file.reader->lossy());
            EXPECT_TRUE(file.Close());
            ASSERT_EQ(written.size(), back.length());
        }
    }
}

// /dev/full accepts the open and fails every write, as a full disk does.
TEST_F(TextFileTest, WriteFailuresAreReportedAtClose) {
    const char* full = "Z:\\dev\\full";
    for (kx::CharSetCode char_set : kAllSets) {
        for (size_t size : {size_t(10), size_t(100000)}) {
            kx::TextFile file;
            ASSERT_TRUE(file.Open(full, kx::TextFile::kWrite, char_set, kx::kLineBreakLf)) << char_set;
            std::string text(size, 'x');
            file.writer->Write(text.data(), static_cast<uint32_t>(text.size()));
            EXPECT_FALSE(file.Close()) << char_set << " " << size;
        }
    }
}

}  // namespace
