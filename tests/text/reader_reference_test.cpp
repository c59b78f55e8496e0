// The UTF-8 and UTF-16 readers against the platform's own conversion of the whole file. The readers
// convert most characters through a table as they take them and leave a block's rest to the
// platform once a character needs it; the text and the lossy flag must not show where that happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "text/charset.h"
#include "text/text_file.h"

namespace {

struct Rng {
    uint32_t state;
    uint32_t Below(uint32_t n) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % n;
    }
};

// Characters the table answers exactly (ASCII, kana, kanji, half-width kana, NEC row 13) and line
// breaks; then ones it answers inexactly (é, €); then ones it leaves to the platform (a character
// beyond U+FFFF, U+FFFD).
const std::vector<std::wstring> kExact = {L"a",    L"Zz9 ", L"\x3042", L"\x6F22\x5B57", L"\xFF71", L"\x2460",
                                          L"\r\n", L"\r",   L"\n",     L"\x8868",       L"\x30BD"};
const std::vector<std::wstring> kInexact = {L"\x00E9", L"\x20AC"};
const std::vector<std::wstring> kPlatform = {L"\xD842\xDFB7", L"\xFFFD"};

// Units from the exact characters, with `inexact` and `platform` characters sprinkled in when asked.
std::wstring RandomUnits(Rng& r, size_t count, bool inexact, bool platform) {
    std::wstring units;
    while (units.size() < count) {
        // Long plain runs as well, so that blocks and buffers end in every kind of place.
        if (r.Below(8) == 0) units += std::wstring(r.Below(3000), L"\x3042\x6F22"[r.Below(2)]);
        units += kExact[r.Below(static_cast<uint32_t>(kExact.size()))];
        if (inexact && r.Below(400) == 0) units += kInexact[r.Below(2)];
        if (platform && r.Below(400) == 0) units += kPlatform[r.Below(2)];
    }
    return units;
}

std::string Utf8Of(const std::wstring& units) {
    std::string out(units.size() * 4 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), &out[0],
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(n));
    return out;
}

// CR LF and CR become LF (units or bytes).
template <typename S> S Folded(const S& s) {
    S out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r') {
            out += static_cast<typename S::value_type>('\n');
            if (i + 1 < s.size() && s[i + 1] == '\n') ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The platform's ANSI form of units, and whether it gives the units back.
std::string AnsiOf(const std::wstring& units, bool* exact) {
    std::string out(units.size() * 2 + 1, '\0');
    int n = WideCharToMultiByte(CP_ACP, 0, units.data(), static_cast<int>(units.size()), &out[0],
                                static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(n));
    std::wstring back(units.size() + 1, L'\0');
    int k = MultiByteToWideChar(CP_ACP, 0, out.data(), n, &back[0], static_cast<int>(back.size()));
    back.resize(static_cast<size_t>(k));
    *exact = back == units;
    return out;
}

struct Reading {
    std::string text;
    bool lossy;
};

// The whole text by ReadAll, and again by blocks of random sizes; both must agree.
Reading ReadBothWays(const std::string& path, kx::CharSetCode char_set, Rng& r) {
    Reading whole;
    {
        kx::TextFile file;
        EXPECT_TRUE(file.Open(path.c_str(), kx::TextFile::kRead, char_set, kx::kLineBreakCrLf));
        kxlib::string text;
        EXPECT_TRUE(file.reader->ReadAll(&text));
        whole.text.assign(text.c_str(), text.length());
        whole.lossy = file.reader->lossy();
    }
    kx::TextFile file;
    EXPECT_TRUE(file.Open(path.c_str(), kx::TextFile::kRead, char_set, kx::kLineBreakCrLf));
    std::string blocks;
    std::vector<char> buffer(70000);
    int32_t n;
    do {
        const uint32_t size = kx::kMinReadBuffer + r.Below(r.Below(2) ? 600 : 69000);
        n = file.reader->Read(buffer.data(), size);
        if (n > 0) blocks.append(buffer.data(), static_cast<size_t>(n));
    } while (n > 0);
    EXPECT_EQ(0, n);
    EXPECT_EQ(whole.text, blocks);
    EXPECT_EQ(whole.lossy, file.reader->lossy());
    return whole;
}

class ReaderReference : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(932u, GetACP()); }
    kxtest::ScratchDir dir_{"reader-reference"};
};

