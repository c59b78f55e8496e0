// Every writer against an independent reference, byte for byte and in its lossy flag and unit
// counts: random internal texts of ASCII, CR/LF/CR LF, half-width katakana, double-byte, NEC and IBM
// extension and invalid codes, lead bytes before CR, LF or NUL and standing last, and long runs
// across the 64 KB output buffer, each given in one to three Write calls, in every line break.
// UTF-8 and UTF-16 are referred to the platform's own MultiByteToWideChar/WideCharToMultiByte; the
// Shift_JIS, EUC-JP and ISO-2022-JP references take the text a character at a time.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"
#include "text/charset.h"
#include "text/codepage.h"
#include "text/jis.h"
#include "text/text_file.h"

namespace {

struct Output {
    std::string bytes;
    bool lossy = false;
    std::vector<int32_t> produced;  // units (bytes, or 16-bit units) each Write call gave
};

// The writers' line-break rule: CR, LF and CR LF each become the break text once.
class Breaks {
public:
    explicit Breaks(kx::LineBreakCode line_break) : text_(line_break == 0 ? "\r" : line_break == 1 ? "\n" : "\r\n") {}
    // Line-break text to emit for unit c, or null when c is no line break.
    const std::string* Take(uint32_t c) {
        const bool after_cr = after_cr_;
        after_cr_ = c == '\r';
        if (c == '\r') return &text_;
        if (c == '\n') return after_cr ? &none_ : &text_;
        return nullptr;
    }

private:
    std::string text_, none_;
    bool after_cr_ = false;
};

// Length of the character at text[i] as the writers step: a lead byte takes the next byte, if any.
size_t CharLength(const std::string& text, size_t i) {
    return kx::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
}

Output Reference(const std::vector<std::string>& calls, kx::CharSetCode char_set, kx::LineBreakCode line_break) {
    Output out;
    Breaks breaks(line_break);
    const bool utf16 = char_set >= kx::kCharSetUtf16Le && char_set <= kx::kCharSetUtf16BeBom;
    const bool big_endian = char_set == kx::kCharSetUtf16Be || char_set == kx::kCharSetUtf16BeBom;
    if (char_set == kx::kCharSetUtf8Bom) out.bytes = "\xEF\xBB\xBF";
    if (char_set == kx::kCharSetUtf16LeBom) out.bytes = "\xFF\xFE";
    if (char_set == kx::kCharSetUtf16BeBom) out.bytes = "\xFE\xFF";
    bool double_byte = false;  // ISO-2022-JP mode
    for (const std::string& text : calls) {
        const size_t start = out.bytes.size();
        auto put = [&](const std::string& s) { out.bytes += s; };
        if (char_set == kx::kCharSetUtf8 || char_set == kx::kCharSetUtf8Bom || utf16) {
            std::wstring units(text.size(), L'\0');
            const int n = static_cast<int>(text.size());
            int k = n ? MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.data(), n, &units[0], n) : 0;
            if (n && k <= 0) {
                out.lossy = true;
                k = MultiByteToWideChar(CP_ACP, 0, text.data(), n, &units[0], n);
            }
            units.resize(static_cast<size_t>(std::max(k, 0)));
            // The units of the file's encoding (UTF-8 bytes or UTF-16 units), CR and LF as line breaks.
            std::wstring encoded = units;
            if (!utf16) {
                std::string utf8(units.size() * 3 + 1, '\0');
                const int m = WideCharToMultiByte(CP_UTF8, 0, units.data(), static_cast<int>(units.size()), &utf8[0],
                                                  static_cast<int>(utf8.size()), nullptr, nullptr);
                utf8.resize(static_cast<size_t>(std::max(m, 0)));
                encoded.assign(utf8.begin(), utf8.end());
                for (wchar_t& u : encoded) u &= 0xFF;
            }
            auto put_unit = [&](wchar_t u) {
                if (!utf16) return put(std::string(1, static_cast<char>(u)));
                const char low = static_cast<char>(u & 0xFF), high = static_cast<char>(u >> 8);
                put(big_endian ? std::string{high, low} : std::string{low, high});
            };
            for (wchar_t u : encoded) {
                if (const std::string* b = breaks.Take(u)) {
                    for (char c : *b) put_unit(static_cast<wchar_t>(c));
                } else {
                    put_unit(u);
                }
            }
        } else if (char_set == kx::kCharSetSjis && line_break == kx::kLineBreakCrLf) {
            for (char c : text) put(c == '\n' ? "\r\n" : std::string(1, c));
        } else {
            for (size_t i = 0; i < text.size(); i += CharLength(text, i)) {
                const unsigned char c = static_cast<unsigned char>(text[i]);
                const bool pair = CharLength(text, i) == 2;
                if (char_set == kx::kCharSetJis && !pair && double_byte) {  // line breaks included
                    put("\x1B(B");
                    double_byte = false;
                }
                if (const std::string* b = breaks.Take(c)) {
                    put(*b);
                } else if (char_set == kx::kCharSetSjis) {
                    put(text.substr(i, pair ? 2 : 1));
                } else if (pair) {
                    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
                    const kx::BytePair j = kx::SjisToJis(c, trail);
                    if (!kx::SjisHasJisForm(c, trail)) out.lossy = true;
                    const unsigned char high = char_set == kx::kCharSetEucJp ? 0x80 : 0;
                    if (char_set == kx::kCharSetJis && !double_byte) put("\x1B$B");
                    double_byte = char_set == kx::kCharSetJis;
                    put({static_cast<char>(j.first | high), static_cast<char>(j.second | high)});
                } else {
                    const bool kana = c >= 0xA1 && c <= 0xDF;
                    if (c >= 0x80 && !kana) out.lossy = true;
                    if (kana && char_set == kx::kCharSetEucJp) put("\x8E");
                    put(std::string(1, static_cast<char>(c)));
                }
            }
        }
        out.produced.push_back(static_cast<int32_t>((out.bytes.size() - start) / (utf16 ? 2 : 1)));
    }
    if (double_byte) out.bytes += "\x1B(B";
    return out;
}

