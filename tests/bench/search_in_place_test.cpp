// Searching in place gives what searching copies gave: the skip-table search against a plain
// reference, case-ignoring search against a lowered copy, and the Matcher's search of one text from
// every resume offset against a search of a copy of the rest, in plain and regular-expression mode.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "engine/replace_run.h"
#include "match/matcher.h"
#include "match/plain_search.h"
#include "test_support.h"
#include "text/codepage.h"

namespace {

// Bytes that make trail-byte questions hard: lead-class bytes (also as trail bytes), capitals and
// small letters (a capital can be the second byte of a character), the backslash trail byte,
// spaces and an underscore for whole-word tests.
const unsigned char kAlphabet[] = {0x81, 0x83, 0x95, 0xE0, 0x41, 0x42, 0x61, 0x62, 0x5C, 0x20, 0x5F, 0xA0, 0x8B};

std::string RandomText(std::mt19937& rng, size_t n) {
    std::string s;
    for (size_t i = 0; i < n; ++i) s.push_back(static_cast<char>(kAlphabet[rng() % sizeof kAlphabet]));
    return s;
}

// The search as first written: every candidate's trail-byte test walks back to the buffer's start.
int32_t ReferenceSearch(const std::string& text, const std::string& pattern) {
    const size_t n = text.size(), m = pattern.size();
    if (m == 0 || n < m) return -1;
    for (size_t q = 0; q + m <= n; ++q) {
        if (text.compare(q, m, pattern) != 0) continue;
        size_t k = 0;
        while (k < q && kx::IsLeadByte(static_cast<unsigned char>(text[q - 1 - k]))) ++k;
        if ((k & 1) == 0) return static_cast<int32_t>(q);
    }
    return -1;
}

std::string Lowered(const std::string& s) {
    kxlib::string copy(s.c_str(), static_cast<uint32_t>(s.size()));
    copy.to_lower();
    return std::string(copy.c_str(), copy.length());
}

// A pattern taken from the text (so it is often found, also on trail bytes) or made up.
std::string RandomPattern(std::mt19937& rng, const std::string& text) {
    size_t m = 1 + rng() % 4;
    if (rng() % 3 == 0 || text.size() < m) return RandomText(rng, m);
    return text.substr(rng() % (text.size() - m + 1), m);
}

}  // namespace

TEST(SearchInPlace, SkipTableSearchMatchesTheReference) {
    ASSERT_EQ(GetACP(), 932u);
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = RandomText(rng, rng() % 60);
        std::string pattern = RandomPattern(rng, text);
        int32_t skip[256];
        kx::BuildSkipTable(pattern.data(), static_cast<uint32_t>(pattern.size()), skip);
        ASSERT_EQ(kx::SearchBytes(text.data(), static_cast<uint32_t>(text.size()), pattern.data(),
                                  static_cast<uint32_t>(pattern.size()), skip),
                  ReferenceSearch(text, pattern))
            << "round " << round;
    }
}

TEST(SearchInPlace, LongRunsOfLeadClassBytes) {
    ASSERT_EQ(GetACP(), 932u);
    // "メ" (83 81) many times: 81 83 and 81 stand on every trail byte and must never be reported.
    std::string run;
    for (int i = 0; i < 6000; ++i) run += "\x83\x81";
    for (const char* pattern : {"\x81", "\x81\x83", "\x83\x81"}) {
        int32_t skip[256];
        uint32_t m = static_cast<uint32_t>(strlen(pattern));
        kx::BuildSkipTable(pattern, m, skip);
        EXPECT_EQ(kx::SearchBytes(run.data(), static_cast<uint32_t>(run.size()), pattern, m, skip),
                  ReferenceSearch(run, pattern));
        std::string tail = run + "A\x81";
        EXPECT_EQ(kx::SearchBytes(tail.data(), static_cast<uint32_t>(tail.size()), pattern, m, skip),
                  ReferenceSearch(tail, pattern));
    }
}

TEST(SearchInPlace, CaseIgnoringSearchReadsTheTextAsItsLoweredCopy) {
    ASSERT_EQ(GetACP(), 932u);
    std::mt19937 rng(11);
    for (int round = 0; round < 3000; ++round) {
        std::string text = RandomText(rng, rng() % 60);
        kx::PlainSearcher searcher;
        std::string lowered_pattern = Lowered(RandomPattern(rng, text));
        searcher.SetPattern(kxlib::string(lowered_pattern.c_str()));
        // The subject may begin inside the text: lowering counts characters from origin.
        size_t from = text.empty() ? 0 : rng() % (text.size() + 1);
        std::string expected_subject = Lowered(text).substr(0);
        std::string lowered_here = Lowered(text).substr(from);
        const bool found =
            searcher.FindLowered(text.data(), text.data() + from, static_cast<uint32_t>(text.size() - from));
        int32_t expected = ReferenceSearch(lowered_here, lowered_pattern);
        ASSERT_EQ(found ? searcher.found_position() : -1, expected) << "round " << round;
    }
}

