// The Matcher in regular-expression and fuzzy mode over Sieve: group tags, replacement escapes,
// case, whole-word and empty-match rules, fuzzy positions mapped back to the real bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/job_settings.h"
#include "engine/replace_run.h"
#include "match/matcher.h"
#include "test_support.h"

namespace {
class LibraryMatcher : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        kx::HmJrePath().assign((kxtest::ProgramDir() + "sieve.dll").c_str());
        m.SetOption("zero_match", false);
    }
    void TearDown() override { kx::HmJrePath().assign(""); }
    std::string Replace(const char* find, const char* replacement, const char* text) {
        EXPECT_TRUE(m.SetFindString(find)) << find;
        kxlib::string out;
        kx::ReplaceAll(m, kxlib::string(replacement), kxlib::string(text), &out);
        return out.c_str();
    }
    kx::Matcher m;
};
}  // namespace

TEST_F(LibraryMatcher, GroupsTagsAndReplacementEscapes) {
    ASSERT_TRUE(m.SetFindString("(\\w+)@(\\w+)(x)?"));
    ASSERT_TRUE(m.Search("mail: john@example now"));
    EXPECT_EQ(m.MatchPosition(), 6);
    EXPECT_STREQ(m.MatchedText().c_str(), "john@example");
    EXPECT_EQ(m.TagCount(), 2);
    EXPECT_STREQ(m.TagText(1), "john");
    EXPECT_EQ(m.TagPosition(2), 11);
    EXPECT_EQ(m.TagLength(2), 7);
    EXPECT_EQ(m.TagPosition(3), -1);
    EXPECT_STREQ(m.TagText(4), "");
    EXPECT_STREQ(m.ExpandReplacement("\\1-\\1|\\2\\\\\\n\\t\\0\\x"), "john-john|example\\\n\t\\0\\x");
    // "ソ" is 83 5C: its trail byte followed by n is no escape.
    EXPECT_STREQ(m.ExpandReplacement("\x83\x5Cn\\1"), "\x83\x5Cnjohn");
    EXPECT_EQ(Replace("(\\d+)-(\\d+)", "\\2/\\1", "a 12-34 b 5-6"), "a 34/12 b 6/5");
}

TEST_F(LibraryMatcher, ReplacementIsLiteralWithoutRegularExpressions) {
    m.SetOption("use_regular", false);
    ASSERT_TRUE(m.SetFindString("a"));
    EXPECT_STREQ(m.ExpandReplacement("\\1\\n"), "\\1\\n");
}

TEST_F(LibraryMatcher, TrailByteNeverStartsAMatchNorAnEscape) {
    // "表" is 95 5C; the pattern "\\\\" (one literal backslash) finds only the real one.
    ASSERT_TRUE(m.SetFindString("\\\\"));
    ASSERT_TRUE(m.Search("\x95\x5C\\"));
    EXPECT_EQ(m.MatchPosition(), 2);
    // A pattern holding "表" followed by "n" is the two characters, not a line-break escape.
    EXPECT_EQ(Replace("\x95\x5Cn", "X", "\x95\x5Cn \x95\x5C\n"), "X \x95\x5C\n");
    // "." is one whole character.
    EXPECT_EQ(Replace("a.b", "<>", "aあb a\\b"), "<> <>");
}

TEST_F(LibraryMatcher, CaseInsensitiveKeepsTheEscapeLetters) {
    m.SetOption("CaseSense", false);
    ASSERT_TRUE(m.SetFindString("ABC"));
    ASSERT_TRUE(m.Search("xx abc"));
    EXPECT_EQ(m.MatchPosition(), 3);
    EXPECT_STREQ(m.MatchedText().c_str(), "abc") << "the real bytes of the text";
    // \S stays "not a space": lower-casing it to \s would find the blank instead.
    ASSERT_TRUE(m.SetFindString("A\\S"));
    ASSERT_TRUE(m.Search("a b AB"));
    EXPECT_EQ(m.MatchPosition(), 4);
    EXPECT_STREQ(m.MatchedText().c_str(), "AB");
    ASSERT_TRUE(m.SetFindString("\\D+"));
    ASSERT_TRUE(m.Search("12ab34"));
    EXPECT_STREQ(m.MatchedText().c_str(), "ab");
}

