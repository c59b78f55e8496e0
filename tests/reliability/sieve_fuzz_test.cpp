// Hostile input for Sieve through sieve.dll, as Quarry reaches it: random and mutated patterns are
// compiled and searched over random subjects that end right before a guard page (searched by length,
// without a NUL), and random texts go through the fuzzy conversions. No fault, no hang, every match
// and every mapped position inside the text and on a character boundary, and a plain find string
// converted for a fuzzy search always finds its own converted text.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "guarded_bytes.h"
#include "hostile_inputs.h"
#include "match/sieve_api.h"
#include "sieve/sieve_library.h"
#include "watchdog.h"

namespace {

using kxtest::Escaped;
using kxtest::GuardedBytes;
using kxtest::HostileInput;
using Sieve = kxtest::SieveLibrary;

void Tally(const char* target, uint32_t inputs) {
    std::printf("[ inputs   ] %s %u\n", target, inputs);
    testing::Test::RecordProperty("inputs", static_cast<int>(inputs));
}

// Character starts of a Shift_JIS text, walked from its first byte: a lead byte takes the byte after
// it when that byte can be a trail byte (0x40-0x7E, 0x80-0xFC); a lead byte before anything else is a
// broken character of its own. boundary[i] says whether a character starts at i (boundary[size] is true).
std::vector<bool> Boundaries(const std::string& s) {
    std::vector<bool> b(s.size() + 1, false);
    size_t i = 0;
    while (i < s.size()) {
        b[i] = true;
        const unsigned char next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
        const bool trail = (next >= 0x40 && next <= 0x7E) || (next >= 0x80 && next <= 0xFC);
        i += IsDBCSLeadByte(static_cast<BYTE>(s[i])) && trail ? 2 : 1;
    }
    b[s.size()] = true;
    return b;
}

std::string Cut(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST(HostileSieve, PatternsAndSubjects) {
    ASSERT_EQ(932u, GetACP());
    Sieve sieve;
    ASSERT_TRUE(sieve.ok());
    const std::vector<std::string> patterns = {
        "a+b",           "(foo|bar)\\1", "[あ-ん]+", "^\\s*$",         "(?<=a)b",       "(?<!x)y+",
        "\\x41",         "(?i)abc",      "a{2,5}?",  "[[:alpha:]]+",   "\\p{Hiragana}", "(a)(b)?(c)*\\3",
        "\x83\x5C+\\\\", ".\\b.",        "\\A|\\z",  "(?<k>あ)\\k<k>", "[^\x83\x5C]",   "x*",
        "(?=亜)",        "\\G.",         "[a-あ]",   "\\u3042",        "\\h+\\R"};
    const std::vector<std::string> subjects = {"foo bar foobar", "\x82\xA0\x82\xA2\x82\xA4\r\n\x83\x5C\\", "aaaa\nbbbb",
                                               std::string("a\0b", 3), "亜唖x"};
    GuardedBytes guard;
    kxtest::Watchdog watchdog(20000);
    Jre2Record record;
    std::memset(&record, 0, sizeof record);
    record.size = sieve::kJre2RecordSize;
    ASSERT_NE(0, sieve.open(&record));

    const uint64_t seed = kxtest::FuzzSeed() + 10;
    const uint32_t count = 10000 * kxtest::FuzzScale();
    uint32_t compiled = 0, searches = 0, matches = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const std::string pattern = Cut(HostileInput(seed, i, patterns, 120));
        watchdog.Begin("compile " + Escaped(pattern));
        const int ok = sieve.compile(&record, guard.PlaceText(pattern));
        watchdog.End();
        if (!ok) continue;
        ++compiled;
        for (uint32_t k = 0; k < 4; ++k) {
            const std::string subject = HostileInput(seed ^ 0x5B, 4 * i + k, subjects, 400);
            const std::vector<bool> boundary = Boundaries(subject);
            // The subject is searched by length; the NUL after it is where every caller's text ends
            // (Quarry's texts are NUL-terminated), and the guard page lies right behind that NUL.
            const char* placed = guard.PlaceText(subject);
            const int length = static_cast<int>(subject.size());
            int start = 0;
            for (int round = 0; round < 40 && start <= length; ++round) {
                record.search_start = start;
                watchdog.Begin("pattern " + Escaped(pattern) + " subject " + Escaped(subject) + " start " +
                               std::to_string(start));
                const int found = sieve.match(&record, placed, length);
                watchdog.End();
                ++searches;
                if (!found) break;
                ++matches;
                const int at = record.match_position, n = record.match_length;
                const std::string where = "pattern " + Escaped(pattern) + " subject " + Escaped(subject);
                ASSERT_TRUE(at >= start && n >= 0 && at + n <= length) << at << "+" << n << " " << where;
                ASSERT_TRUE(boundary[static_cast<size_t>(at)] && boundary[static_cast<size_t>(at + n)])
                    << at << "+" << n << " " << where;
                for (int t = '0'; t <= '9'; ++t) {
                    int tag_length = -7;
                    const int tag_at = sieve.tag(&record, t, &tag_length);
                    if (tag_at < 0) {
                        ASSERT_EQ(0, tag_length) << where;
                    } else {
                        ASSERT_TRUE(tag_length >= 0 && tag_at + tag_length <= length) << where;
                    }
                }
                start = at + (n > 0 ? n : 1);
            }
        }
    }
    sieve.close(&record);
    Tally("Sieve patterns", count);
    std::printf("[ searches ] Sieve %u\n", searches);
    RecordProperty("compiled", static_cast<int>(compiled));
    RecordProperty("matches", static_cast<int>(matches));
}

// A text of valid Shift_JIS characters (each one that code page 932 maps), mixed with ASCII, half-width
// katakana and the bytes that are special in patterns.
std::string ValidSjisText(kxtest::Random& r, uint32_t max_chars) {
    static const char kSpecial[] = ".*+?()[]{}|\\^$ \t\nAaZz09_-";
    std::string s;
    uint32_t n = r.Below(max_chars + 1);
    while (n-- > 0) {
        switch (r.Below(4)) {
            case 0:
                s.push_back(kSpecial[r.Below(sizeof kSpecial - 1)]);
                break;
            case 1:
                s.push_back(static_cast<char>(0xA1 + r.Below(0xDF - 0xA1 + 1)));
                break;
            default: {
                for (;;) {
                    unsigned char lead =
                        static_cast<unsigned char>(r.OneIn(3) ? 0x82 + r.Below(2) : 0x81 + r.Below(0x6F));
                    if (lead > 0x9F) lead = static_cast<unsigned char>(lead + 0x40);
                    if (lead > 0xFC) continue;
                    unsigned char trail =
                        static_cast<unsigned char>(r.OneIn(4) ? 0x5C : 0x40 + r.Below(0xFC - 0x40 + 1));
                    if (trail == 0x7F) continue;
                    char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                    wchar_t w[2];
                    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pair, 2, w, 2) != 1) continue;
                    s.append(pair, 2);
                    break;
                }
            }
        }
    }
    return s;
}

