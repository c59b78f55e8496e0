// Runs over UTF-8 and UTF-16 files holding characters code page 932 lacks: every character outside
// the replaced words comes back byte for byte, the number of stand-in codes a file can use is
// bounded, ill-formed files are refused untouched, and searching treats each such character as one
// double-byte character.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "engine/job_settings.h"
#include "engine/replace_run.h"
#include "match/matcher.h"
#include "log_texts.h"
#include "run_fixture.h"
#include "test_support.h"

using kxtest::kFailed;
using kxtest::kNoHit;
using kxtest::ReadFileBytes;
using kxtest::Replaced;
using kxtest::WriteFileBytes;

namespace {

enum class Form { kUtf8, kUtf8Mark, kUtf16Le, kUtf16Be };

// The file bytes of a sequence of scalar values; the UTF-16 forms with their mark.
std::string Encode(const std::vector<uint32_t>& text, Form form) {
    std::string out;
    if (form == Form::kUtf8Mark) out = "\xEF\xBB\xBF";
    if (form == Form::kUtf16Le) out = "\xFF\xFE";
    if (form == Form::kUtf16Be) out = "\xFE\xFF";
    auto unit = [&](uint32_t u) {
        const char lo = static_cast<char>(u & 0xFF), hi = static_cast<char>(u >> 8);
        out += form == Form::kUtf16Be ? std::string{hi, lo} : std::string{lo, hi};
    };
    for (uint32_t cp : text) {
        if (form == Form::kUtf16Le || form == Form::kUtf16Be) {
            if (cp < 0x10000) {
                unit(cp);
            } else {
                unit(0xD800 | ((cp - 0x10000) >> 10));
                unit(0xDC00 | ((cp - 0x10000) & 0x3FF));
            }
        } else if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::vector<uint32_t> Text(const std::string& ascii) { return std::vector<uint32_t>(ascii.begin(), ascii.end()); }

std::vector<uint32_t> operator+(std::vector<uint32_t> a, const std::vector<uint32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// count Hangul syllables from U+AC00 on: characters code page 932 lacks, each one a code of its own.
std::vector<uint32_t> Hangul(uint32_t count, uint32_t from = 0) {
    std::vector<uint32_t> out;
    for (uint32_t i = 0; i < count; ++i) out.push_back(0xAC00 + from + i);
    return out;
}

class UnicodeRun : public kxtest::RunFixture {
protected:
    UnicodeRun() : RunFixture("unicode-run") {}
    void TearDown() override { kx::HmJrePath().assign(""); }
    void UseSieve(const char* options) {
        kx::HmJrePath().assign((kxtest::ProgramDir() + "sieve.dll").c_str());
        job.Set(options);
    }
    std::string Notice() const { return job.notice_log.c_str(); }
};

class EveryScalarValue : public UnicodeRun, public ::testing::WithParamInterface<Form> {};

}  // namespace

// Every Unicode scalar value but NUL, beside a hit, in files of 1,880 values each (so that every file
// fits in the stand-in codes whatever it holds). CR and LF stand together as the file's line break.
TEST_P(EveryScalarValue, ComesBackByteForByteBesideAReplacedHit) {
    const Form form = GetParam();
    if (form == Form::kUtf8) job.SetCharSet("utf8n");
    std::vector<std::string> names, expected;
    std::vector<uint32_t> chunk, replaced;
    auto flush = [&] {
        const std::string name = "f" + std::to_string(names.size()) + ".txt";
        ASSERT_TRUE(WriteFileBytes(dir / name, Encode(chunk, form)));
        names.push_back(name);
        expected.push_back(Encode(replaced, form));
        chunk = Text("@");
        replaced = Text("#");
    };
    chunk = Text("@\r\n@");
    replaced = Text("#\r\n#");
    for (uint32_t cp = 1; cp <= 0x10FFFF; ++cp) {
        if (cp == '\r' || cp == '\n' || (cp >= 0xD800 && cp <= 0xDFFF)) continue;
        chunk.push_back(cp);
        chunk.push_back('@');
        replaced.push_back(cp == '@' ? '#' : cp);
        replaced.push_back('#');
        if (chunk.size() >= 2 * 1880) flush();
    }
    flush();
    Find("@", "#");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(Notice(), "") << "no file refused, none without a hit";
    for (size_t i = 0; i < names.size(); ++i) ASSERT_TRUE(ReadFileBytes(dir / names[i]) == expected[i]) << names[i];
}

INSTANTIATE_TEST_SUITE_P(Forms, EveryScalarValue, ::testing::Values(Form::kUtf8, Form::kUtf16Le, Form::kUtf16Be),
                         [](const ::testing::TestParamInfo<Form>& info) {
                             return info.param == Form::kUtf8      ? "Utf8"
                                    : info.param == Form::kUtf16Le ? "Utf16Le"
                                                                   : "Utf16Be";
                         });

TEST_F(UnicodeRun, EachFormWithAndWithoutMarkKeepsWhatItHolds) {
    // No-break space, wave dash and full-width tilde (one of them the code page's own), em dash,
    // private use inside and outside the user-defined area, an emoji, a JIS X 0213 kanji.
    const std::vector<uint32_t> rare = {0xA0, 0x301C, 0xFF5E, 0x2014, 0xE000, 0xF8FF, 0x1F600, 0x20B9F, 0xE9};
    const std::vector<uint32_t> text = rare + Text(" old\n") + rare + Text("\n");
    const std::vector<uint32_t> after = rare + Text(" new\n") + rare + Text("\n");
    WriteFileBytes(dir / "u8.txt", Encode(text, Form::kUtf8));
    WriteFileBytes(dir / "u8m.txt", Encode(text, Form::kUtf8Mark));
    WriteFileBytes(dir / "le.txt", Encode(text, Form::kUtf16Le));
    WriteFileBytes(dir / "be.txt", Encode(text, Form::kUtf16Be));
    Find("old", "new");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(Notice(), "");
    EXPECT_TRUE(ReadFileBytes(dir / "u8.txt") == Encode(after, Form::kUtf8));
    EXPECT_TRUE(ReadFileBytes(dir / "u8m.txt") == Encode(after, Form::kUtf8Mark));
    EXPECT_TRUE(ReadFileBytes(dir / "le.txt") == Encode(after, Form::kUtf16Le));
    EXPECT_TRUE(ReadFileBytes(dir / "be.txt") == Encode(after, Form::kUtf16Be));

    // UTF-16 without a mark, named by the job.
    for (const char* set : {"utf16le", "utf16be"}) {
        kxtest::ScratchDir bare("unicode-bare");
        const Form form = set[5] == 'l' ? Form::kUtf16Le : Form::kUtf16Be;
        WriteFileBytes(bare / "a.txt", Encode(text, form).substr(2));
        kx::JobSettings one;
        one.Set("casesense");
        one.SetDir(bare.path().c_str());
        one.SetFilePattern("*.txt");
        one.SetCharSet(set);
        ASSERT_TRUE(one.SetFindStr("old"));
        one.SetReplaceStr("new");
        one.Replace();
        EXPECT_TRUE(ReadFileBytes(bare / "a.txt") == Encode(after, form).substr(2)) << set;
    }
}

// The large file crosses the readers' blocks and the writers' pieces with stand-in codes on every
// line; a second character set in the same run gets codes of its own.
TEST_F(UnicodeRun, LargeFilesAcrossBlocks) {
    std::vector<uint32_t> text, after;
    for (uint32_t line = 0; line < 20000; ++line) {
        const std::vector<uint32_t> rare = {0xA0, 0x1F600 + line % 50, 0xAC00 + line % 1500};
        for (const std::vector<uint32_t>& part : {Text("x old"), rare, Text("\r\n")})
            text.insert(text.end(), part.begin(), part.end());
        for (const std::vector<uint32_t>& part : {Text("x new"), rare, Text("\r\n")})
            after.insert(after.end(), part.begin(), part.end());
    }
    for (Form form : {Form::kUtf8Mark, Form::kUtf16Le, Form::kUtf16Be})
        WriteFileBytes(dir / ("f" + std::to_string(static_cast<int>(form)) + ".txt"), Encode(text, form));
    Find("old", "new");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(Notice(), "");
    for (Form form : {Form::kUtf8Mark, Form::kUtf16Le, Form::kUtf16Be})
        EXPECT_TRUE(ReadFileBytes(dir / ("f" + std::to_string(static_cast<int>(form)) + ".txt")) ==
                    Encode(after, form));
    EXPECT_NE(std::string(job.Log()).find("20000"), std::string::npos);
}

// 1,880 codes: a file needing all of them is rewritten; one more, or one of them taken by the file's
// own user-defined character or by the find string, and the file is refused as it was.
TEST_F(UnicodeRun, DistinctCodesUpToTheAreaAndNotOneMore) {
    const Form f = Form::kUtf8Mark;
    struct Case {
        const char* name;
        std::vector<uint32_t> text;
        bool fits;
    } cases[] = {
        {"fits.txt", Text("old") + Hangul(1880), true},
        {"over.txt", Text("old") + Hangul(1881), false},
        {"repeats.txt", Text("old") + Hangul(1880) + Hangul(1880), true},
        {"own_over.txt", std::vector<uint32_t>{0xE000} + Text("old") + Hangul(1880), false},
        {"own_fits.txt", std::vector<uint32_t>{0xE000} + Text("old") + Hangul(1879), true},
        // The first code given out (F9 FC) is the file's own U+E757, met only at the end: read again.
        {"late_own.txt", Text("old") + Hangul(30) + std::vector<uint32_t>{0xE757} + Hangul(5, 40), true},
        {"late_own_over.txt", Text("old") + Hangul(1880) + std::vector<uint32_t>{0xE757}, false},
    };
    for (const Case& c : cases) WriteFileBytes(dir / c.name, Encode(c.text, f));
    Find("old", "new");
    ASSERT_TRUE(job.Replace());
    for (const Case& c : cases) {
        std::vector<uint32_t> after = c.text;
        for (size_t i = 0; i + 2 < after.size(); ++i)
            if (after[i] == 'o' && after[i + 1] == 'l' && after[i + 2] == 'd') {
                after[i] = 'n';
                after[i + 1] = 'e';
                after[i + 2] = 'w';
            }
        EXPECT_TRUE(ReadFileBytes(dir / c.name) == Encode(c.fits ? after : c.text, f)) << c.name;
        EXPECT_EQ(Notice().find(dir / c.name + kFailed) == std::string::npos, c.fits) << c.name;
    }

    // The find string's own user-defined code is kept from the file's stand-ins.
    WriteFileBytes(dir / "fits.txt", Encode(Text("old") + Hangul(1880), f));
    Find("old|\xF9\xFC", "new");
    job.Replace();
    EXPECT_TRUE(ReadFileBytes(dir / "fits.txt") == Encode(Text("old") + Hangul(1880), f));
    EXPECT_NE(Notice().find(dir / "fits.txt" + kFailed), std::string::npos);
}

TEST_F(UnicodeRun, IllFormedFilesAreRefusedUntouched) {
    const std::string hangul = "\xEA\xB0\x80";  // a character that would need a stand-in
    const std::vector<std::string> utf8 = {
        "\xFF",                  // a byte that begins nothing
        "\x80",                  // a continuation byte alone
        "\xC0\xAF",              // overlong
        "\xE0\x80\xAF",          // overlong
        "\xF0\x80\x80\xAF",      // overlong
        "\xED\xA0\x80",          // an encoded surrogate
        "\xED\xBF\xBF",          // an encoded surrogate
        "\xF4\x90\x80\x80",      // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",  // five bytes
        "\xE3\x81",              // cut short by what follows
    };
    std::vector<std::pair<std::string, std::string>> files;
    for (size_t i = 0; i < utf8.size(); ++i)
        files.emplace_back("u8_" + std::to_string(i) + ".txt", "\xEF\xBB\xBFold " + hangul + utf8[i] + " x\n");
    files.emplace_back("u8_end.txt", "\xEF\xBB\xBFold " + hangul + "\xF0\x9F\x98");  // cut short by the end
    auto le = [](std::initializer_list<uint16_t> units) {
        std::string s = "\xFF\xFE";
        for (uint16_t u : units) s += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
        return s;
    };
    auto be = [](std::initializer_list<uint16_t> units) {
        std::string s = "\xFE\xFF";
        for (uint16_t u : units) s += std::string{static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
        return s;
    };
    files.emplace_back("le_high.txt", le({'o', 'l', 'd', 0xAC00, 0xD83D, 'x'}));
    files.emplace_back("le_low.txt", le({'o', 'l', 'd', 0xAC00, 0xDE00, 'x'}));
    files.emplace_back("le_high_last.txt", le({'o', 'l', 'd', 0xAC00, 0xD83D}));
    files.emplace_back("le_reversed.txt", le({'o', 'l', 'd', 0xDE00, 0xD83D, 'x'}));
    files.emplace_back("le_odd.txt", le({'o', 'l', 'd', 0xAC00}) + "x");
    files.emplace_back("be_high.txt", be({'o', 'l', 'd', 0xAC00, 0xD83D, 'x'}));
    files.emplace_back("be_low.txt", be({'o', 'l', 'd', 0xAC00, 0xDE00}));
    files.emplace_back("be_odd.txt", be({'o', 'l', 'd', 0xAC00}) + "x");
    files.emplace_back("le_nul.txt", le({'o', 'l', 'd', 0xAC00, 0}));
    for (const auto& f : files) WriteFileBytes(dir / f.first, f.second);
    Find("old", "new");
    ASSERT_TRUE(job.Replace());
    EXPECT_STREQ(job.Log(), "");
    for (const auto& f : files) {
        EXPECT_TRUE(ReadFileBytes(dir / f.first) == f.second) << f.first;
        EXPECT_NE(Notice().find(dir / f.first + kFailed), std::string::npos) << f.first;
    }
}

// Find and replace strings that hold user-defined codes find and write the file's own user-defined
// characters (U+E000 for F0 40 ...), never a stand-in.
TEST_F(UnicodeRun, UserDefinedCodesInTheFindAndReplaceStrings) {
    const Form f = Form::kUtf8Mark;
    // Every stand-in code given out, so each user-defined code is one; the file's own F0 40 is U+E000.
    const std::vector<uint32_t> text = std::vector<uint32_t>{0xE000, 'x'} + Hangul(1870);
    WriteFileBytes(dir / "a.txt", Encode(text, f));
    WriteFileBytes(dir / "b.txt", Encode(Hangul(1878) + Text("x"), f));  // all codes but the two strings'
    Find("\xF0\x40", "\xF9\xFC");
    ASSERT_TRUE(job.Replace());
    std::vector<uint32_t> after = text;
    after[0] = 0xE757;
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode(after, f));
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 1));
    EXPECT_EQ(Notice(), dir / "b.txt" + kNoHit) << "no stand-in matches F0 40";

    // Each of the 1,880 codes as the find string: only the file's own character is found.
    WriteFileBytes(dir / "a.txt", Encode(Hangul(1878) + Text("x"), f));
    WriteFileBytes(dir / "b.txt", Encode(std::vector<uint32_t>{0xE123} + Hangul(1878), f));
    int hits = 0;
    for (uint32_t lead = 0xF0; lead <= 0xF9; ++lead)
        for (uint32_t trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            const char find[3] = {static_cast<char>(lead), static_cast<char>(trail), 0};
            Find(find, find);
            job.Replace();
            const std::string log = job.Log();
            if (!log.empty()) {
                ++hits;
                EXPECT_EQ(log, Replaced(dir / "b.txt", 1)) << std::hex << lead << trail;
            }
        }
    EXPECT_EQ(hits, 1);
    EXPECT_TRUE(ReadFileBytes(dir / "b.txt") == Encode(std::vector<uint32_t>{0xE123} + Hangul(1878), f));
}

// A stand-in is one double-byte character: a code-page find string never matches its bytes, and
// whole-word search takes it as no word character (the 0x41 of F0 41 is no "A").
TEST_F(UnicodeRun, PlainSearchNeverMatchesPartOfAStandIn) {
    const Form f = Form::kUtf16Le;
    WriteFileBytes(dir / "a.txt", Encode(Hangul(1880), f));
    std::string bytes;
    for (int c = 0x20; c < 0x7F; ++c) bytes += static_cast<char>(c);
    for (int c = 0xA1; c <= 0xDF; ++c) bytes += static_cast<char>(c);
    for (char c : bytes) {
        const char find[2] = {c, 0};
        if (!job.SetFindStr(find)) continue;
        job.SetReplaceStr("!");
        job.Replace();
        ASSERT_STREQ(job.Log(), "") << c;
    }
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode(Hangul(1880), f));

