// Hostile input for the text layer: the classification of samples, every reader over random and
// mutated files, and the Shift_JIS/JIS conversions over every byte pair. Samples and read buffers
// end right before a guard page. A text read without a loss flag must be the file's text: written
// back in its character set and read again it gives the same text, and its bytes differ from the
// file's only where line breaks, byte-order marks or JIS escapes are written in their one usual way.
// For UTF-8 and UTF-16 the platform's own converters judge independently whether anything was lost.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "crash_guard.h"
#include "file_fault_support.h"
#include "guarded_bytes.h"
#include "hostile_inputs.h"
#include "test_support.h"
#include "text/charset.h"
#include "text/codepage.h"
#include "text/detect.h"
#include "text/jis.h"
#include "text/stand_ins.h"
#include "text/text_file.h"

namespace {

using kxtest::Escaped;
using kxtest::GuardedBytes;

void Tally(const char* target, uint32_t inputs) {
    std::printf("[ inputs   ] %s %u\n", target, inputs);
    testing::Test::RecordProperty("inputs", static_cast<int>(inputs));
}

const kx::CharSetCode kCharSets[] = {kx::kCharSetSjis,       kx::kCharSetEucJp,   kx::kCharSetJis,
                                     kx::kCharSetUtf8,       kx::kCharSetUtf8Bom, kx::kCharSetUtf16BeBom,
                                     kx::kCharSetUtf16LeBom, kx::kCharSetUtf16Be, kx::kCharSetUtf16Le};

bool IsKnownCharSet(int32_t c) {
    static const int32_t kDetected[] = {932, -932, -933, -65001, 65001, -3,  -4,  -5,  -6,
                                        -7,  -8,   -936, -949,   -2,    936, 949, 950, -1};
    for (int32_t k : kDetected)
        if (k == c) return true;
    return false;
}

// What the classification may be told about the system.
class FakeCodePages : public kx::CodePageQuery {
public:
    FakeCodePages(uint32_t ansi, bool installed) : ansi_(ansi), installed_(installed) {}
    uint32_t AnsiCodePage() const override { return ansi_; }
    bool IsInstalled(uint32_t) const override { return installed_; }

private:
    uint32_t ansi_;
    bool installed_;
};

// Internal text with every kind of character the readers and writers treat apart.
std::string SampleText(size_t bytes) {
    std::string t;
    for (int line = 0; t.size() < bytes; ++line) {
        t += "line " + std::to_string(line) + " \x82\xA0\x83\x5C\x95\x5C\x8C\x9F\x8D\xF5 \xB6\xDE\x87\x40\xFA\x40";
        t += line % 3 == 0 ? "\r\n" : line % 3 == 1 ? "\n" : "\r";
    }
    return t;
}

std::vector<std::string> FileSeeds() {
    std::vector<std::string> seeds;
    const std::string text = SampleText(5000);
    for (kx::CharSetCode c : kCharSets)
        seeds.push_back(kxtest::Encoded(text, c, c == kx::kCharSetSjis ? kx::kLineBreakLf : kx::kLineBreakCrLf));
    seeds.push_back(kxtest::Encoded(SampleText(300), kx::kCharSetJis, kx::kLineBreakCrLf));
    seeds.push_back(std::string("\xFF\xFE\x00\xD8\x41\x00\x00\xDC\x0D\x00", 10));  // UTF-16 with lone surrogates
    seeds.push_back("\x1B$B\x30\x21\x1B(J\\~\x1B$)C\x1B(I\x8E\xA1\x8F\xA2\xA3");   // escapes, single shifts
    seeds.push_back(
        "\xEF\xBB\xBF\xC0\xAF\xED\xA0\x80\xF4\x90\x80\x80\xE3\x81\r\n");  // overlong, surrogate, too large, cut
    seeds.push_back(std::string(4095, 'a') + "\r\nあ" + std::string(4093, 'b') + "\x82");  // block edges
    return seeds;
}

TEST(HostileText, DetectAnswersEverySample) {
    const std::vector<std::string> seeds = FileSeeds();
    GuardedBytes guard(1 << 15);
    const FakeCodePages others[] = {{1252, true}, {949, false}, {936, true}, {932, false}};
    const uint64_t seed = kxtest::FuzzSeed() + 20;
    const uint32_t count = 20000 * kxtest::FuzzScale();
    for (uint32_t i = 0; i < count; ++i) {
        std::string sample = kxtest::HostileInput(seed, i, seeds, 9000);
        if (sample.size() > kx::kDetectSampleSize) sample.resize(kx::kDetectSampleSize);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(guard.Place(sample));
        const uint32_t n = static_cast<uint32_t>(sample.size());
        kxtest::Random r(seed + i);
        const kx::CharSetCode requested = r.OneIn(4) ? kCharSets[r.Below(9)] : kx::kCharSetAuto;
        const kx::LineBreakCode hint = static_cast<kx::LineBreakCode>(r.Below(3));
        kx::Detection d = kx::Detect(p, n, requested, hint);
        ASSERT_TRUE(IsKnownCharSet(d.char_set)) << d.char_set << " " << Escaped(sample);
        ASSERT_TRUE(d.line_break >= 0 && d.line_break <= 2) << Escaped(sample);
        if (requested) {
            ASSERT_EQ(requested, d.char_set);
        }
        if (n <= 4 && requested) {
            ASSERT_EQ(hint, d.line_break);
        }
        if (n > 4 && sample.compare(0, 3, "\xEF\xBB\xBF") == 0 && !requested) {
            ASSERT_EQ(-65001, d.char_set);
        }
        const kx::Detection other = kx::Detect(p, n, requested, hint, others[i % 4]);
        ASSERT_TRUE(IsKnownCharSet(other.char_set)) << other.char_set << " " << Escaped(sample);
        ASSERT_EQ(d.line_break, other.line_break);
    }
    Tally("Detect", count);
}

// Line breaks of a byte encoding in their one form: CR LF and CR become LF.
std::string CanonicalBreaks(const std::string& b) {
    std::string out;
    for (size_t i = 0; i < b.size(); ++i) {
        if (b[i] == '\r') {
            out.push_back('\n');
            if (i + 1 < b.size() && b[i + 1] == '\n') ++i;
        } else {
            out.push_back(b[i]);
        }
    }
    return out;
}

// JIS bytes without their escape sequences (the readers drop them; the writer puts its own).
std::string WithoutEscapes(const std::string& b) {
    std::string out;
    for (size_t i = 0; i < b.size(); ++i) {
        if (b[i] == 0x1B && i + 2 < b.size()) {
            i += 2;
            continue;
        }
        out.push_back(b[i]);
    }
    return out;
}

// UTF-16 units of a file: in the order a leading mark names, else in `big_endian` order; the mark
// dropped, line breaks in one form. *odd is set for a byte that belongs to no unit.
std::vector<uint16_t> Units(const std::string& b, bool big_endian, bool* odd) {
    std::vector<uint16_t> u;
    size_t i = 0;
    if (b.size() >= 2) {
        unsigned char x = static_cast<unsigned char>(b[0]), y = static_cast<unsigned char>(b[1]);
        if (x == 0xFF && y == 0xFE) {
            big_endian = false;
            i = 2;
        } else if (x == 0xFE && y == 0xFF) {
            big_endian = true;
            i = 2;
        }
    }
    for (; i + 1 < b.size(); i += 2) {
        unsigned char x = static_cast<unsigned char>(b[i]), y = static_cast<unsigned char>(b[i + 1]);
        uint16_t v = static_cast<uint16_t>(big_endian ? (x << 8) | y : (y << 8) | x);
        if (v == 0x0D) {
            u.push_back(0x0A);
            if (i + 3 < b.size()) {
                unsigned char p = static_cast<unsigned char>(b[i + 2]), q = static_cast<unsigned char>(b[i + 3]);
                if ((big_endian ? (p << 8) | q : (q << 8) | p) == 0x0A) i += 2;
            }
        } else {
            u.push_back(v);
        }
    }
    *odd = b.size() % 2 != 0;
    return u;
}

// Whether units convert to code page 932 and back without any change.
bool ExactInAnsi(const std::vector<uint16_t>& units) {
    if (units.empty()) return true;
    const int n = static_cast<int>(units.size());
    std::vector<char> bytes(static_cast<size_t>(n) * 2 + 2);
    BOOL used_default = FALSE;
    const wchar_t* w = reinterpret_cast<const wchar_t*>(units.data());
    int m = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, w, n, bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                &used_default);
    if (m <= 0 || used_default) return false;
    std::vector<wchar_t> back(static_cast<size_t>(n) + 1);
    int k = MultiByteToWideChar(932, 0, bytes.data(), m, back.data(), n + 1);
    return k == n && std::memcmp(back.data(), w, static_cast<size_t>(n) * sizeof(wchar_t)) == 0;
}