TEST(HostileSieve, FuzzyConversions) {
    ASSERT_EQ(932u, GetACP());
    Sieve sieve;
    ASSERT_TRUE(sieve.ok());
    const std::vector<std::string> texts = {"カタカナ", "かがｶﾞ", "Ａａ Ab", "ヴはぱ", "(x)*\\1"};
    GuardedBytes guard;
    kxtest::Watchdog watchdog(20000);
    FuzzyRecord fuzzy;
    std::memset(&fuzzy, 0, sizeof fuzzy);
    fuzzy.size = sieve::kFuzzyRecordSize;
    ASSERT_NE(0, sieve.fuzzy_open(&fuzzy, 0));
    Jre2Record record;
    std::memset(&record, 0, sizeof record);
    record.size = sieve::kJre2RecordSize;
    ASSERT_NE(0, sieve.open(&record));

    const uint64_t seed = kxtest::FuzzSeed() + 11;
    const uint32_t count = 10000 * kxtest::FuzzScale();
    for (uint32_t i = 0; i < count; ++i) {
        kxtest::Random r(seed + i);
        fuzzy.flags = r.Below(16);
        const bool valid = r.OneIn(2);
        const std::string text = valid ? ValidSjisText(r, 40) : Cut(HostileInput(seed, i, texts, 200));
        const std::string where = "flags " + std::to_string(fuzzy.flags) + " text " + Escaped(text);
        watchdog.Begin(where);

        ASSERT_NE(0, sieve.convert_target(&fuzzy, guard.PlaceText(text))) << where;
        const std::string target = sieve::FuzzyTarget(fuzzy);
        const int real_length = static_cast<int>(text.size());
        const int folded_length = static_cast<int>(target.size());
        // Both position maps stay inside their texts and never run backwards.
        int last = 0;
        for (int p = 0; p <= folded_length; ++p) {
            const int real = sieve.real_pos(&fuzzy, p);
            ASSERT_TRUE(real >= last && real <= real_length) << p << " -> " << real << " " << where;
            last = real;
            int area_length = -1;
            const int area = sieve.real_area(&fuzzy, p, &area_length);
            ASSERT_TRUE(area >= 0 && area_length >= 0 && area + area_length <= real_length) << where;
        }
        last = 0;
        for (int q = 0; q <= real_length; ++q) {
            const int folded = sieve.find_pos(&fuzzy, q);
            ASSERT_TRUE(folded >= last && folded <= folded_length) << q << " -> " << folded << " " << where;
            last = folded;
        }
        // As a find string: the regular kind may refuse to compile; the plain kind is escaped, so it
        // compiles and finds the converted text itself at its start.
        for (int kind : {sieve::kFindRegex, sieve::kFindPlain}) {
            ASSERT_NE(0, sieve.convert_find(&fuzzy, guard.PlaceText(text), kind)) << where;
            const std::string find = sieve::FuzzyFindString(fuzzy);
            const int compiled = sieve.compile(&record, find.c_str());
            if (kind != sieve::kFindPlain || !valid || text.empty()) continue;
            ASSERT_NE(0, compiled) << "plain find string " << Escaped(find) << " " << where;
            record.search_start = 0;
            ASSERT_NE(0, sieve.match(&record, target.c_str(), folded_length)) << Escaped(find) << " " << where;
            ASSERT_EQ(0, record.match_position) << Escaped(find) << " " << where;
            ASSERT_EQ(folded_length, record.match_length) << Escaped(find) << " " << where;
        }
        watchdog.End();
    }
    sieve.close(&record);
    sieve.fuzzy_close(&fuzzy);
    Tally("Sieve fuzzy conversions", count);
}

