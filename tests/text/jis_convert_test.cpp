// Shift_JIS <-> JIS X 0208 conversions checked against glibc's iconv over every position, and the
// IBM extension table checked against glibc's code page 932.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "test_support.h"
#include "text/jis.h"

namespace {

using kx::BytePair;

std::vector<std::string> FixtureLines(const char* name) {
    std::string bytes = kxtest::ReadFileBytes(kxtest::ProgramDir() + "iconv_fixtures\\" + name);
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            lines.push_back(bytes.substr(start, i - start));
            start = i + 1;
        }
    }
    return lines;
}

// The two bytes of an ISO-2022-JP line "ESC $ B x y ESC ( B", or "" when it holds no JIS X 0208 pair.
std::string JisPairOf(const std::string& line) {
    const std::string open = "\x1B$B", close = "\x1B(B";
    if (line.size() == 8 && line.compare(0, 3, open) == 0 && line.compare(5, 3, close) == 0) return line.substr(3, 2);
    return std::string();
}

std::string Pair(unsigned char a, unsigned char b) { return std::string{static_cast<char>(a), static_cast<char>(b)}; }

bool IsHighPair(const std::string& s) {
    return s.size() == 2 && static_cast<unsigned char>(s[0]) >= 0x80 && static_cast<unsigned char>(s[1]) >= 0x40;
}

// The Shift_JIS positions in the order of the fixtures: leads 0x81-0x9F and 0xE0-last_lead, trails
// 0x40-0x7E and 0x80-0xFC.
std::vector<BytePair> SjisPositions(int last_lead) {
    std::vector<BytePair> out;
    for (int a = 0x81; a <= last_lead; ++a) {
        if (a > 0x9F && a < 0xE0) continue;
        for (int b = 0x40; b <= 0xFC; ++b)
            if (b != 0x7F) out.push_back(BytePair{static_cast<unsigned char>(a), static_cast<unsigned char>(b)});
    }
    return out;
}

TEST(JisConvert, ArithmeticIsItsOwnInverseOverEveryPosition) {
    for (int ku = 1; ku <= 94; ++ku) {
        for (int ten = 1; ten <= 94; ++ten) {
            BytePair s = kx::JisToSjis(ku, ten);
            ASSERT_TRUE(kx::SjisHasJisForm(s.first, s.second)) << ku << "-" << ten;
            BytePair j = kx::SjisToJis(s.first, s.second);
            ASSERT_EQ(ku + 0x20, j.first) << ku << "-" << ten;
            ASSERT_EQ(ten + 0x20, j.second) << ku << "-" << ten;
        }
    }
}

// EUC-JP -> Shift_JIS and EUC-JP -> ISO-2022-JP by iconv against JisToSjis. iconv knows only the
// assigned characters of JIS X 0208 and leaves the rest out (rows 9-15 and 85-94, unassigned cells);
// JisToSjis maps those positions too, so code page 932's NEC row 13 and NEC-selected IBM extensions
// (rows 89-92) come through. Every position iconv converts must agree.
TEST(JisConvert, JisToSjisAgreesWithIconvOnEveryJisX0208Character) {
    std::vector<std::string> sjis = FixtureLines("euc_to_sjis.txt");
    std::vector<std::string> jis = FixtureLines("euc_to_jis.txt");
    ASSERT_EQ(94u * 94u, sjis.size());
    ASSERT_EQ(94u * 94u, jis.size());
    int compared = 0;
    for (int ku = 1; ku <= 94; ++ku) {
        for (int ten = 1; ten <= 94; ++ten) {
            const size_t i = static_cast<size_t>((ku - 1) * 94 + (ten - 1));
            BytePair s = kx::JisToSjis(ku, ten);
            const bool assigned = IsHighPair(sjis[i]);
            EXPECT_EQ(assigned, !JisPairOf(jis[i]).empty()) << ku << "-" << ten;
            if (!assigned) continue;
            ++compared;
            EXPECT_EQ(sjis[i], Pair(s.first, s.second)) << ku << "-" << ten;
            EXPECT_EQ(JisPairOf(jis[i]),
                      Pair(static_cast<unsigned char>(ku + 0x20), static_cast<unsigned char>(ten + 0x20)));
        }
    }
    // JIS X 0208:1997 assigns 6879 characters.
    EXPECT_EQ(6879, compared);
}