// The independent verdict on a UTF-8 or UTF-16 file: true when its text reaches code page 932 whole.
bool LosslessUnicode(const std::string& bytes, kx::CharSetCode char_set) {
    if (char_set == kx::kCharSetUtf8 || char_set == kx::kCharSetUtf8Bom) {
        std::string b = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
        if (b.empty()) return true;
        std::vector<uint16_t> units(b.size() + 1);
        int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, b.data(), static_cast<int>(b.size()),
                                    reinterpret_cast<wchar_t*>(units.data()), static_cast<int>(units.size()));
        if (n <= 0) return false;
        units.resize(static_cast<size_t>(n));
        return ExactInAnsi(units);
    }
    bool odd = false;
    bool big = char_set == kx::kCharSetUtf16BeBom || char_set == kx::kCharSetUtf16Be;
    std::vector<uint16_t> units = Units(bytes, big, &odd);
    return !odd && ExactInAnsi(units);
}

struct ReadResult {
    std::string text;
    bool opened = false, lossy = false, has_nul = false, failed = false;
    kx::CharSetCode char_set = kx::kCharSetAuto;
    kx::LineBreakCode line_break = kx::kLineBreakCr;
};

// Reads a file block by block into buffers of random sizes that end at the guard page.
ReadResult ReadThrough(const std::string& path, kx::CharSetCode char_set, GuardedBytes& guard, kxtest::Random& r,
                       const std::string& where, kx::StandIns* stand_ins = nullptr) {
    ReadResult out;
    kx::TextFile file;
    if (!file.Open(path.c_str(), kx::TextFile::kRead, char_set, kx::kLineBreakCrLf)) return out;
    file.reader->UseStandIns(stand_ins);
    out.opened = true;
    out.char_set = file.file_char_set;
    out.line_break = file.file_line_break;
    for (int guard_rounds = 0; guard_rounds < 100000; ++guard_rounds) {
        const uint32_t size = r.OneIn(2) ? 4096 : kx::kMinReadBuffer + r.Below(600);
        char* buffer = guard.Room(size);
        const int32_t n = file.reader->Read(buffer, size);
        if (n < 0) {
            EXPECT_TRUE(file.reader->failed()) << where;
            break;
        }
        EXPECT_LE(static_cast<uint32_t>(n), size - 1) << where;
        EXPECT_EQ('\0', buffer[n]) << where;
        if (n == 0) break;
        out.text.append(buffer, static_cast<size_t>(n));
    }
    out.lossy = file.reader->lossy();
    out.has_nul = file.reader->has_nul();
    out.failed = file.reader->failed();
    return out;
}

