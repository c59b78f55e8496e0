// The engine string: sharing and copy on write, clamping rules, search, integer conversions.
#include <gtest/gtest.h>

#include "test_support.h"
#include "text/codepage.h"
#include "text/kxstring.h"

using kxlib::string;

TEST(KxString, EmptyStringsShareOneRepresentativeUntilWritten) {
    string a, b;
    EXPECT_TRUE(a.shares_with(b));
    EXPECT_STREQ(a.c_str(), "");
    a.append("x");
    EXPECT_STREQ(a.c_str(), "x");
    EXPECT_STREQ(b.c_str(), "");
    EXPECT_TRUE(b.is_shared_empty());
    string c;
    c.erase(0, 5);
    c.to_lower();
    EXPECT_TRUE(b.is_shared_empty());
    EXPECT_STREQ(string("").c_str(), "");
}

TEST(KxString, CopiesAreNeverChangedThroughTheirOriginal) {
    string original("Hello");
    string copy(original);
    EXPECT_TRUE(copy.shares_with(original));
    original.append(" world");
    EXPECT_STREQ(copy.c_str(), "Hello");
    string c2(original);
    original.erase(0, 6);
    EXPECT_STREQ(c2.c_str(), "Hello world");
    string c3(original);
    original.to_lower();
    EXPECT_STREQ(c3.c_str(), "world");
    string c4(original);
    original.assign("zz");
    EXPECT_STREQ(c4.c_str(), "world");
    string c5(original);
    original.insert(1, "AB");
    EXPECT_STREQ(c5.c_str(), "zz");
    EXPECT_STREQ(original.c_str(), "zABz");
    string c6(original);
    original.mutable_data()[0] = 'q';
    EXPECT_STREQ(c6.c_str(), "zABz");
}

TEST(KxString, CapacityGrowsExactly) {
    string s("abc");
    EXPECT_EQ(s.capacity(), 8u);
    s.append("12345");  // needs 9
    EXPECT_EQ(s.capacity(), 9u);
    EXPECT_EQ(string('x').capacity(), 2u);
    string r;
    r.reserve(100);
    EXPECT_EQ(r.capacity(), 100u);
    EXPECT_EQ(r.length(), 0u);
}

TEST(KxString, FindSubstrEraseInsertClamp) {
    string abc("abc");
    EXPECT_EQ(abc.find("b", 0), 1);
    EXPECT_EQ(abc.find("c", 3), -1);
    EXPECT_EQ(abc.find("", 0), -1);
    EXPECT_EQ(string().find("a", 0), -1);
    EXPECT_EQ(abc.find("bc", 1), 1);
    EXPECT_STREQ(abc.substr(4, 2).c_str(), "");
    EXPECT_STREQ(abc.substr(1, 10).c_str(), "bc");
    EXPECT_STREQ(abc.substr(3).c_str(), "");
    string abcd("abcd");
    abcd.erase(1, 100);
    EXPECT_STREQ(abcd.c_str(), "a");
    string ab("ab");
    ab.insert(10, "xy", 5);
    EXPECT_STREQ(ab.c_str(), "abxy");
    string t("hello");
    t.assign("hello", 2, 2);
    EXPECT_STREQ(t.c_str(), "ll");
    t.assign("hi", 5, 1);  // position past the end: unchanged
    EXPECT_STREQ(t.c_str(), "ll");
    t.append("xyz", 4, 1);
    EXPECT_STREQ(t.c_str(), "ll");
    t.append("xyz", 1, 10);
    EXPECT_STREQ(t.c_str(), "llyz");
    t.assign(static_cast<const char*>(nullptr));
    EXPECT_STREQ(t.c_str(), "");
    // Assigning from the string's own bytes.
    string self("abcdef");
    self.assign_bytes(self.c_str() + 2, 3);
    EXPECT_STREQ(self.c_str(), "cde");
    EXPECT_TRUE(string("a") + "b" == string("ab"));
    EXPECT_TRUE((string("a") + string("b")).equals("ab"));
}

TEST(KxString, FindNeverStartsOnATrailByte) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    // "表" is 0x95 0x5C: its second byte is a backslash byte.
    string s("\x95\x5C\\");
    EXPECT_EQ(s.find("\\", 0), 2);
    string t(
        "a\x95\x5C"
        "bc\\");
    EXPECT_EQ(t.find("\\b", 0), -1);
    EXPECT_EQ(t.find("\\", 0), 5);
}

TEST(KxString, LowerCasingTouchesOnlyAsciiLetters) {
    ASSERT_EQ(kxtest::AnsiCodePage(), 932u);
    // Full-width "Ａ" (82 60) stays as it is; a trail byte in the A-Z range (as in 83 41 "ア") too.
    string s("AB\x82\x60\x83\x41Z");
    s.to_lower();
    EXPECT_EQ(std::string(s.c_str()), std::string("ab\x82\x60\x83\x41z"));
    EXPECT_EQ(s.length(), 7u);
}

TEST(KxString, LexicalCast) {
    EXPECT_EQ((kxlib::lexical_cast<int, string>(string("007"))), 7);
    EXPECT_EQ((kxlib::lexical_cast<int, string>(string(""))), 0);
    EXPECT_THROW((kxlib::lexical_cast<int, string>(string("-1"))), kxlib::bad_lexical_cast);
    EXPECT_THROW((kxlib::lexical_cast<int, string>(string(" 1"))), kxlib::bad_lexical_cast);
    EXPECT_THROW((kxlib::lexical_cast<int, string>(string("1a"))), kxlib::bad_lexical_cast);
    EXPECT_THROW((kxlib::lexical_cast<int, string>(string("\xB1"))), kxlib::bad_lexical_cast);
    // Long digit runs wrap like a 32-bit two's-complement number.
    EXPECT_EQ((kxlib::lexical_cast<int, string>(string("4294967297"))), 1);
    EXPECT_EQ((kxlib::lexical_cast<int, string>(string("2147483648"))), INT32_MIN);
    EXPECT_STREQ((kxlib::lexical_cast<string, int>(-5)).c_str(), "-5");
    try {
        kxlib::lexical_cast<int, string>(string("x"));
    } catch (const kxlib::bad_lexical_cast& e) {
        EXPECT_EQ(e.target_type(), typeid(int));
        EXPECT_EQ(e.source_type(), typeid(string));
    }
}