    job.Set("casesense,word");
    WriteFileBytes(dir / "a.txt", Encode(Hangul(1879) + Text("old") + Hangul(1, 1878) + Text(" old"), f));
    Find("old", "new");
    job.Replace();
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 2));
}

// Regular expressions over Sieve: `.` and classes take a stand-in whole, a tag carries it into the
// replacement, \w takes it and \s does not take a no-break space (it is a double-byte character there).
TEST_F(UnicodeRun, RegularExpressionsTakeAStandInAsOneCharacter) {
    UseSieve("casesense,use_regular");
    const Form f = Form::kUtf8;
    job.SetCharSet("utf8n");
    const std::vector<uint32_t> text = Text("a") + std::vector<uint32_t>{0xA0} + Text("b a") +
                                       std::vector<uint32_t>{0x1F600} + Text("b a b axb a") +
                                       std::vector<uint32_t>{0x2014, 0x2014} + Text("b");
    WriteFileBytes(dir / "a.txt", Encode(text, f));
    Find("a(.)b", "<\\1>");
    ASSERT_TRUE(job.Replace());
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") ==
                Encode(Text("<") + std::vector<uint32_t>{0xA0} + Text("> <") + std::vector<uint32_t>{0x1F600} +
                           Text("> < > <x> a") + std::vector<uint32_t>{0x2014, 0x2014} + Text("b"),
                       f));
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 4));

    WriteFileBytes(dir / "a.txt", Encode(text, f));
    Find("a[^a-z ]{2}b|\\s", "_");
    job.Replace();
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode(Text("a") + std::vector<uint32_t>{0xA0} + Text("b_a") +
                                                           std::vector<uint32_t>{0x1F600} + Text("b_a_b_axb__"),
                                                       f));

    // \w takes it as it takes any double-byte character.
    WriteFileBytes(dir / "a.txt", Encode(Text("a") + std::vector<uint32_t>{0xA0, 0x1F600} + Text("a"), f));
    Find("a\\w\\w", "W");
    job.Replace();
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode(Text("Wa"), f));
}