// The bytes written back from a text read without loss are the file's own, but for the one form the
// writers give line breaks, byte-order marks and JIS escapes.
void ExpectSameButForForms(const std::string& bytes, const std::string& written, kx::CharSetCode used,
                           const std::string& where) {
    if (used >= -6 && used <= -3) {
        bool odd_in = false, odd_out = false;
        const bool big = used == -3 || used == -5;
        const bool flipped = bytes.size() >= 2 && ((big && bytes.compare(0, 2, "\xFF\xFE") == 0) ||
                                                   (!big && bytes.compare(0, 2, "\xFE\xFF") == 0));
        if (!flipped) {
            ASSERT_EQ(Units(bytes, big, &odd_in), Units(written, big, &odd_out)) << where;
        }
        return;
    }
    std::string a = bytes, b = written;
    if (used == 65001 || used == -65001) {
        if (a.compare(0, 3, "\xEF\xBB\xBF") == 0) a = a.substr(3);
        if (b.compare(0, 3, "\xEF\xBB\xBF") == 0) b = b.substr(3);
    }
    if (used == -933) {
        a = WithoutEscapes(a);
        b = WithoutEscapes(b);
    }
    ASSERT_EQ(Escaped(CanonicalBreaks(a)), Escaped(CanonicalBreaks(b))) << where;
}

// The Unicode scalar values of a well-formed UTF-8 or UTF-16 file (its mark left out), by the
// platform's own strict decoder; false when the file is not well-formed.
bool ScalarValues(const std::string& bytes, kx::CharSetCode char_set, std::vector<uint32_t>* values) {
    std::vector<uint16_t> units;
    if (char_set == kx::kCharSetUtf8 || char_set == kx::kCharSetUtf8Bom) {
        std::string b = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
        if (!b.empty()) {
            units.resize(b.size() + 1);
            int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, b.data(), static_cast<int>(b.size()),
                                        reinterpret_cast<wchar_t*>(units.data()), static_cast<int>(units.size()));
            if (n <= 0) return false;
            units.resize(static_cast<size_t>(n));
        }
    } else {
        bool odd = false;
        units = Units(bytes, char_set == kx::kCharSetUtf16BeBom || char_set == kx::kCharSetUtf16Be, &odd);
        if (odd) return false;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        uint32_t u = units[i];
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u > 0xDBFF || i + 1 == units.size() || units[i + 1] < 0xDC00 || units[i + 1] > 0xDFFF) return false;
            u = 0x10000 + ((u - 0xD800) << 10) + (units[++i] - 0xDC00u);
        }
        values->push_back(u);
    }
    return true;
}

