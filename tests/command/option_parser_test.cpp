// Command-line parser: tokens, the declared options of Quarry, and the rejection texts.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "command/option_parser.h"
#include "log_texts.h"

namespace {

using kxtest::kArgumentAlone;
using kxtest::kNeedsArgument;
using kxtest::kUnknownOption;

// A parser with Quarry's two options declared.
struct Quarry : kx::OptionParser {
    explicit Quarry(const char* line) : kx::OptionParser(line) {
        addOption("ddestart", false);
        addOption("ddestop", false);
    }
};

std::string Error(const kx::OptionParser& p) { return p.errorText().c_str(); }

TEST(OptionParser, EmptyAndBlankLinesGiveNothing) {
    for (const char* line : {"", "    "}) {
        Quarry p(line);
        EXPECT_TRUE(p.parse());
        EXPECT_FALSE(p.isGiven("ddestart"));
        EXPECT_FALSE(p.isGiven("ddestop"));
        EXPECT_TRUE(p.positionals().empty());
    }
}

TEST(OptionParser, NamedOptionsArePickedOutAmongPositionals) {
    Quarry p("  --ddestart foo   --ddestop \"a b\"\tc");
    ASSERT_TRUE(p.parse());
    EXPECT_TRUE(p.isGiven("ddestart"));
    EXPECT_TRUE(p.isGiven("ddestop"));
    ASSERT_EQ(p.positionals().size(), 2u);
    EXPECT_STREQ(p.positionals()[0].c_str(), "foo");
    // Quotes stay, the space inside them does not split, and a tab is part of the token.
    EXPECT_STREQ(p.positionals()[1].c_str(), "\"a b\"\tc");
    EXPECT_FALSE(p.isGiven("undeclared"));
}

TEST(OptionParser, RejectionsNameTheOption) {
    struct Case {
        const char* line;
        std::string error;
    } cases[] = {
        {"--DDESTART", "DDESTART" + kUnknownOption},  // names are case-sensitive
        {"-ddestart", "d" + kUnknownOption},          // one dash: the first letter is an unknown option
        {"--", kUnknownOption},                       // empty name
        {"- x", " " + kUnknownOption},                // the byte after the dash, a space included
        {"--ddestart --ddestart= x", "ddestart=" + kUnknownOption},
    };
    for (const Case& c : cases) {
        Quarry p(c.line);
        EXPECT_FALSE(p.parse()) << c.line;
        EXPECT_EQ(Error(p), c.error) << c.line;
    }
    // Options before the rejection stay marked.
    Quarry p("--ddestop --nope --ddestart");
    EXPECT_FALSE(p.parse());
    EXPECT_TRUE(p.isGiven("ddestop"));
    EXPECT_FALSE(p.isGiven("ddestart"));
}

TEST(OptionParser, LoneDashAtTheEndIsPassedOver) {
    Quarry p("--ddestart -");
    EXPECT_TRUE(p.parse());
    EXPECT_TRUE(p.isGiven("ddestart"));
    EXPECT_TRUE(p.positionals().empty());
}

TEST(OptionParser, OptionArgumentsKeepTheirQuotes) {
    kx::OptionParser p("--out \"C:\\My Files\\x\" rest --last");
    p.addOption("out", true);
    p.addOption("last", true);
    EXPECT_FALSE(p.parse());
    EXPECT_STREQ(p.argument("out").c_str(), "\"C:\\My Files\\x\"");
    EXPECT_EQ(Error(p), "last" + kNeedsArgument);
    ASSERT_EQ(p.positionals().size(), 1u);
    EXPECT_STREQ(p.positionals()[0].c_str(), "rest");
}

TEST(OptionParser, DoubleByteCharactersAreNeverSplit) {
    ASSERT_EQ(GetACP(), 932u);
    // 0x81 0x40 is the full-width space; after the lead byte 0x83 a quote byte is taken as its
    // trail byte: neither ends the token nor opens quotes.
    std::string token =
        "a\x81\x40"
        "b\x83\x22"
        "c";
    Quarry p((token + " --ddestart").c_str());
    ASSERT_TRUE(p.parse());
    ASSERT_EQ(p.positionals().size(), 1u);
    EXPECT_EQ(std::string(p.positionals()[0].c_str()), token);
    EXPECT_TRUE(p.isGiven("ddestart"));
    // A lead byte right before the end of the line ends the scan there.
    Quarry q("x\x83");
    EXPECT_TRUE(q.parse());
    ASSERT_EQ(q.positionals().size(), 1u);
    EXPECT_STREQ(q.positionals()[0].c_str(), "x\x83");
}

TEST(OptionParser, SingleCharacterOptionsWithAnArgumentStandAlone) {
    kx::OptionParser p("-ab -o file -ob");
    p.addOption("a", false);
    p.addOption("b", false);
    p.addOption("o", true);
    EXPECT_FALSE(p.parse());
    EXPECT_TRUE(p.isGiven("a"));
    EXPECT_TRUE(p.isGiven("b"));
    EXPECT_STREQ(p.argument("o").c_str(), "file");
    EXPECT_EQ(Error(p), "o" + kArgumentAlone);
}

}  // namespace
