// Expanding a replacement's escapes without the library: the tags come from a table, so every rule
// of \1 .. \9, \n, \t and \\ (and of the backslashes that stay) is seen on its own bytes, double-byte
// characters with a trail byte 0x5C included.
#include <gtest/gtest.h>

#include <string>

#include "match/replacement.h"
#include "text/codepage.h"

namespace {

// Tags 1 .. 9 from a table ("" for a tag that did not take part), counting how often each is asked.
class TableTags final : public kx::TagSource {
public:
    explicit TableTags(std::initializer_list<const char*> texts) {
        int n = 1;
        for (const char* t : texts) text_[n++] = t;
    }
    kxlib::string TagText(int n) const override {
        ++asked_[n];
        return kxlib::string(text_[n].c_str());
    }
    int asked(int n) const { return asked_[n]; }

private:
    std::string text_[10];
    mutable int asked_[10] = {};
};

std::string Expand(const char* replacement, const TableTags& tags) {
    return kx::ExpandReplacement(replacement, tags).c_str();
}

class Replacement : public ::testing::Test {
protected:
    // The double-byte cases need the Shift_JIS lead bytes.
    void SetUp() override { ASSERT_TRUE(kx::IsLeadByte(0x83) && kx::IsLeadByte(0x95)); }
    TableTags tags{"one", "two", "", "", "", "", "", "", "nine"};
};

}  // namespace

TEST_F(Replacement, TagEscapesTakeOneDigit) {
    EXPECT_EQ(Expand("<\\1|\\2|\\9>", tags), "<one|two|nine>");
    // \10 is tag 1 followed by '0'; a tag that did not take part gives nothing.
    EXPECT_EQ(Expand("\\10", tags), "one0");
    EXPECT_EQ(Expand("[\\3]", tags), "[]");
    // A tag's text is put in as it is, never expanded again.
    TableTags escaped{"\\n\\2", "x"};
    EXPECT_EQ(Expand("\\1", escaped), "\\n\\2");
}

TEST_F(Replacement, EachNamedTagIsAskedOnce) {
    EXPECT_EQ(Expand("\\1\\1\\2\\1", tags), "oneonetwoone");
    EXPECT_EQ(tags.asked(1), 1);
    EXPECT_EQ(tags.asked(2), 1);
    for (int n = 3; n <= 9; ++n) EXPECT_EQ(tags.asked(n), 0) << n;
}

TEST_F(Replacement, LineBreakTabAndBackslash) {
    EXPECT_EQ(Expand("a\\nb\\tc\\\\d", tags), "a\nb\tc\\d");
    // An escaped backslash is done with: the '1' or 'n' after it is plain text.
    EXPECT_EQ(Expand("\\\\1\\\\n", tags), "\\1\\n");
    EXPECT_EQ(Expand("\\\\\\1", tags), "\\one");
}

TEST_F(Replacement, EveryOtherBackslashStays) {
    EXPECT_EQ(Expand("\\0\\x\\N\\T\\a", tags), "\\0\\x\\N\\T\\a");
    // A backslash that stays does not take the byte after it along: that byte is read on its own.
    EXPECT_EQ(Expand("\\.\\1", tags), "\\.one");
    EXPECT_EQ(Expand("end\\", tags), "end\\");
    EXPECT_EQ(Expand("\\", tags), "\\");
    // Three backslashes: one escaped, one standing last.
    EXPECT_EQ(Expand("\\\\\\", tags), "\\\\");
    EXPECT_EQ(Expand("", tags), "");
    EXPECT_EQ(Expand("plain text", tags), "plain text");
}

TEST_F(Replacement, TrailByte5CIsNeverABackslash) {
    // "ソ" 83 5C and "表" 95 5C: the trail byte pairs with nothing after it.
    EXPECT_EQ(Expand("\x83\x5Cn\x95\x5C"
                     "1",
                     tags),
              "\x83\x5Cn\x95\x5C"
              "1");
    EXPECT_EQ(Expand("\x83\x5C\\\\", tags), "\x83\x5C\\");
    EXPECT_EQ(Expand("\x95\x5C\\1", tags),
              "\x95\x5C"
              "one");
    // A backslash before "ソ" stays, and "ソ" stays whole: its 5C does not start "\1".
    EXPECT_EQ(Expand("\\\x83\x5C"
                     "1",
                     tags),
              "\\\x83\x5C"
              "1");
    // Escapes right behind double-byte characters, and a lead byte standing last.
    EXPECT_EQ(Expand("\x82\xA0\\t\x83\x5C\\2", tags), "\x82\xA0\t\x83\x5Ctwo");
    EXPECT_EQ(Expand("\\n\x83", tags), "\n\x83");
    // A half-width katakana is a single byte: the backslash after it starts an escape.
    EXPECT_EQ(Expand("\xB1\\1\xDF\\n", tags), "\xB1one\xDF\n");
}