// With stand-in codes a UTF-8 or UTF-16 file is lossy exactly when it is not well-formed (or when
// it needs more codes than the user-defined area has, which the inputs here stay well below): every
// other file is written back with its own bytes.
TEST(HostileText, StandInsKeepEveryWellFormedUnicodeFile) {
    ASSERT_EQ(932u, GetACP());
    const std::vector<std::string> seeds = FileSeeds();
    kxtest::ScratchDir dir("text-fuzz-stand-ins");
    const std::string input = dir / "input.txt", output = dir / "output.txt";
    GuardedBytes guard(1 << 14);
    const uint64_t seed = kxtest::FuzzSeed() + 37;
    const uint32_t count = 1000 * kxtest::FuzzScale();
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
        std::string bytes = kxtest::HostileInput(seed, i, seeds, 12000);
        kxtest::Random r(seed ^ i);
        // Characters the code page lacks, dropped in at random places as UTF-8 or UTF-16 LE.
        static const std::string kRare[] = {"\xC2\xA0",
                                            "\xE2\x80\x94",
                                            "\xF0\x9F\x98\x80",
                                            "\xEE\x80\x80",
                                            std::string("\xA0\x00", 2),
                                            "\x14\x20",
                                            std::string("\x3D\xD8\x00\xDE", 4),
                                            std::string("\x00\xE0", 2)};
        for (uint32_t k = r.Below(6); k > 0; --k) {
            const size_t at = bytes.empty() ? 0 : r.Below(static_cast<uint32_t>(bytes.size()));
            bytes.insert(at, kRare[r.Below(8)]);
        }
        ASSERT_TRUE(kxtest::WriteFileBytes(input, bytes));
        for (kx::CharSetCode asked : {kx::kCharSetUtf8, kx::kCharSetUtf8Bom, kx::kCharSetUtf16BeBom,
                                      kx::kCharSetUtf16LeBom, kx::kCharSetUtf16Be, kx::kCharSetUtf16Le}) {
            const std::string where = "char set " + std::to_string(asked) + ", input " + std::to_string(i) + ": " +
                                      Escaped(bytes.substr(0, 300));
            kxtest::NoteInput(where);
            kx::StandIns stand_ins;
            ReadResult got = ReadThrough(input, asked, guard, r, where, &stand_ins);
            if (stand_ins.clashed()) {
                // The file's own user-defined character came after its code was given out: read
                // again, as the run does, with the file's own codes known from the start.
                stand_ins = stand_ins.Restart();
                got = ReadThrough(input, asked, guard, r, where, &stand_ins);
                ASSERT_FALSE(stand_ins.clashed()) << where;
            }
            ASSERT_TRUE(got.opened && !got.failed) << where;
            std::vector<uint32_t> values;
            const bool well_formed = ScalarValues(bytes, got.char_set, &values);
            if (!well_formed) {
                ASSERT_TRUE(got.lossy) << "an ill-formed file read without loss, " << where;
                continue;
            }
            std::sort(values.begin(), values.end());
            if (std::unique(values.begin(), values.end()) - values.begin() < 1800) {
                ASSERT_FALSE(got.lossy) << "a well-formed file read with a loss, " << where;
            }
            if (got.lossy || got.has_nul) continue;
            ++kept;
            {
                kx::TextFile file;
                ASSERT_TRUE(file.Open(output.c_str(), kx::TextFile::kWrite, got.char_set, got.line_break)) << where;
                ASSERT_TRUE(file.writer->UseStandIns(&stand_ins)) << where;
                file.writer->Write(got.text.data(), static_cast<uint32_t>(got.text.size()));
                ASSERT_FALSE(file.writer->lossy()) << "written with a loss after a lossless read, " << where;
                ASSERT_TRUE(file.Close()) << where;
            }
            ExpectSameButForForms(bytes, kxtest::ReadFileBytes(output), got.char_set, where);
            if (HasFatalFailure()) return;
        }
    }
    kxtest::NoteInput("");
    Tally("stand-in files", count);
    std::printf("[ kept     ] %u reads written back byte for byte\n", kept);
    RecordProperty("kept", static_cast<int>(kept));
}

