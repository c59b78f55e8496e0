// Plain search and the Matcher in plain mode: trail-byte safety, skips, case and whole-word rules.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "test_support.h"
#include "match/matcher.h"
#include "match/plain_search.h"

namespace {
int32_t Search(const std::string& text, const std::string& pattern) {
    int32_t skip[256];
    kx::BuildSkipTable(pattern.data(), static_cast<uint32_t>(pattern.size()), skip);
    return kx::SearchBytes(text.data(), static_cast<uint32_t>(text.size()), pattern.data(),
                           static_cast<uint32_t>(pattern.size()), skip);
}
}  // namespace

TEST(PlainSearch, TrailByteIsNeverTheStartOfAMatch) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    // 0x95 0x5C is "表": a one-byte backslash pattern is not found inside it.
    EXPECT_EQ(Search("\x95\x5C", "\\"), -1);
    EXPECT_EQ(Search("\x95\x5C\\", "\\"), 2);
    // A pattern starting with the trail byte matches inside the character first, then alone later.
    EXPECT_EQ(Search("\x95\x5Cn..\\n", "\\n"), 5);
    // Runs of lead-class bytes: 0x82 0x82 0x82 0x41 is "ぃ" (82 82) followed by 82 41: 0x41 at index 3 is a trail.
    EXPECT_EQ(Search("\x82\x82\x82\x41"
                     "A",
                     "A"),
              4);
    EXPECT_TRUE(kx::IsTrailByte("\x82\x82\x82\x41", 3));
    EXPECT_FALSE(kx::IsTrailByte("\x82\x82\x41", 2));
    EXPECT_FALSE(kx::IsTrailByte("x", 0));
}

TEST(PlainSearch, BoundaryLengthsAndShifts) {
    EXPECT_EQ(Search("ab", "abc"), -1);
    EXPECT_EQ(Search("abc", ""), -1);
    EXPECT_EQ(Search("xxabcabc", "abc"), 2);
    EXPECT_EQ(Search("aaab", "aab"), 1);
    EXPECT_EQ(Search("abc", "abc"), 0);
    EXPECT_STREQ(kx::FindInText("hello world", "wor"), "world");
    EXPECT_EQ(kx::FindInText("hello", "xyz"), nullptr);
    // Exhaustive cross-check against a naive search on a small alphabet.
    const char alphabet[] = "ab\\";
    for (int len = 0; len <= 6; ++len) {
        int total = 1;
        for (int i = 0; i < len; ++i) total *= 3;
        for (int code = 0; code < total; ++code) {
            std::string text;
            for (int i = 0, c = code; i < len; ++i, c /= 3) text += alphabet[c % 3];
            for (const char* p : {"ab", "ba", "a\\", "aab", "\\b\\"}) {
                size_t naive = text.find(p);
                EXPECT_EQ(Search(text, p), naive == std::string::npos ? -1 : static_cast<int32_t>(naive))
                    << text << " / " << p;
            }
        }
    }
}

class PlainMatcher : public ::testing::Test {
protected:
    void SetUp() override {
        m.SetOption("use_regular", false);
        m.SetOption("zero_match", false);
    }
    kx::Matcher m;
};

TEST_F(PlainMatcher, EmptyFindStringIsRefusedAndNothingIsFound) {
    EXPECT_FALSE(m.SetFindString(""));
    EXPECT_FALSE(m.Search("anything"));
}

TEST_F(PlainMatcher, CaseRules) {
    ASSERT_TRUE(m.SetFindString("Hello"));
    EXPECT_FALSE(m.Search("say hello"));
    ASSERT_TRUE(m.SetOption("CASESENSE", false));
    EXPECT_FALSE(m.Search("say hello")) << "the option reaches the search only with the next find string";
    ASSERT_TRUE(m.SetFindString("Hello"));
    ASSERT_TRUE(m.Search("say hELLo"));
    EXPECT_EQ(m.MatchPosition(), 4);
    EXPECT_STREQ(m.MatchedText().c_str(), "hello");
    EXPECT_FALSE(m.SetOption("unknown", true));
}

TEST_F(PlainMatcher, WholeWordRules) {
    m.SetOption("word", true);
    ASSERT_TRUE(m.SetFindString("ab"));
    EXPECT_TRUE(m.Search("x ab y"));
    EXPECT_EQ(m.MatchPosition(), 2);
    EXPECT_FALSE(m.Search("xaby"));
    EXPECT_FALSE(m.Search("_ab"));
    EXPECT_TRUE(m.Search("1ab2"));
    EXPECT_TRUE(m.Search("ab"));
    EXPECT_TRUE(m.Search("abab ab"));
    EXPECT_EQ(m.MatchPosition(), 5);
    // Double-byte neighbours are not word characters.
    EXPECT_TRUE(
        m.Search("\x82\xA0"
                 "ab\x82\xA0"));
    EXPECT_EQ(m.MatchPosition(), 2);
    m.SetOption("CaseSense", false);
    ASSERT_TRUE(m.SetFindString("AB"));
    ASSERT_TRUE(m.Search("xAB Ab"));
    EXPECT_EQ(m.MatchPosition(), 4);
}

TEST_F(PlainMatcher, WholeWordRetryDoesNotLandInsideACharacter) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    m.SetOption("word", true);
    // The rejected candidate "\\n" sits right after 0x95: a retry must not re-read 0x5C as a backslash.
    ASSERT_TRUE(m.SetFindString("\\"));
    EXPECT_FALSE(m.Search("a\\\x95\x5C"));
}

TEST_F(PlainMatcher, LibraryModesRefuseWithoutLibrary) {
    kx::Matcher regex;
    EXPECT_TRUE(regex.use_regular());
    kx::HmJrePath().assign("");
    EXPECT_FALSE(regex.SetFindString("a.c"));
    EXPECT_FALSE(regex.Search("abc"));
    // A search prepared in plain mode is not used once the mode is switched without a new find string.
    ASSERT_TRUE(m.SetFindString("abc"));
    m.SetOption("use_regular", true);
    EXPECT_FALSE(m.Search("abc"));
}