// Fuzzy search folds the code page's characters around a stand-in and leaves the stand-in as it is:
// a no-break space is no space to it.
TEST_F(UnicodeRun, FuzzySearchLeavesAStandInAsItIs) {
    UseSieve("aimai");
    const Form f = Form::kUtf16Be;
    const uint32_t nbsp = 0xA0;
    WriteFileBytes(dir / "a.txt", Encode({0xFF21, nbsp, 0xFF22, ' ', 'A', nbsp, 'b', ' ', 'a', ' ', 'b', '\n'}, f));
    Find("a　b", "X");  // "a", full-width space, "b"
    ASSERT_TRUE(job.Replace());
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode({0xFF21, nbsp, 0xFF22, ' ', 'A', nbsp, 'b', ' ', 'X', '\n'}, f));
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 1));
    Find("a", "x");
    job.Replace();
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode({'x', nbsp, 0xFF22, ' ', 'x', nbsp, 'b', ' ', 'X', '\n'}, f));
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 2));
}

// Names the code page lacks are listed, read, backed up and rewritten like any other; the log and the
// file list show them with the default character. Two names that look alike there stay two files.
TEST_F(UnicodeRun, FileNamesTheCodePageLacks) {
    const std::wstring wdir = kx::WidePath(dir.path().c_str());
    const std::wstring sub = wdir + L"d\u00E9j\u00E0\\";
    ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
    const std::wstring resume = wdir + L"r\u00E9sum\u00E9\u2014\u6CE8\u8A18.txt";  // résumé—注記.txt
    const std::wstring acute = sub + L"a\u00E9.txt", grave = sub + L"a\u00E8.txt";
    ASSERT_TRUE(WriteFileBytes(resume, "old \x95\x5C\r\n"));
    ASSERT_TRUE(WriteFileBytes(acute, "\xEF\xBB\xBFold \xC3\xA9\n"));
    ASSERT_TRUE(WriteFileBytes(grave, "old old"));
    WriteFileBytes(dir / "plain.txt", "old");
    job.Set("casesense,subdir,backup,keep_timestamp");
    Find("old", "new");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(resume), "new \x95\x5C\r\n");
    EXPECT_EQ(ReadFileBytes(resume + L".bak"), "old \x95\x5C\r\n");
    EXPECT_EQ(ReadFileBytes(acute), "\xEF\xBB\xBFnew \xC3\xA9\n");
    EXPECT_EQ(ReadFileBytes(grave), "new new");
    EXPECT_EQ(Notice(), "");
    const std::string shown = kx::AnsiPath(resume.c_str()).c_str();
    EXPECT_EQ(shown, dir / "r?sum??注記.txt") << "each missing character is the default character";
    const std::string log = job.Log();
    EXPECT_NE(log.find(Replaced(shown, 1)), std::string::npos) << log;
    EXPECT_NE(log.find(Replaced(dir / "d?j?\\a?.txt", 1)), std::string::npos) << log;
    EXPECT_NE(log.find(Replaced(dir / "d?j?\\a?.txt", 2)), std::string::npos) << log;
    const std::string list = job.FileList();
    EXPECT_NE(list.find(shown + "\n"), std::string::npos) << list;
    EXPECT_NE(list.find(dir / "plain.txt\n"), std::string::npos) << list;
}