TEST(HostileText, EveryReaderFlagsWhatItLoses) {
    ASSERT_EQ(932u, GetACP());
    const std::vector<std::string> seeds = FileSeeds();
    kxtest::ScratchDir dir("text-fuzz");
    const std::string input = dir / "input.txt", output = dir / "output.txt";
    GuardedBytes guard(1 << 14);
    const uint64_t seed = kxtest::FuzzSeed() + 21;
    const uint32_t count = 1500 * kxtest::FuzzScale();
    uint32_t reads = 0, lossless = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string bytes = kxtest::HostileInput(seed, i, seeds, 12000);
        ASSERT_TRUE(kxtest::WriteFileBytes(input, bytes));
        kxtest::Random r(seed ^ i);
        for (kx::CharSetCode asked : {kx::kCharSetAuto, kx::kCharSetSjis, kx::kCharSetEucJp, kx::kCharSetJis,
                                      kx::kCharSetUtf8, kx::kCharSetUtf8Bom, kx::kCharSetUtf16BeBom,
                                      kx::kCharSetUtf16LeBom, kx::kCharSetUtf16Be, kx::kCharSetUtf16Le}) {
            const std::string where = "char set " + std::to_string(asked) + ", input " + std::to_string(i) + ": " +
                                      Escaped(bytes.substr(0, 300));
            kxtest::NoteInput(where);
            ReadResult got = ReadThrough(input, asked, guard, r, where);
            ++reads;
            ASSERT_TRUE(got.opened) << where;
            ASSERT_FALSE(got.failed) << where;
            const kx::CharSetCode used = got.char_set;
            const bool unicode = used == 65001 || used == -65001 || (used >= -6 && used <= -3);
            if (unicode && !got.has_nul) {
                ASSERT_EQ(!LosslessUnicode(bytes, used), got.lossy) << "loss verdict differs, " << where;
            }
            if (got.lossy || got.has_nul) continue;
            ++lossless;
            // Written back in its own character set and line break: nothing lost, and read again the
            // same text.
            {
                kx::TextFile file;
                ASSERT_TRUE(file.Open(output.c_str(), kx::TextFile::kWrite, used, got.line_break)) << where;
                file.writer->Write(got.text.data(), static_cast<uint32_t>(got.text.size()));
                ASSERT_FALSE(file.writer->lossy()) << "written with a loss after a lossless read, " << where;
                ASSERT_TRUE(file.Close()) << where;
            }
            const std::string written = kxtest::ReadFileBytes(output);
            ReadResult again = ReadThrough(output, used, guard, r, where);
            ASSERT_FALSE(again.lossy) << where;
            ASSERT_EQ(CanonicalBreaks(got.text), CanonicalBreaks(again.text)) << where;
            // And its bytes are the file's, but for the one form of line breaks, marks and escapes.
            ExpectSameButForForms(bytes, written, used, where);
            if (HasFatalFailure()) return;
        }
    }
    kxtest::NoteInput("");
    Tally("reader files", count);
    std::printf("[ decodes  ] %u (every file read in each of 10 character sets)\n", reads);
    RecordProperty("lossless", static_cast<int>(lossless));
}

TEST(HostileText, ConversionsOverEveryBytePair) {
    ASSERT_EQ(932u, GetACP());
    uint32_t pairs = 0;
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            ++pairs;
            const unsigned char l = static_cast<unsigned char>(lead), t = static_cast<unsigned char>(trail);
            const kx::BytePair j = kx::SjisToJis(l, t);
            if (!kx::IsLeadByte(l) || !kx::SjisHasJisForm(l, t)) continue;
            // A character with a JIS form goes there and comes back as the same character.
            ASSERT_TRUE(kx::IsJisPair(j.first, j.second)) << lead << " " << trail;
            const kx::BytePair s = kx::JisToSjis(j.first - 0x20, j.second - 0x20);
            const char before[2] = {static_cast<char>(l), static_cast<char>(t)};
            const char after[2] = {static_cast<char>(s.first), static_cast<char>(s.second)};
            wchar_t a[2] = {}, b[2] = {};
            const int na = MultiByteToWideChar(932, 0, before, 2, a, 2);
            const int nb = MultiByteToWideChar(932, 0, after, 2, b, 2);
            if (s.first != l || s.second != t) {
                ASSERT_TRUE(na == 1 && nb == 1 && a[0] == b[0]) << std::hex << lead << " " << trail;
            }
        }
    }
    // Row and cell numbers outside 1-94, as broken EUC-JP and JIS bytes give them: two bytes and nothing else.
    for (int ku = -300; ku <= 300; ++ku)
        for (int ten = -300; ten <= 300; ten += 7) {
            kx::JisToSjis(ku, ten);
            ++pairs;
        }
    Tally("Shift_JIS/JIS pairs", pairs);
}

}  // namespace