TEST_F(ReaderReference, Utf8ReadsAsThePlatformConvertsIt) {
    Rng r{7};
    // Broken sequences: a byte that starts nothing, a lone continuation byte, a sequence cut short,
    // an overlong form and an encoded surrogate.
    const char* broken[] = {"\xFF", "\x80", "\xE3\x81", "\xC0\xAF", "\xED\xA0\x80"};
    for (int round = 0; round < 24; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string bytes = Utf8Of(RandomUnits(r, 70000 + r.Below(150000), round % 4 == 1, round % 4 == 2));
        // A CR LF right at, across or after the end of the reader's first 64 KB buffer.
        const size_t target = 65535 - 1 + round % 3;
        size_t at = target;
        while ((static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80) --at;
        bytes.insert(at, std::string(target - at, 'x') + "\r\n");
        const bool with_broken = round % 4 == 3;
        if (with_broken) {
            for (int k = 0; k < 5; ++k) {
                size_t at = r.Below(static_cast<uint32_t>(bytes.size()));
                while (at < bytes.size() && (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80) ++at;
                bytes.insert(at, broken[r.Below(5)]);
            }
        }
        const std::string path = dir_ / "u8.txt";
        kxtest::WriteFileBytes(path, bytes);

        const std::string folded = Folded(bytes);
        std::wstring units(folded.size() + 1, L'\0');
        int k = MultiByteToWideChar(CP_UTF8, 0, folded.data(), static_cast<int>(folded.size()), &units[0],
                                    static_cast<int>(units.size()));
        units.resize(static_cast<size_t>(k));
        const bool valid = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, folded.data(),
                                               static_cast<int>(folded.size()), nullptr, 0) > 0;
        bool exact = false;
        const std::string expected = AnsiOf(units, &exact);

        const Reading got = ReadBothWays(path, kx::kCharSetUtf8, r);
        ASSERT_EQ(expected.size(), got.text.size());
        ASSERT_TRUE(expected == got.text);
        EXPECT_EQ(!valid || !exact, got.lossy);
        EXPECT_EQ(with_broken, !valid);
    }
}

TEST_F(ReaderReference, Utf16ReadsAsThePlatformConvertsIt) {
    Rng r{11};
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::wstring units = RandomUnits(r, 40000 + r.Below(80000), round % 4 == 1, round % 4 == 2);
        // A CR LF right at, across or after the end of the reader's first 64 KB buffer (32768 units).
        if (units[32766 + round % 3 - 1] >= 0xD800 && units[32766 + round % 3 - 1] <= 0xDBFF)
            units[32766 + round % 3 - 1] = L'x';
        units.insert(32766 + round % 3, L"\r\n");
        if (round % 4 == 3)
            units.insert(r.Below(static_cast<uint32_t>(units.size())), 1, L'\xDC00');  // a lone surrogate
        const bool big_endian = round % 8 >= 4;
        std::string bytes;
        for (wchar_t u : units) {
            const char low = static_cast<char>(u & 0xFF), high = static_cast<char>((u >> 8) & 0xFF);
            bytes += big_endian ? high : low;
            bytes += big_endian ? low : high;
        }
        const std::string path = dir_ / "u16.txt";
        kxtest::WriteFileBytes(path, bytes);

        bool exact = false;
        const std::string expected = AnsiOf(Folded(units), &exact);
        const Reading got = ReadBothWays(path, big_endian ? kx::kCharSetUtf16Be : kx::kCharSetUtf16Le, r);
        ASSERT_EQ(expected.size(), got.text.size());
        ASSERT_TRUE(expected == got.text);
        EXPECT_EQ(!exact, got.lossy);
    }
}

}  // namespace
