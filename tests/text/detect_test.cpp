// Character-set and line-break classification: each rule on the running system (code page 932) and,
// for the rules that depend on the system, on stand-in configurations.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>

#include "test_support.h"
#include "engine/job_settings.h"
#include "text/detect.h"

namespace {

class FakeCodePages : public kx::CodePageQuery {
public:
    FakeCodePages(uint32_t acp, std::set<uint32_t> installed) : acp_(acp), installed_(std::move(installed)) {}
    uint32_t AnsiCodePage() const override { return acp_; }
    bool IsInstalled(uint32_t cp) const override { return installed_.count(cp) != 0; }

private:
    uint32_t acp_;
    std::set<uint32_t> installed_;
};

kx::Detection DetectText(const std::string& s, kx::CharSetCode requested = kx::kCharSetAuto,
                         kx::LineBreakCode hint = kx::kLineBreakCrLf,
                         const kx::CodePageQuery& cp = kx::PlatformCodePages()) {
    return kx::Detect(reinterpret_cast<const unsigned char*>(s.data()), static_cast<uint32_t>(s.size()), requested,
                      hint, cp);
}
int32_t CharSetOf(const std::string& s) { return DetectText(s).char_set; }
int32_t CharSetWith(const kx::CodePageQuery& cp, const std::string& s) {
    return DetectText(s, kx::kCharSetAuto, kx::kLineBreakCrLf, cp).char_set;
}

// n bytes made of unit repeated, then cut to n.
std::string Repeat(const std::string& unit, size_t n) {
    std::string s;
    while (s.size() < n) s += unit;
    s.resize(n);
    return s;
}

class Detect : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(932u, kxtest::AnsiCodePage()); }
};

TEST_F(Detect, LineBreakIsCountedWithTheTwoToOneThresholds) {
    EXPECT_EQ(kx::kLineBreakCr, DetectText(std::string(10, '\r') + std::string(4, '\n') + "abc").line_break);
    EXPECT_EQ(kx::kLineBreakCrLf, DetectText(std::string(8, '\r') + std::string(4, '\n') + "abc").line_break);
    EXPECT_EQ(kx::kLineBreakLf, DetectText(std::string(3, '\r') + std::string(7, '\n') + "abc").line_break);
    EXPECT_EQ(kx::kLineBreakCrLf, DetectText(std::string(3, '\r') + std::string(6, '\n') + "abc").line_break);
    EXPECT_EQ(kx::kLineBreakCrLf, DetectText("aa\r\nbb\r\ncc\r\ndd\r\nee").line_break);
    EXPECT_EQ(kx::kLineBreakCrLf, DetectText("no line break at all").line_break);
    // A requested character set keeps the counted line break.
    EXPECT_EQ(kx::kLineBreakLf, DetectText("one\ntwo\nthree", kx::kCharSetEucJp, kx::kLineBreakCr).line_break);
}

TEST_F(Detect, ShortSampleTakesTheAnsiCodeOrTheRequestedSetWithTheHint) {
    kx::Detection d = DetectText("a\nb\n");
    EXPECT_EQ(932, d.char_set);
    EXPECT_EQ(kx::kLineBreakLf, d.line_break);
    d = DetectText("a\nb\n", kx::kCharSetUtf8, kx::kLineBreakCr);
    EXPECT_EQ(kx::kCharSetUtf8, d.char_set);
    EXPECT_EQ(kx::kLineBreakCr, d.line_break);
    // Even a mark does not count in four bytes or fewer; five bytes are enough.
    EXPECT_EQ(932, CharSetOf("\xEF\xBB\xBF"
                             "a"));
    EXPECT_EQ(kx::kCharSetUtf8Bom, CharSetOf("\xEF\xBB\xBF"
                                             "ab"));
    d = kx::Detect(nullptr, 0, kx::kCharSetAuto, kx::kLineBreakLf);
    EXPECT_EQ(932, d.char_set);
    EXPECT_EQ(kx::kLineBreakCrLf, d.line_break);
    // A requested set is taken whatever the bytes.
    EXPECT_EQ(kx::kCharSetJis, DetectText("\xEF\xBB\xBF"
                                          "abcdef",
                                          kx::kCharSetJis)
                                   .char_set);
}

TEST_F(Detect, ByteOrderMarksInTheirOrder) {
    EXPECT_EQ(kx::kCharSetUtf8Bom, CharSetOf("\xEF\xBB\xBF"
                                             "\x82\xA0\xFF\xFE"));
    EXPECT_EQ(-7, CharSetOf(std::string("\x00\x00\xFE\xFF\x00\x00\x00"
                                        "a",
                                        8)));
    EXPECT_EQ(-8, CharSetOf(std::string("\xFF\xFE\x00\x00"
                                        "a\x00\x00\x00",
                                        8)));
    EXPECT_EQ(kx::kCharSetUtf16BeBom, CharSetOf(std::string("\xFE\xFF\x00"
                                                            "a\x00"
                                                            "b",
                                                            6)));
    EXPECT_EQ(kx::kCharSetUtf16LeBom, CharSetOf(std::string("\xFF\xFE"
                                                            "a\x00"
                                                            "b\x00",
                                                            6)));
}