// Inputs the runs above found, kept as they were found.
TEST(HostileSieve, FoundInputs) {
    Sieve sieve;
    ASSERT_TRUE(sieve.ok());
    Jre2Record record;
    std::memset(&record, 0, sizeof record);
    record.size = sieve::kJre2RecordSize;
    ASSERT_NE(0, sieve.open(&record));
    GuardedBytes guard;
    struct Found {
        const char* pattern;
        std::string subject;
        int start;
        int position, length;  // -1: no match
    } found[] = {
        // A lead byte with no trail at the end: a negated class took it with the byte behind the
        // subject, a match running past the end.
        {"[^ \\zJ\\\\]", std::string("a\x9F\0\xE0", 4), 3, 3, 1},
        {"[^a]", "a\xE0", 0, 1, 1},
        // The same, followed by an anchor that looked behind the end.
        {"[^\xA3\n]^", std::string("a\0b\x88", 4), 0, -1, 0},
    };
    for (const Found& f : found) {
        ASSERT_NE(0, sieve.compile(&record, f.pattern)) << f.pattern;
        record.search_start = f.start;
        const int matched = sieve.match(&record, guard.PlaceText(f.subject), static_cast<int>(f.subject.size()));
        EXPECT_EQ(f.position >= 0, matched != 0) << f.pattern;
        if (matched && f.position >= 0) {
            EXPECT_EQ(f.position, record.match_position) << f.pattern;
            EXPECT_EQ(f.length, record.match_length) << f.pattern;
        }
    }
    sieve.close(&record);
}

}  // namespace
