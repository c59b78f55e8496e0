// Hostile input for the text parsers of the command interface: the option string of "Set", the
// keywords of "SetCharSet" and "SetLineBreak", "SetDir", the placement text of "ShowLog" and the
// command line. Every input sits right before a guard page; each parser must answer and keep its
// rules, whatever the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "command/option_parser.h"
#include "engine/job_settings.h"
#include "guarded_bytes.h"
#include "hostile_inputs.h"
#include "log_texts.h"
#include "viewer/model/placement.h"

namespace {

using kxtest::Escaped;
using kxtest::GuardedBytes;
using kxtest::HostileInput;

void Tally(const char* target, uint32_t inputs) {
    std::printf("[ inputs   ] %s %u\n", target, inputs);
    testing::Test::RecordProperty("inputs", static_cast<int>(inputs));
}

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Cuts the input at its first NUL: the command interface hands every text over NUL-terminated.
std::string Text(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST(HostileParsers, SetKeepsItsRulesOnAnyText) {
    const std::vector<std::string> seeds = {"casesense,word,subdir",
                                            "CaseSense,Word",
                                            "use_regular,backup,keep_timestamp",
                                            "aimai,zero_match",
                                            ",,,",
                                            "word, subdir",
                                            "nokeep_timestamps",
                                            "ワード,word",
                                            "casesense\x82,word"};
    GuardedBytes guard;
    kx::JobSettings job;
    const uint32_t count = 20000 * kxtest::FuzzScale();
    for (uint32_t i = 0; i < count; ++i) {
        const std::string text = Text(HostileInput(kxtest::FuzzSeed(), i, seeds, 600));
        ASSERT_TRUE(job.Set(guard.PlaceText(text))) << Escaped(text);
        if (!IsAscii(text)) continue;
        // On ASCII text the flags are exactly the keyword tests on the comma-bracketed, lower-cased list.
        const std::string list = "," + AsciiLower(text) + ",";
        auto has = [&](const char* k) { return list.find(k) != std::string::npos; };
        ASSERT_EQ(has(",casesense,"), job.matcher.casesense()) << Escaped(text);
        ASSERT_EQ(has(",word,"), job.matcher.word()) << Escaped(text);
        ASSERT_EQ(has(",zero_match,"), job.matcher.zero_match()) << Escaped(text);
        ASSERT_EQ(has(",aimai,"), job.matcher.aimai()) << Escaped(text);
        ASSERT_EQ(has(",use_regular,"), job.matcher.use_regular()) << Escaped(text);
        ASSERT_EQ(has(",subdir,"), job.subdir) << Escaped(text);
        ASSERT_EQ(has(",backup,"), job.backup) << Escaped(text);
        ASSERT_EQ(has("keep_timestamp"), job.keep_timestamp) << Escaped(text);
    }
    Tally("Set", count);
}

TEST(HostileParsers, KeywordsAndDirectoryNeverTakeGarbage) {
    const std::vector<std::string> seeds = {
        "autodetect", "SJIS", "utf16LE", "utf8n", "crlf", "LF", "C:\\dir", "C:\\\x95\x5C", "\\\\server\\share\\"};
    GuardedBytes guard;
    kx::JobSettings job;
    const uint32_t count = 10000 * kxtest::FuzzScale();
    static const int32_t kCharSets[] = {0, 932, -932, -933, -65001, 65001, -3, -4, -5, -6};
    for (uint32_t i = 0; i < count; ++i) {
        const std::string text = Text(HostileInput(kxtest::FuzzSeed() + 1, i, seeds, 300));
        const kx::CharSetCode char_set = job.char_set;
        const kx::LineBreakCode line_break = job.line_break;
        const bool set_accepted = job.SetCharSet(guard.PlaceText(text));
        const bool break_accepted = job.SetLineBreak(guard.PlaceText(text));
        // Only a keyword is taken; a refusal keeps the previous value.
        if (!set_accepted) {
            ASSERT_EQ(char_set, job.char_set) << Escaped(text);
        }
        ASSERT_NE(std::end(kCharSets), std::find(std::begin(kCharSets), std::end(kCharSets), job.char_set));
        if (!break_accepted) {
            ASSERT_EQ(line_break, job.line_break) << Escaped(text);
        }
        ASSERT_TRUE(job.line_break >= 0 && job.line_break <= 3);
        if (set_accepted || break_accepted) {
            ASSERT_LE(text.size(), 10u) << Escaped(text);
        }

        ASSERT_TRUE(job.SetDir(guard.PlaceText(text)));
        const kxlib::string& dir = job.directory;
        if (text.empty()) {
            ASSERT_EQ(0u, dir.length());
        } else {
            // The text itself, with at most one backslash added, and then it ends in a backslash.
            ASSERT_EQ(0, std::memcmp(dir.c_str(), text.data(), text.size())) << Escaped(text);
            ASSERT_LE(dir.length(), text.size() + 1);
            ASSERT_EQ('\\', dir[dir.length() - 1]) << Escaped(text);
        }
    }
    Tally("SetCharSet/SetLineBreak/SetDir", count);
}

TEST(HostileParsers, PlacementIsEitherCentredOrASoundRectangle) {
    const std::vector<std::string> seeds = {
        "center", "100,50,700,450", "100 50 700 450", "x100,50,700,450", "-5,-5,10,10", "99999999999999999999,1,2,3",
        "1,2",    "0,0,0,0"};
    GuardedBytes guard;
    const uint32_t count = 20000 * kxtest::FuzzScale();
    uint32_t placed = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string text = Text(HostileInput(kxtest::FuzzSeed() + 2, i, seeds, 200));
        kx::Placement p;
        if (!kx::ParsePlacement(guard.PlaceText(text), &p)) continue;
        ++placed;
        // Digits only: never negative, and a window of positive size.
        ASSERT_GE(p.left, 0) << Escaped(text);
        ASSERT_GE(p.top, 0) << Escaped(text);
        ASSERT_GT(p.right, p.left) << Escaped(text);
        ASSERT_GT(p.bottom, p.top) << Escaped(text);
    }
    Tally("ShowLog placement", count);
    RecordProperty("placed", static_cast<int>(placed));
}

// The three error texts a rejected line may end with.
bool EndsWithErrorText(const kxlib::string& error) {
    static const std::string* const kTexts[] = {&kxtest::kUnknownOption, &kxtest::kNeedsArgument,
                                                &kxtest::kArgumentAlone};
    for (const std::string* t : kTexts) {
        size_t n = t->size();
        if (error.length() >= n && std::memcmp(error.c_str() + error.length() - n, t->data(), n) == 0) return true;
    }
    return false;
}

TEST(HostileParsers, CommandLineIsAcceptedOrRejectedWithItsText) {
    const std::vector<std::string> seeds = {"--ddestart",
                                            "--ddestop",
                                            "--ddestart foo",
                                            "-ddestart",
                                            "--",
                                            "\"a b\" --ddestop",
                                            "- ",
                                            "--DDESTART",
                                            "\x81\x40--ddestart \x82\"",
                                            "\"unbalanced --ddestart"};
    GuardedBytes guard;
    const uint32_t count = 20000 * kxtest::FuzzScale();
    for (uint32_t i = 0; i < count; ++i) {
        const std::string text = Text(HostileInput(kxtest::FuzzSeed() + 3, i, seeds, 300));
        const char* placed = guard.PlaceText(text);
        // The token scanner stops at the NUL, never behind it.
        const char* end = kx::TokenEnd(placed);
        ASSERT_TRUE(end >= placed && end <= placed + text.size()) << Escaped(text);

        kx::OptionParser parser(placed);
        parser.addOption("ddestart", false);
        parser.addOption("ddestop", false);
        if (parser.parse()) {
            ASSERT_EQ(0u, parser.errorText().length()) << Escaped(text);
            for (const kxlib::string& p : parser.positionals()) {
                ASSERT_GT(p.length(), 0u) << Escaped(text);
                ASSERT_NE('-', p[0]) << Escaped(text);
            }
            if (parser.isGiven("ddestart")) {
                ASSERT_NE(std::string::npos, text.find("--ddestart")) << Escaped(text);
            }
            if (parser.isGiven("ddestop")) {
                ASSERT_NE(std::string::npos, text.find("--ddestop")) << Escaped(text);
            }
        } else {
            ASSERT_TRUE(EndsWithErrorText(parser.errorText())) << Escaped(text);
        }
    }
    Tally("command line", count);
}

}  // namespace