// EUC-JP's JIS X 0212 characters (0x8F and two bytes), which Shift_JIS lacks, are kept the same way;
// a cut-off one is refused as before.
TEST_F(UnicodeRun, EucJpSupplementaryKanjiAreKept) {
    const std::string kept = "\xC6\xFC\xCB\xDC old \x8F\xB0\xA1\x8F\xA2\xAF\x8F\xB0\xA1 \xA4\xA2\n\x8F\xED\xE3 old\n";
    const std::string cut = "\xC6\xFC\xCB\xDC old \x8F\xB0 x\n";
    WriteFileBytes(dir / "kept.txt", kept);
    WriteFileBytes(dir / "cut.txt", cut);
    Find("old", "new");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(dir / "kept.txt"),
              "\xC6\xFC\xCB\xDC new \x8F\xB0\xA1\x8F\xA2\xAF\x8F\xB0\xA1 \xA4\xA2\n\x8F\xED\xE3 new\n");
    EXPECT_EQ(ReadFileBytes(dir / "cut.txt"), cut);
    EXPECT_EQ(Notice(), dir / "cut.txt" + kFailed);
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "kept.txt", 2));

    // A stand-in is one character here too; a replacement that brings a user-defined character in
    // is still refused (EUC-JP has no form for it).
    UseSieve("casesense,use_regular");
    Find("new (.)(.)", "\\2\\1");
    job.Replace();
    EXPECT_EQ(ReadFileBytes(dir / "kept.txt"),
              "\xC6\xFC\xCB\xDC \x8F\xA2\xAF\x8F\xB0\xA1\x8F\xB0\xA1 \xA4\xA2\n\x8F\xED\xE3 new\n");
    Find("あ", "\xF0\x40");
    job.Replace();
    EXPECT_NE(Notice().find(dir / "kept.txt" + kFailed), std::string::npos);
}