TEST_F(LibraryMatcher, WholeWordAndEmptyMatches) {
    m.SetOption("word", true);
    ASSERT_TRUE(m.SetFindString("cat"));
    ASSERT_TRUE(m.Search("concat cats cat"));
    EXPECT_EQ(m.MatchPosition(), 12);
    m.SetOption("word", false);
    // Without zero_match an empty match is skipped and the later non-empty one found.
    ASSERT_TRUE(m.SetFindString("x*"));
    ASSERT_TRUE(m.Search("abxxc"));
    EXPECT_EQ(m.MatchPosition(), 2);
    EXPECT_STREQ(m.MatchedText().c_str(), "xx");
    EXPECT_FALSE(m.Search("abc"));
    // With zero_match an empty pattern matches everywhere and the run still ends.
    m.SetOption("zero_match", true);
    ASSERT_TRUE(m.SetFindString("x*"));
    EXPECT_EQ(Replace("x*", "-", "aあb"), "-a-あ-b-");
}

TEST_F(LibraryMatcher, FuzzyFindsWidthAndKanaFormsAndReplacesTheRealBytes) {
    m.SetOption("use_regular", false);
    m.SetOption("aimai", true);
    m.SetOption("CaseSense", false);
    // ｶﾞｷﾞ (half-width, 4 bytes), ガギ (katakana), がぎ (hiragana) are one another.
    const char* forms[] = {"ｶﾞｷﾞ", "ガギ", "がぎ"};
    for (const char* find : forms) {
        std::string text = std::string("[") + forms[0] + "][" + forms[1] + "][" + forms[2] + "]";
        EXPECT_EQ(Replace(find, "*", text.c_str()), "[*][*][*]") << find;
    }
    EXPECT_EQ(Replace("abc", "#", "ＡＢＣ abc ABC"), "# # #");
    // Positions are real: the match after a width-changing character starts at its real byte.
    ASSERT_TRUE(m.SetFindString("d"));
    ASSERT_TRUE(m.Search("ＡＢ d"));
    EXPECT_EQ(m.MatchPosition(), 5);
    EXPECT_STREQ(m.MatchedText().c_str(), "d");
}

TEST_F(LibraryMatcher, FuzzyRegularExpressionWithTags) {
    m.SetOption("aimai", true);
    m.SetOption("CaseSense", false);
    ASSERT_TRUE(m.SetFindString("(abc)(\\d)"));
    ASSERT_TRUE(m.Search("xx ＡＢＣ１"));
    EXPECT_EQ(m.MatchPosition(), 3);
    EXPECT_EQ(m.MatchedText().length(), 8u);
    EXPECT_STREQ(m.TagText(1), "ＡＢＣ");
    EXPECT_STREQ(m.TagText(2), "１");
}

TEST_F(LibraryMatcher, LibraryLoadRules) {
    kx::HmJrePath().assign((kxtest::ProgramDir() + "sieve_without_one_entry.dll").c_str());
    EXPECT_FALSE(m.SetFindString("a"));
    EXPECT_FALSE(m.Search("a"));
    EXPECT_FALSE(m.library_loaded());
    kx::HmJrePath().assign("");
    EXPECT_FALSE(m.SetFindString("a"));
    kx::HmJrePath().assign((kxtest::ProgramDir() + "sieve.dll").c_str());
    ASSERT_TRUE(m.SetFindString("a+"));
    // A Matcher copies options and find string, never the library handle.
    kx::Matcher copy;
    copy.AssignFrom(m);
    EXPECT_TRUE(copy.ready());
    ASSERT_TRUE(copy.Search("baaa"));
    EXPECT_STREQ(copy.MatchedText().c_str(), "aaa");
    // A pattern Sieve refuses makes the find string refused.
    EXPECT_FALSE(m.SetFindString("(unclosed"));
    EXPECT_FALSE(m.Search("(unclosed"));
}