Output Written(const std::vector<std::string>& calls, kx::CharSetCode char_set, kx::LineBreakCode line_break) {
    kxtest::ScratchDir dir("writer_output");
    const std::string path = dir / "out.txt";
    Output out;
    kx::TextFile file;
    if (!file.Open(path.c_str(), kx::TextFile::kWrite, char_set, line_break)) return out;
    for (const std::string& text : calls)
        out.produced.push_back(file.writer->Write(text.data(), static_cast<uint32_t>(text.size())));
    out.lossy = file.writer->lossy();
    EXPECT_TRUE(file.Close());
    out.bytes = kxtest::ReadFileBytes(path);
    return out;
}

// A random internal text from pieces every writer treats apart, now and then with a long run
// without line breaks of single- or double-byte characters; mostly ASCII lines when asked for
// (taken in runs by some writers).
std::string RandomText(std::mt19937* rng, size_t length, bool ascii_lines) {
    static const char* const kPieces[] = {
        "a",        "Quarry ",  "\r",       "\n",       "\r\n",     "\n\r",     "\xB1",     "\xDF",
        "\xA0",     "\x80",     "\xFD",     "\xFF",     "\x82\xA0", "\x8A\xBF", "\x95\x5C", "\x83\x5C",
        "\x81\x40", "\x87\x40", "\x87\x9C", "\xED\x40", "\xEE\xFC", "\xFA\x40", "\xFA\x55", "\xFB\xFC",
        "\xFC\x4B", "\xFC\x50", "\x85\x40", "\xF0\x40", "\x81\x7F", "\x82\x29", "\x82\x2C", "\x81\r",
        "\x9F\n",   "\xE0\r\n", "\x81",     "\xFC",     "\x81\xFA"};
    const size_t count = sizeof kPieces / sizeof *kPieces;
    std::string t;
    while (t.size() < length) {
        if (ascii_lines && (*rng)() % 8 != 0) {
            t += (*rng)() % 4 == 0 ? "\n" : (*rng)() % 9 == 0 ? "\r\n" : " return x;";
            continue;
        }
        const uint32_t pick = (*rng)() % (count + 3);
        if (pick < count) t += kPieces[pick];
        else if (pick == count) t += std::string("\x81\0", 2);  // a code the platform gives two units for
        else if ((*rng)() % 8 != 0) t += "あ";
        else
            for (size_t n = 20000 + (*rng)() % 60000; n > 1; n -= 2) t += pick == count + 1 ? "xy" : "検";
    }
    return t;
}

TEST(WriterOutput, EveryWriterGivesTheReferenceBytesForRandomTexts) {
    ASSERT_EQ(GetACP(), 932u);
    const kx::CharSetCode sets[] = {kx::kCharSetSjis,       kx::kCharSetEucJp,   kx::kCharSetJis,
                                    kx::kCharSetUtf8,       kx::kCharSetUtf8Bom, kx::kCharSetUtf16LeBom,
                                    kx::kCharSetUtf16BeBom, kx::kCharSetUtf16Le, kx::kCharSetUtf16Be};
    std::mt19937 rng(2024);
    for (int round = 0; round < 30; ++round) {
        const std::string text = RandomText(&rng, round % 4 == 0 ? 150000 : rng() % 400, round % 3 == 1);
        // One to three Write calls, a cut possibly between a lead byte and its second byte.
        std::vector<size_t> cuts = {0, text.size()};
        for (uint32_t n = rng() % 3; n > 0; --n) cuts.push_back(rng() % (text.size() + 1));
        std::sort(cuts.begin(), cuts.end());
        std::vector<std::string> calls;
        for (size_t i = 0; i + 1 < cuts.size(); ++i) calls.push_back(text.substr(cuts[i], cuts[i + 1] - cuts[i]));
        for (kx::CharSetCode set : sets) {
            for (kx::LineBreakCode line_break : {kx::kLineBreakCr, kx::kLineBreakLf, kx::kLineBreakCrLf}) {
                const Output want = Reference(calls, set, line_break), got = Written(calls, set, line_break);
                SCOPED_TRACE("round " + std::to_string(round) + " set " + std::to_string(set) + " break " +
                             std::to_string(line_break));
                ASSERT_EQ(got.bytes.size(), want.bytes.size());
                ASSERT_TRUE(got.bytes == want.bytes)
                    << "first difference at byte "
                    << std::mismatch(got.bytes.begin(), got.bytes.end(), want.bytes.begin()).first - got.bytes.begin();
                ASSERT_EQ(got.lossy, want.lossy);
                ASSERT_EQ(got.produced, want.produced);
            }
        }
    }
}

}  // namespace
