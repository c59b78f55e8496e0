#include <gtest/gtest.h>

#include "test_support.h"
#include "match/sieve_api.h"
#include "sieve/fold.h"
#include "sjis.h"

namespace {

using sieve::FoldedText;
using sieve::FoldPattern;
using sieve::FoldRules;

const std::uint32_t kFoldAll = 0;

std::string Fold(const std::string& text, std::uint32_t flags) {
    FoldedText folded;
    folded.Assign(text.data(), text.size(), FoldRules::FromFlags(flags));
    return folded.text();
}

std::string Fold(const wchar_t* text, std::uint32_t flags = kFoldAll) { return Fold(Sjis(text), flags); }

class FoldTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(kxtest::AnsiCodePage(), 932u); }
};

TEST_F(FoldTest, WidthKanaAndCaseVariantsShareOneForm) {
    EXPECT_EQ(Fold(L"ｶﾞｷﾞ"), Sjis(L"がぎ"));
    EXPECT_EQ(Fold(L"ガギ"), Sjis(L"がぎ"));
    EXPECT_EQ(Fold(L"がぎ"), Sjis(L"がぎ"));
    EXPECT_EQ(Fold(L"ＡＢＣ"), "abc");
    EXPECT_EQ(Fold(L"aBc"), "abc");
    EXPECT_EQ(Fold(L"１　＋"), "1 +");
    EXPECT_EQ(Fold(L"ﾊﾟﾋﾟｳﾞｰ｡｢"), Sjis(L"ぱぴヴー。「"));
    EXPECT_EQ(Fold(L"ΑΩЖЯ"), Sjis(L"αωжя"));
}

TEST_F(FoldTest, KeptDistinctionsStay) {
    EXPECT_EQ(Fold(L"ｶﾞＡカ", sieve::kFuzzyKeepWidth), Sjis(L"ｶﾞａか"));
    EXPECT_EQ(Fold(L"ｶﾞか", sieve::kFuzzyKeepKana), Sjis(L"ガか"));
    EXPECT_EQ(Fold(L"ＡＢa", sieve::kFuzzyKeepCase), "ABa");
}

TEST_F(FoldTest, IgnoringVoicingFoldsMarkedKanaToPlainOnes) {
    EXPECT_EQ(Fold(L"ガパヴゞｶﾞ", sieve::kFuzzyIgnoreVoicing), Sjis(L"かはうゝか"));
    // Half-width text kept half-width loses the mark together with its kana.
    EXPECT_EQ(Fold(L"ｶﾞﾊﾟ", sieve::kFuzzyIgnoreVoicing | sieve::kFuzzyKeepWidth), Sjis(L"ｶﾊ"));
}

TEST_F(FoldTest, TrailBytesAreNeverTakenForCharacters) {
    // ソ is 83 5C: its second byte is no backslash, and a trail byte B6 is no half-width ｶ to
    // combine with the ﾞ after it.
    EXPECT_EQ(Fold(Sjis(L"ソA\\"), sieve::kFuzzyKeepKana), Sjis(L"ソa\\"));
    EXPECT_EQ(Fold(std::string("\x81\xB6\xDE"), kFoldAll), std::string("\x81\xB6\x81\x4A"));
    // A lead byte at the very end stands alone.
    EXPECT_EQ(Fold(std::string("A\x81"), kFoldAll), std::string("a\x81"));
}

TEST_F(FoldTest, PositionMapsAreExactAcrossWidthChanges) {
    // Real: x | ｶﾞ (2 bytes) | Ａ (2 bytes) | y      Folded: x | が (2 bytes) | a | y
    const std::string real = Sjis(L"xｶﾞＡy");
    FoldedText t;
    t.Assign(real.data(), real.size(), FoldRules::FromFlags(kFoldAll));
    ASSERT_EQ(t.text(), Sjis(L"xがay"));

    const int to_real[] = {0, 1, 1, 3, 5, 6};
    for (int f = 0; f <= 5; ++f) EXPECT_EQ(t.RealPosition(f), to_real[f]) << "folded " << f;
    const int to_folded[] = {0, 1, 1, 3, 3, 4, 5};
    for (int r = 0; r <= 6; ++r) EXPECT_EQ(t.FoldedPosition(r), to_folded[r]) << "real " << r;

    struct Area {
        int pos, len, real_pos, real_len;
    };
    const Area areas[] = {{1, 2, 1, 2}, {3, 1, 3, 2},   {1, 3, 1, 4}, {2, 1, 1, 2},
                          {4, 0, 5, 0}, {0, 100, 0, 6}, {5, 0, 6, 0}};
    for (const Area& a : areas) {
        int len = a.len;
        EXPECT_EQ(t.RealArea(a.pos, &len), a.real_pos) << a.pos << "+" << a.len;
        EXPECT_EQ(len, a.real_len) << a.pos << "+" << a.len;
    }
    EXPECT_EQ(t.RealPosition(-3), 0);
    EXPECT_EQ(t.RealPosition(99), 6);
}

TEST_F(FoldTest, UnitThatShrinksMapsBothWays) {
    const std::string real = Sjis(L"ｶﾞa");
    FoldedText t;
    t.Assign(real.data(), real.size(), FoldRules::FromFlags(sieve::kFuzzyIgnoreVoicing | sieve::kFuzzyKeepWidth));
    ASSERT_EQ(t.text(), Sjis(L"ｶa"));
    int len = 1;
    EXPECT_EQ(t.RealArea(0, &len), 0);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(t.RealPosition(1), 2);
    EXPECT_EQ(t.FoldedPosition(1), 0);
}

TEST_F(FoldTest, PlainFindStringIsFoldedAndEscaped) {
    EXPECT_EQ(FoldPattern(Sjis(L"a.b(ｶﾞ)*").c_str(), false, FoldRules::FromFlags(kFoldAll)), Sjis(L"a\\.b\\(が\\)\\*"));
    EXPECT_EQ(FoldPattern(Sjis(L"ＡＢ．［").c_str(), false, FoldRules::FromFlags(kFoldAll)), "ab\\.\\[");
    EXPECT_EQ(FoldPattern(Sjis(L"表\\").c_str(), false, FoldRules::FromFlags(kFoldAll)), Sjis(L"表\\\\"));
}

TEST_F(FoldTest, RegexFoldsOnlyLiterals) {
    const FoldRules all = FoldRules::FromFlags(kFoldAll);
    EXPECT_EQ(FoldPattern(Sjis(L"ＡＢ+(ｶﾞ|ア)").c_str(), true, all), Sjis(L"\\x61\\x62+(が|あ)"));
    EXPECT_EQ(FoldPattern("\\W\\p{Alpha}(?<Key>X)\\k<Key>[[:Upper:]](?i-m:Y)\\x4A", true, all),
              "\\W\\p{Alpha}(?<Key>x)\\k<Key>[[:Upper:]](?i-m:y)\\x4A");
    // A full-width digit after a backslash is a literal, never a backreference.
    EXPECT_EQ(FoldPattern(Sjis(L"(a)\\１").c_str(), true, all), "(a)\\x31");
    // The 5C of ソ does not escape the letter after it.
    EXPECT_EQ(FoldPattern(Sjis(L"ソA").c_str(), true, FoldRules::FromFlags(sieve::kFuzzyKeepKana)), Sjis(L"ソa"));
}

}  // namespace