// Find and replace strings poked in Unicode with characters the code page lacks: the job's codes
// stand in for them in every file of the run.
class JobCharacters : public UnicodeRun {
protected:
    void FindWide(const std::wstring& find, const std::wstring& replace) {
        ASSERT_TRUE(job.SetFindStrUnicode(find.data(), find.size()));
        ASSERT_TRUE(job.SetReplaceStrUnicode(replace.data(), replace.size()));
    }
    // The private-use character of the user-defined code that stands for the job's first character.
    uint32_t JobCodeCharacter() const {
        const kxlib::string& find = job.matcher.find_string();
        const int32_t slot = kx::StandIns::SlotOf(static_cast<unsigned char>(find.c_str()[0]),
                                                  static_cast<unsigned char>(find.c_str()[1]));
        return slot < 0 ? 0 : 0xE000 + static_cast<uint32_t>(slot);
    }
    std::string PreviewText() {
        job.Preview();
        return job.PreviewReply();
    }
};

TEST_F(JobCharacters, EmDashFoundAndReplacedInUtf8AndUtf16WithEveryOtherByteKept) {
    // The em dash beside characters of the files' own stand-in codes, an emoji and plain text.
    const std::vector<uint32_t> text = std::vector<uint32_t>{0x2014} + Text("Why? ") + Hangul(2) +
                                       std::vector<uint32_t>{0x2014, 0x1F600, 0xA0} + Text("\r\nBecause") +
                                       std::vector<uint32_t>{0x2014};
    std::vector<uint32_t> after = text;
    for (uint32_t& c : after)
        if (c == 0x2014) c = 0x2015;
    const Form forms[] = {Form::kUtf8Mark, Form::kUtf16Le, Form::kUtf16Be};
    const char* names[] = {"u8.txt", "le.txt", "be.txt"};
    for (int i = 0; i < 3; ++i) WriteFileBytes(dir / names[i], Encode(text, forms[i]));
    FindWide(L"\x2014", L"\x2015");

    const std::string preview = PreviewText();
    for (const char* name : names) EXPECT_NE(preview.find("file 3 " + (dir / name)), std::string::npos) << preview;
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(Notice(), "");
    EXPECT_EQ(std::string(job.Log()),
              Replaced(dir / "be.txt", 3) + Replaced(dir / "le.txt", 3) + Replaced(dir / "u8.txt", 3));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(ReadFileBytes(dir / names[i]) == Encode(after, forms[i])) << names[i];

    // The other way round: the code page's own dash put back as the em dash, UTF-8 without a mark.
    job.SetCharSet("utf8n");
    kxtest::ScratchDir bare("unicode-bare8");
    job.SetDir(bare.path().c_str());
    WriteFileBytes(bare / "a.txt", Encode(after, Form::kUtf8));
    FindWide(L"\x2015", L"\x2014");
    ASSERT_TRUE(job.Replace());
    EXPECT_TRUE(ReadFileBytes(bare / "a.txt") == Encode(text, Form::kUtf8));
}