TEST_F(LibraryMatcher, SetHmJreDllAcceptsSieveAndVersionText) {
    EXPECT_TRUE(kx::SetHmJreDLL((kxtest::ProgramDir() + "sieve.dll").c_str()));
    EXPECT_GE(kx::QueryHmJreVersion(), 0x171);
}

namespace {
// The run's loop written with a fresh search of a copy of the rest after every match: what the
// in-place fuzzy search (the text converted once) must reproduce exactly.
std::string ReplaceByCopies(kx::Matcher& m, const std::string& text, const std::string& replacement) {
    std::string out;
    size_t p = 0;
    while (p <= text.size()) {
        std::string rest = text.substr(p);
        if (!m.Search(rest.c_str())) break;
        size_t at = static_cast<size_t>(m.MatchPosition());
        size_t length = m.MatchedText().length();
        out += rest.substr(0, at) + replacement;
        p += at + length;
        if (length == 0) break;
    }
    if (p < text.size()) out += text.substr(p);
    return out;
}
}  // namespace

TEST_F(LibraryMatcher, FuzzyTextIsConvertedOnceWithTheSameMatches) {
    m.SetOption("use_regular", false);
    m.SetOption("aimai", true);
    m.SetOption("CaseSense", false);
    // Pieces whose converted width differs from the real one: ｶﾞ, ＡＢ, ガ, が, plain ASCII.
    const char* pieces[] = {"ｶﾞ", "ＡＢ", "ガ", "が", "ab", " ", "x", "ｶ"};
    const char* finds[] = {"が", "ab", "がab", "x ガ"};
    unsigned seed = 7;
    for (int round = 0; round < 60; ++round) {
        std::string text;
        for (int i = 0; i < 30; ++i) {
            seed = seed * 1103515245u + 12345u;
            text += pieces[(seed >> 16) % (sizeof pieces / sizeof *pieces)];
        }
        const char* find = finds[round % (sizeof finds / sizeof *finds)];
        ASSERT_TRUE(m.SetFindString(find));
        kxlib::string out;
        kx::ReplaceAll(m, kxlib::string("#"), kxlib::string(text.c_str()), &out);
        EXPECT_EQ(std::string(out.c_str()), ReplaceByCopies(m, text, "#")) << "round " << round;
    }
}

TEST_F(LibraryMatcher, ASearchIsUsedOnlyInTheModeItWasPreparedIn) {
    const char* kHalfWidthKa = "ｶ";
    const char* kTwoHiragana = "かか";  // found by a fuzzy ｶ, never by a regular expression
    // Fuzzy, then regular expressions switched on without a new find string.
    m.SetOption("use_regular", false);
    m.SetOption("aimai", true);
    ASSERT_TRUE(m.SetFindString(kHalfWidthKa));
    ASSERT_TRUE(m.Search(kTwoHiragana));
    m.SetOption("use_regular", true);
    EXPECT_FALSE(m.Search(kTwoHiragana));
    m.SetOption("aimai", false);
    EXPECT_FALSE(m.Search(kTwoHiragana));
    EXPECT_EQ(Replace(kHalfWidthKa, "x", kTwoHiragana), kTwoHiragana);

    // A regular expression, then fuzzy search switched on.
    ASSERT_TRUE(m.SetFindString(kHalfWidthKa));
    m.SetOption("aimai", true);
    EXPECT_FALSE(m.Search(kTwoHiragana));
    kxlib::string out;
    EXPECT_EQ(kx::ReplaceAll(m, kxlib::string("x"), kxlib::string(kTwoHiragana), &out), 0);
    // Prepared again in the mode now in force, it searches as that mode does.
    EXPECT_EQ(Replace(kHalfWidthKa, "x", kTwoHiragana), "xx");
}
