// The table conversions give the platform's own results: every single- and double-byte code of the
// ANSI code page, every UTF-16 unit, every UTF-8 character, and random texts with broken sequences,
// lone surrogates, lead bytes standing last and outputs that just fit or do not.
#include <gtest/gtest.h>
#include <windows.h>

#include <random>
#include <string>
#include <vector>

#include "text/codepage.h"
#include "text/wide_text.h"

namespace {

// What the platform answers, the way the conversions asked it before the tables.
struct AnsiResult {
    std::vector<wchar_t> units;
    bool lost;
    bool operator==(const AnsiResult& o) const { return units == o.units && lost == o.lost; }
};

AnsiResult PlatformAnsiToWide(const std::string& text) {
    AnsiResult r{std::vector<wchar_t>(text.size()), false};
    if (text.empty()) return r;
    int n = static_cast<int>(text.size());
    int k = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), n, r.units.data(), n);
    if (k <= 0) {
        r.lost = true;
        k = MultiByteToWideChar(CP_ACP, 0, text.data(), n, r.units.data(), n);
    }
    r.units.resize(static_cast<size_t>(k < 0 ? 0 : k));
    return r;
}

AnsiResult TableAnsiToWide(const std::string& text) {
    AnsiResult r{{}, false};
    kx::AnsiToWide(text.data(), static_cast<uint32_t>(text.size()), &r.units, &r.lost);
    return r;
}

struct WideResult {
    int32_t count;
    std::string bytes;
    bool lost;
    bool operator==(const WideResult& o) const { return count == o.count && bytes == o.bytes && lost == o.lost; }
};

WideResult PlatformWideToAnsi(const std::wstring& units, uint32_t capacity) {
    std::string out(capacity, '\0');
    WideResult r{-1, "", false};
    if (units.empty()) return {0, "", false};
    int n = static_cast<int>(units.size());
    int m = WideCharToMultiByte(CP_ACP, 0, units.data(), n, &out[0], static_cast<int>(capacity), nullptr, nullptr);
    if (m <= 0) return r;
    std::vector<wchar_t> back(units.size());
    int k = MultiByteToWideChar(CP_ACP, 0, out.data(), m, back.data(), n);
    r.count = m;
    r.bytes = out.substr(0, static_cast<size_t>(m));
    r.lost = k != n || std::wstring(back.data(), back.size()) != units;
    return r;
}

WideResult TableWideToAnsi(const std::wstring& units, uint32_t capacity) {
    std::string out(capacity + 1, '\0');
    std::vector<wchar_t> scratch;
    bool lost = false;
    int32_t m = kx::WideToAnsi(units.data(), static_cast<uint32_t>(units.size()), &out[0], capacity, &lost, &scratch);
    if (m < 0) return {-1, "", false};
    return {m, out.substr(0, static_cast<size_t>(m)), lost};
}

std::wstring PlatformUtf8ToWide(const std::string& bytes) {
    std::vector<wchar_t> out(bytes.size() + 1);
    int k = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(),
                                static_cast<int>(out.size()));
    return std::wstring(out.data(), k > 0 ? static_cast<size_t>(k) : 0);
}

std::wstring TableUtf8ToWide(const std::string& bytes) {
    std::vector<wchar_t> out(bytes.size() + 1);
    int32_t k = kx::Utf8ToWide(reinterpret_cast<const unsigned char*>(bytes.data()),
                               static_cast<uint32_t>(bytes.size()), out.data(), static_cast<uint32_t>(out.size()));
    return std::wstring(out.data(), k > 0 ? static_cast<size_t>(k) : 0);
}

std::string PlatformWideToUtf8(const std::wstring& units) {
    std::string out(units.size() * 3 + 1, '\0');
    int m = WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), &out[0],
                                static_cast<int>(out.size()), nullptr, nullptr);
    return out.substr(0, m > 0 ? static_cast<size_t>(m) : 0);
}

std::string TableWideToUtf8(const std::wstring& units) {
    std::string out(units.size() * 3 + 1, '\0');
    int32_t m =
        kx::WideToUtf8(units.data(), static_cast<uint32_t>(units.size()), &out[0], static_cast<uint32_t>(out.size()));
    return out.substr(0, m > 0 ? static_cast<size_t>(m) : 0);
}

std::string Hex(const std::string& s) {
    std::string h;
    char b[4];
    for (unsigned char c : s) {
        wsprintfA(b, "%02X ", c);
        h += b;
    }
    return h;
}

}  // namespace