TEST_F(JobCharacters, FilesThatCannotHoldTheCharacterAreNeverChanged) {
    const std::string sjis = "a-b \x81\x5C c-\r\n";       // the code page's own dash ―
    const std::string euc = "a-b \xA1\xBD c-\n";          // the same in EUC-JP
    const std::string jis = "a-b \x1B$B!=\x1B(B c-\r\n";  // and in ISO-2022-JP
    WriteFileBytes(dir / "sjis.txt", sjis);
    WriteFileBytes(dir / "euc.txt", euc);
    WriteFileBytes(dir / "jis.txt", jis);
    WriteFileBytes(dir / "u8.txt", Encode(Text("a-b"), Form::kUtf8Mark));

    // The em dash is found in none of them.
    FindWide(L"\x2014", L"X");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(std::string(job.Log()), "");
    EXPECT_EQ(Notice(), dir / "euc.txt" + kNoHit + (dir / "jis.txt" + kNoHit) + (dir / "sjis.txt" + kNoHit) +
                            (dir / "u8.txt" + kNoHit));

    // Put in as a replacement, it refuses every file whose encoding lacks it; their bytes stay.
    FindWide(L"-", L"\x2014");
    EXPECT_NE(PreviewText().find("fail unencodable " + (dir / "sjis.txt")), std::string::npos);
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "u8.txt", 1));
    EXPECT_EQ(Notice(), dir / "euc.txt" + kFailed + (dir / "jis.txt" + kFailed) + (dir / "sjis.txt" + kFailed));
    EXPECT_TRUE(ReadFileBytes(dir / "sjis.txt") == sjis);
    EXPECT_TRUE(ReadFileBytes(dir / "euc.txt") == euc);
    EXPECT_TRUE(ReadFileBytes(dir / "jis.txt") == jis);
    EXPECT_TRUE(ReadFileBytes(dir / "u8.txt") ==
                Encode(Text("a") + std::vector<uint32_t>{0x2014} + Text("b"), Form::kUtf8Mark));
    EXPECT_EQ(TemporaryFilesLeft(), 0);

    // A hit whose replacement holds no such character is written as ever, the job's codes in force.
    UseSieve("casesense,use_regular");
    FindWide(L"c-|\x2014", L"\x2015");
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(Notice(), "");
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "euc.txt", 1) + Replaced(dir / "jis.txt", 1) +
                                          Replaced(dir / "sjis.txt", 1) + Replaced(dir / "u8.txt", 1));
    EXPECT_TRUE(ReadFileBytes(dir / "sjis.txt") == "a-b \x81\x5C \x81\x5C\r\n");
    EXPECT_TRUE(ReadFileBytes(dir / "euc.txt") == "a-b \xA1\xBD \xA1\xBD\n");
    EXPECT_TRUE(ReadFileBytes(dir / "u8.txt") ==
                Encode(Text("a") + std::vector<uint32_t>{0x2015} + Text("b"), Form::kUtf8Mark));
}