// Shift_JIS -> EUC-JP and Shift_JIS -> ISO-2022-JP by iconv against SjisToJis over every double-byte
// position of leads 0x81-0xEF. Positions iconv does not convert are outside JIS X 0208 (see above).
TEST(JisConvert, SjisToJisAgreesWithIconvOnEveryJisX0208Character) {
    std::vector<std::string> euc = FixtureLines("sjis_to_euc.txt");
    std::vector<std::string> jis = FixtureLines("sjis_to_jis.txt");
    std::vector<BytePair> positions = SjisPositions(0xEF);
    ASSERT_EQ(positions.size(), euc.size());
    ASSERT_EQ(positions.size(), jis.size());
    int compared = 0;
    for (size_t i = 0; i < positions.size(); ++i) {
        const BytePair p = positions[i];
        const bool assigned = euc[i].size() == 2 && static_cast<unsigned char>(euc[i][0]) >= 0xA1;
        EXPECT_EQ(assigned, !JisPairOf(jis[i]).empty()) << std::hex << int(p.first) << int(p.second);
        if (!assigned) continue;
        ++compared;
        BytePair j = kx::SjisToJis(p.first, p.second);
        EXPECT_TRUE(kx::SjisHasJisForm(p.first, p.second));
        EXPECT_EQ(euc[i], Pair(j.first | 0x80, j.second | 0x80)) << std::hex << int(p.first) << int(p.second);
        EXPECT_EQ(JisPairOf(jis[i]), Pair(j.first, j.second)) << std::hex << int(p.first) << int(p.second);
    }
    EXPECT_EQ(6879, compared);
}

// Each IBM extension position (lead 0xFA-0xFC) must hold the JIS code of the same character elsewhere
// in code page 932, the lower code when there are two, or 0x2129 where there is none. The expectation
// is derived from glibc's code page 932 (every position decoded to UTF-8 by iconv).
TEST(JisConvert, IbmExtensionTableAgreesWithIconvCodePage932) {
    std::vector<std::string> utf8 = FixtureLines("cp932_to_utf8.txt");
    std::vector<BytePair> positions = SjisPositions(0xFC);
    ASSERT_EQ(positions.size(), utf8.size());
    // A line is a character when iconv gave one non-ASCII character for it (an undecodable position
    // comes out empty, or as the ASCII trail byte alone).
    auto is_char = [](const std::string& s) { return !s.empty() && static_cast<unsigned char>(s[0]) >= 0x80; };
    std::map<std::string, int> lowest_jis;  // UTF-8 of a character -> its lowest JIS code outside 0xFA-0xFC
    for (size_t i = 0; i < positions.size(); ++i) {
        if (!is_char(utf8[i]) || positions[i].first >= 0xFA) continue;
        BytePair j = kx::SjisToJis(positions[i].first, positions[i].second);
        int code = (j.first << 8) | j.second;
        auto it = lowest_jis.find(utf8[i]);
        if (it == lowest_jis.end() || code < it->second) lowest_jis[utf8[i]] = code;
    }
    int with_equivalent = 0, empty = 0;
    for (int index = 0; index < 400; ++index) {
        const unsigned char lead = static_cast<unsigned char>(0xFA + index / 192);
        const unsigned char trail = static_cast<unsigned char>(0x40 + index % 192);
        int expected = 0x2129;
        if (trail <= 0xFC && trail != 0x7F) {
            size_t i =
                static_cast<size_t>((lead - 0x81 - (0xE0 - 0xA0)) * 188 + (trail - 0x40) - (trail > 0x7F ? 1 : 0));
            ASSERT_EQ(lead, positions[i].first);
            ASSERT_EQ(trail, positions[i].second);
            auto it = is_char(utf8[i]) ? lowest_jis.find(utf8[i]) : lowest_jis.end();
            if (it != lowest_jis.end()) expected = it->second;
        }
        BytePair j = kx::SjisToJis(lead, trail);
        EXPECT_EQ(expected, (j.first << 8) | j.second) << std::hex << int(lead) << int(trail);
        EXPECT_EQ(expected != 0x2129, kx::SjisHasJisForm(lead, trail)) << std::hex << int(lead) << int(trail);
        (expected == 0x2129 ? empty : with_equivalent)++;
    }
    // 388 IBM extension characters, all with an NEC equivalent; 12 positions hold none.
    EXPECT_EQ(388, with_equivalent);
    EXPECT_EQ(12, empty);
}

}  // namespace