TEST(ConversionTables, EveryAnsiCodeAsThePlatformDecodesIt) {
    ASSERT_EQ(GetACP(), 932u);
    for (int b = 0; b < 256; ++b) {
        std::string one(1, static_cast<char>(b));
        ASSERT_TRUE(TableAnsiToWide(one) == PlatformAnsiToWide(one)) << Hex(one);
        if (!kx::IsLeadByte(static_cast<unsigned char>(b))) continue;
        for (int t = 0; t < 256; ++t) {
            std::string two{static_cast<char>(b), static_cast<char>(t)};
            ASSERT_TRUE(TableAnsiToWide(two) == PlatformAnsiToWide(two)) << Hex(two);
            // Behind a single-byte character, and with a lead byte standing last.
            std::string three = "A" + two + std::string(1, static_cast<char>(b));
            ASSERT_TRUE(TableAnsiToWide(three) == PlatformAnsiToWide(three)) << Hex(three);
        }
    }
}

TEST(ConversionTables, EveryUnitAsThePlatformEncodesIt) {
    ASSERT_EQ(GetACP(), 932u);
    for (uint32_t u = 0; u < 65536; ++u) {
        std::wstring one(1, static_cast<wchar_t>(u));
        ASSERT_TRUE(TableWideToAnsi(one, 4) == PlatformWideToAnsi(one, 4)) << "U+" << std::hex << u;
        // No room at all for its bytes: both refuse.
        ASSERT_EQ(TableWideToAnsi(one + one, 1).count < 0, PlatformWideToAnsi(one + one, 1).count <= 0)
            << "U+" << std::hex << u;
    }
}

TEST(ConversionTables, EveryCharacterAsThePlatformsUtf8) {
    for (uint32_t u = 1; u < 65536; ++u) {
        std::wstring one(1, static_cast<wchar_t>(u));
        std::string utf8 = PlatformWideToUtf8(one);
        ASSERT_EQ(TableWideToUtf8(one), utf8) << "U+" << std::hex << u;
        ASSERT_EQ(TableUtf8ToWide(utf8), PlatformUtf8ToWide(utf8)) << "U+" << std::hex << u;
    }
    for (uint32_t cp : {0x10000u, 0x1F600u, 0x10FFFFu}) {
        std::wstring pair{static_cast<wchar_t>(0xD800 | ((cp - 0x10000) >> 10)),
                          static_cast<wchar_t>(0xDC00 | ((cp - 0x10000) & 0x3FF))};
        std::string utf8 = PlatformWideToUtf8(pair);
        EXPECT_EQ(TableWideToUtf8(pair), utf8);
        EXPECT_EQ(TableUtf8ToWide(utf8), PlatformUtf8ToWide(utf8));
    }
}

TEST(ConversionTables, RandomTextsWithBrokenPieces) {
    ASSERT_EQ(GetACP(), 932u);
    std::mt19937 rng(23);
    const unsigned char bytes[] = {0x81, 0x82, 0x83, 0x88, 0x9F, 0xE0, 0xEA, 0xED, 0xFA, 0xFC, 0xFD, 0x80, 0xA0,
                                   0xA1, 0xDF, 0x40, 0x7F, 0x5C, 0x41, 0x0A, 0x00, 0x30, 0xC0, 0xE3, 0xF0, 0xBF};
    const wchar_t units[] = {0x41,   0x3042, 0x4E9C, 0xFF21, 0x00A5, 0x203E, 0x2225, 0x301C, 0xFF5E, 0x00E9,
                             0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFD, 0xFEFF, 0x20AC, 0x0000, 0x000D, 0x9FA0};
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (size_t i = rng() % 12; i > 0; --i) text.push_back(static_cast<char>(bytes[rng() % sizeof bytes]));
        ASSERT_TRUE(TableAnsiToWide(text) == PlatformAnsiToWide(text)) << Hex(text);
        ASSERT_EQ(TableUtf8ToWide(text), PlatformUtf8ToWide(text)) << Hex(text);

        std::wstring wide;
        for (size_t i = rng() % 8; i > 0; --i) wide.push_back(units[rng() % (sizeof units / sizeof *units)]);
        uint32_t capacity = 1 + static_cast<uint32_t>(rng() % (2 * wide.size() + 2));  // 0 asks for the size
        WideResult table = TableWideToAnsi(wide, capacity), platform = PlatformWideToAnsi(wide, capacity);
        ASSERT_EQ(table.count < 0, platform.count < 0) << round;
        if (platform.count >= 0) {
            ASSERT_TRUE(table == platform) << round;
        }
        ASSERT_EQ(TableWideToUtf8(wide), PlatformWideToUtf8(wide)) << round;
    }
}