TEST_F(JobCharacters, AFileHoldingTheJobsCodeAsItsOwnCharacterIsRefusedUntouched) {
    FindWide(L"\x2014", L"X");
    const uint32_t own = JobCodeCharacter();
    ASSERT_NE(own, 0u);
    const std::string code = job.matcher.find_string().c_str();
    const std::string u8 = Encode(std::vector<uint32_t>{0x2014, own, 0x2014}, Form::kUtf8Mark);
    const std::string le = Encode(std::vector<uint32_t>{own, 'a', 0x2014}, Form::kUtf16Le);
    const std::string sjis = "a" + code + "b\r\n";
    WriteFileBytes(dir / "u8.txt", u8);
    WriteFileBytes(dir / "le.txt", le);
    WriteFileBytes(dir / "sjis.txt", sjis);
    WriteFileBytes(dir / "plain.txt", Encode(std::vector<uint32_t>{0x2014, 0xE000}, Form::kUtf8Mark));

    EXPECT_NE(PreviewText().find("fail lossy " + (dir / "sjis.txt")), std::string::npos);
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "plain.txt", 1));
    EXPECT_EQ(Notice(), dir / "le.txt" + kFailed + (dir / "sjis.txt" + kFailed) + (dir / "u8.txt" + kFailed));
    EXPECT_TRUE(ReadFileBytes(dir / "u8.txt") == u8);
    EXPECT_TRUE(ReadFileBytes(dir / "le.txt") == le);
    EXPECT_TRUE(ReadFileBytes(dir / "sjis.txt") == sjis);
    EXPECT_TRUE(ReadFileBytes(dir / "plain.txt") == Encode(Text("X") + std::vector<uint32_t>{0xE000}, Form::kUtf8Mark));
}