namespace {
struct Outcome {
    bool found;
    int32_t position;
    std::string matched;
    std::string tag1;
    bool operator==(const Outcome& o) const {
        return found == o.found && (!found || (position == o.position && matched == o.matched && tag1 == o.tag1));
    }
};

Outcome Read(kx::Matcher& m, bool found) {
    return {found, found ? m.MatchPosition() : -1, found ? m.MatchedText().c_str() : "", found ? m.TagText(1) : ""};
}

// For every resume offset, the in-place search of the whole text answers as Search of a copy of the rest.
void ExpectSameFromEveryOffset(kx::Matcher& m, const std::string& text, const std::string& what) {
    kx::Matcher fresh;
    std::vector<Outcome> in_place;
    m.BeginText(text.c_str(), static_cast<uint32_t>(text.size()));
    for (size_t p = 0; p <= text.size(); ++p) in_place.push_back(Read(m, m.SearchFrom(static_cast<uint32_t>(p))));
    m.EndText();
    for (size_t p = 0; p <= text.size(); ++p) {
        std::string rest = text.substr(p);
        Outcome copied = Read(m, m.Search(rest.c_str()));
        ASSERT_TRUE(in_place[p] == copied)
            << what << " at offset " << p << ": in place " << in_place[p].position << " '" << in_place[p].matched
            << "', copied " << copied.position << " '" << copied.matched << "'";
    }
}
}  // namespace

TEST(SearchInPlace, PlainMatcherFromEveryResumeOffset) {
    ASSERT_EQ(GetACP(), 932u);
    std::mt19937 rng(13);
    for (int round = 0; round < 400; ++round) {
        kx::Matcher m;
        m.SetOption("use_regular", false);
        m.SetOption("CaseSense", rng() % 2 == 0);
        m.SetOption("word", rng() % 3 == 0);
        std::string text = RandomText(rng, 1 + rng() % 40);
        std::string pattern = RandomPattern(rng, text);
        if (!m.SetFindString(pattern.c_str())) continue;
        ExpectSameFromEveryOffset(m, text, "round " + std::to_string(round));
        if (HasFatalFailure()) return;
    }
}

TEST(SearchInPlace, CaseIgnoringRegularExpressionFromEveryResumeOffset) {
    ASSERT_EQ(GetACP(), 932u);
    kx::HmJrePath().assign((kxtest::ProgramDir() + "sieve.dll").c_str());
    std::mt19937 rng(17);
    // A capital behind a run of lead-class bytes lowers differently when the subject starts inside the run.
    const char* patterns[] = {"a", "b+", "(a)\x83\x81", "\x83\x81(b)", "[ab]_", "a|\x83\x81"};
    for (int round = 0; round < 120; ++round) {
        kx::Matcher m;
        m.SetOption("zero_match", false);
        m.SetOption("CaseSense", false);
        const char* pattern = patterns[round % (sizeof patterns / sizeof *patterns)];
        ASSERT_TRUE(m.SetFindString(pattern)) << pattern;
        std::string text = RandomText(rng, 1 + rng() % 40);
        ExpectSameFromEveryOffset(m, text, std::string(pattern) + " round " + std::to_string(round));
        if (HasFatalFailure()) break;
    }
    kx::HmJrePath().assign("");
}

TEST(SearchInPlace, DenseReplacementOutgrowsItsReserve) {
    ASSERT_EQ(GetACP(), 932u);
    // Every fourth byte a hit, each replacement four times longer: the output ends far beyond what
    // was reserved, and must still read exactly as replacing hit by hit does.
    std::string text;
    for (int i = 0; i < 50000; ++i) text += i % 2 ? "ab\x82\xA0" : "AB\x83\x81";
    kx::Matcher m;
    m.SetOption("use_regular", false);
    m.SetOption("CaseSense", false);
    ASSERT_TRUE(m.SetFindString("Ab"));
    kxlib::string output;
    output.reserve(static_cast<uint32_t>(text.size()) + 10);
    int32_t n = kx::ReplaceAll(m, kxlib::string("12345678"), kxlib::string(text.c_str()), &output);
    std::string expected;
    for (int i = 0; i < 50000; ++i) expected += i % 2 ? "12345678\x82\xA0" : "12345678\x83\x81";
    EXPECT_EQ(n, 50000);
    EXPECT_EQ(std::string(output.c_str(), output.length()), expected);
}

TEST(SearchInPlace, GrowingAppendKeepsTheBytesAndGrowsAhead) {
    kxlib::string s;
    std::string expected;
    uint32_t reallocations = 0, capacity = s.capacity();
    for (int i = 0; i < 20000; ++i) {
        const char* piece = (i % 3) ? "xyz" : "\x82\xA0";
        kxlib::append_growing(s, piece, static_cast<uint32_t>(strlen(piece)));
        expected += piece;
        if (s.capacity() != capacity) {
            ++reallocations;
            capacity = s.capacity();
        }
    }
    EXPECT_EQ(std::string(s.c_str(), s.length()), expected);
    EXPECT_LT(reallocations, 40u);
    // A shared string is not changed through the other copy.
    kxlib::string copy(s);
    kxlib::append_growing(s, "!", 1);
    EXPECT_EQ(copy.length() + 1, s.length());
}