TEST_F(Detect, Iso2022DesignatorsNeedTheirCodePage) {
    // Code pages 936 and 949 are installed with 932 on a Japanese configuration.
    EXPECT_EQ(-949, CharSetOf("\x1B$)Cabc"));
    EXPECT_EQ(-936, CharSetOf("\x1B$)Aabc"));
    FakeCodePages only932(932, {932});
    EXPECT_EQ(kx::kCharSetJis, CharSetWith(only932, "\x1B$)Cabc"));
    EXPECT_EQ(kx::kCharSetJis, CharSetWith(only932, "\x1B$)Aabc"));
}

TEST_F(Detect, SevenBitTextWithEscapeIsJisWhenCodePage932IsInstalled) {
    EXPECT_EQ(kx::kCharSetJis, CharSetOf("abc \x1B$B$\"\x1B(B def\r\n"));
    EXPECT_EQ(932, CharSetOf("abc def ghi\r\n"));
    FakeCodePages western(1252, {1252});
    EXPECT_EQ(-1, CharSetWith(western, "abc \x1B$B$\"\x1B(B def\r\n"));
}

TEST_F(Detect, DigitsAndLettersUpToVAloneAreTheirOwnClass) {
    EXPECT_EQ(-2, CharSetOf("0123ABC"));
    EXPECT_EQ(-2, CharSetOf("0123456789ABCDEFGHIJKLMNOPQRSTUV"));
    EXPECT_EQ(932, CharSetOf("0123ABCa"));
    EXPECT_EQ(932, CharSetOf("0123ABCW"));
    EXPECT_EQ(932, CharSetOf("0123\nABC"));
}

TEST_F(Detect, AnsiCodeOfOtherSystems) {
    EXPECT_EQ(936, CharSetWith(FakeCodePages(936, {936}), "plain ascii text"));
    EXPECT_EQ(950, CharSetWith(FakeCodePages(950, {950}), "plain ascii text"));
    EXPECT_EQ(-1, CharSetWith(FakeCodePages(1252, {1252, 932}), "plain ascii text"));
    // Without code page 932, valid EUC-JP bytes are not taken for EUC-JP.
    std::string euc = Repeat("\xA4\xA2\xA4\xA4\n", 5000);
    EXPECT_EQ(kx::kCharSetEucJp, CharSetWith(FakeCodePages(1252, {1252, 932}), euc));
    EXPECT_EQ(-1, CharSetWith(FakeCodePages(1252, {1252}), euc));
}

// Bytes E3 82 A2 are "ア" in UTF-8 and a Shift_JIS character plus a half-width katakana.
TEST_F(Detect, ShortCrLfSampleWithoutNonShiftJisBytesStaysAnsi) {
    const std::string unit = "\xE3\x82\xA2\xE3\x82\xA2\r\n";
    EXPECT_EQ(932, CharSetOf(Repeat(unit, 4000)));
    EXPECT_EQ(932, CharSetOf(Repeat(unit, 4096)));
    EXPECT_EQ(kx::kCharSetUtf8, CharSetOf(Repeat(unit, 4097)));
    // Line feeds, or one byte that cannot begin a Shift_JIS character, send it on to the other tests.
    EXPECT_EQ(kx::kCharSetUtf8, CharSetOf(Repeat("\xE3\x82\xA2\xE3\x82\xA2\n", 4000)));
    EXPECT_EQ(kx::kCharSetUtf8, CharSetOf(Repeat(unit, 3000) + "\xE3\x80\x80" + Repeat(unit, 16)));
    EXPECT_EQ(932, CharSetOf(Repeat("\xA4\xA2\xA4\xA4\r\n", 3000)));
    EXPECT_EQ(kx::kCharSetEucJp, CharSetOf(Repeat("\xA4\xA2\xA4\xA4\r\n", 3000) + "\xFF"));
    // A cut-off sequence at the end of the sample still passes the UTF-8 test.
    EXPECT_EQ(kx::kCharSetUtf8, CharSetOf(Repeat(unit, 5000) + "\xE3\x82"));
}

TEST_F(Detect, EucJpThenUtf8) {
    // EUC-JP bytes never fall in 0x7F-0x8D or 0x90-0xA0; A4 cannot start a UTF-8 character.
    EXPECT_EQ(kx::kCharSetEucJp, CharSetOf(Repeat("\xA4\xA2\xA4\xA4 \x8E\xB1\r\n", 5000)));
    EXPECT_EQ(kx::kCharSetEucJp, CharSetOf(Repeat("\xA4\xA2\xA4\xA4 \xFE\xFE\n", 300)));
    // A Shift_JIS text (0x82 is in the excluded range) that fails UTF-8 stays Shift_JIS.
    EXPECT_EQ(932, CharSetOf(Repeat("\x82\xA0\x82\xA2\n", 5000)));
    // Valid UTF-8 that also passes the EUC-JP test is UTF-8.
    EXPECT_EQ(kx::kCharSetUtf8, CharSetOf(Repeat("caf\xC3\xA9 \xE3\xA3\xA3\r\n", 5000)));
    // One byte that breaks UTF-8 anywhere in the sample keeps EUC-JP.
    EXPECT_EQ(kx::kCharSetEucJp, CharSetOf(Repeat("caf\xC3\xA9 \xE3\xA3\xA3\r\n", 5000) + "\xC3\xC3" + "abc"));
}

}  // namespace