TEST_F(JobCharacters, ALaterPokeKeepsTheCodesApart) {
    // The em dash first takes the area's last code; a replacement in ANSI text that is that code's
    // own private-use character moves the em dash to another.
    ASSERT_TRUE(job.SetFindStrUnicode(L"\x2014", 1));
    const std::string first = job.matcher.find_string().c_str();
    job.SetReplaceStr(first.c_str());
    EXPECT_NE(std::string(job.matcher.find_string().c_str()), first);
    const uint32_t own = 0xE000 + static_cast<uint32_t>(kx::StandIns::SlotOf(static_cast<unsigned char>(first[0]),
                                                                             static_cast<unsigned char>(first[1])));
    WriteFileBytes(dir / "a.txt", Encode(std::vector<uint32_t>{0x2014, 'x', 0x2014}, Form::kUtf8Mark));
    ASSERT_TRUE(job.Replace());
    EXPECT_EQ(Notice(), "");
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode(std::vector<uint32_t>{own, 'x', own}, Form::kUtf8Mark));

    // Find and replace share one map: two characters, two codes.
    ASSERT_TRUE(job.SetReplaceStrUnicode(L"\x2014\x2016", 2));
    WriteFileBytes(dir / "a.txt", Encode(std::vector<uint32_t>{0x2014}, Form::kUtf8Mark));
    ASSERT_TRUE(job.Replace());
    EXPECT_TRUE(ReadFileBytes(dir / "a.txt") == Encode(std::vector<uint32_t>{0x2014, 0x2016}, Form::kUtf8Mark));

    // Values that are no text are refused and change nothing; ANSI text alone gives no codes.
    EXPECT_FALSE(job.SetFindStrUnicode(L"\xD800", 1));
    EXPECT_FALSE(job.SetReplaceStrUnicode(L"a\0b", 3));
    EXPECT_FALSE(job.stand_ins.empty());
    ASSERT_TRUE(job.SetFindStr("x"));
    job.SetReplaceStr("y");
    EXPECT_TRUE(job.stand_ins.empty());
}
