// Character-set and line-break classification of a sample.
#include "text/detect.h"

#include "text/charset.h"
#include "text/platform.h"
#include "text/wide_text.h"

namespace kx {

namespace {

class PlatformQuery : public CodePageQuery {
public:
    uint32_t AnsiCodePage() const override { return platform::AnsiCodePage(); }
    bool IsInstalled(uint32_t code_page) const override { return platform::IsCodePageInstalled(code_page); }
};

// Loose UTF-8 test: every multi-byte lead byte is followed by the continuation bytes it announces; a
// sequence cut off by the end of the sample passes.
bool LooksLikeUtf8(const unsigned char* p, uint32_t n) {
    int expected = 0;
    for (uint32_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        if (expected > 0) {
            if (c < 0x80 || c > 0xBF) return false;
            --expected;
            continue;
        }
        if (c < 0x80) continue;
        int length = Utf8SequenceLength(c);
        if (length == 1) return false;
        expected = length - 1;
    }
    return true;
}

bool StartsWith(const unsigned char* p, uint32_t n, const char* prefix, uint32_t m) {
    if (n < m) return false;
    for (uint32_t i = 0; i < m; ++i)
        if (p[i] != static_cast<unsigned char>(prefix[i])) return false;
    return true;
}

int32_t CountRange(const uint32_t* counts, int from, int to) {
    uint32_t sum = 0;
    for (int b = from; b <= to; ++b) sum += counts[b];
    return static_cast<int32_t>(sum);
}

}  // namespace

const CodePageQuery& PlatformCodePages() {
    static const PlatformQuery query;
    return query;
}

CharSetCode AnsiCharSet(const CodePageQuery& code_pages) {
    uint32_t acp = code_pages.AnsiCodePage();
    if (acp == 932 || acp == 936 || acp == 949 || acp == 950) return static_cast<CharSetCode>(acp);
    return kCharSetOtherAnsi;
}

namespace {

LineBreakCode LineBreakFromCounts(uint32_t cr, uint32_t lf) {
    if (cr > 2 * lf) return kLineBreakCr;
    if (lf > 2 * cr) return kLineBreakLf;
    return kLineBreakCrLf;  // also when there is no line break at all
}

bool IsUtf16(CharSetCode char_set) {
    return char_set == kCharSetUtf16BeBom || char_set == kCharSetUtf16LeBom || char_set == kCharSetUtf16Be ||
           char_set == kCharSetUtf16Le;
}

// Line breaks of a UTF-16 sample, counted in units: the bytes 0x0A and 0x0D also occur inside other
// characters (U+4E0A, U+4E0D ...), which would otherwise be counted as line breaks. The byte order
// is that of a leading mark, else that of the character set, as the reader will take it.
LineBreakCode Utf16LineBreak(const unsigned char* p, uint32_t n, CharSetCode char_set) {
    bool big_endian = char_set == kCharSetUtf16BeBom || char_set == kCharSetUtf16Be;
    if (n >= 2 && p[0] == 0xFE && p[1] == 0xFF) big_endian = true;
    if (n >= 2 && p[0] == 0xFF && p[1] == 0xFE) big_endian = false;
    uint32_t cr = 0, lf = 0;
    for (uint32_t i = 0; i + 1 < n; i += 2) {
        unsigned high = big_endian ? p[i] : p[i + 1], low = big_endian ? p[i + 1] : p[i];
        if (high != 0) continue;
        if (low == 0x0D) ++cr;
        else if (low == 0x0A) ++lf;
    }
    return LineBreakFromCounts(cr, lf);
}

// The character set of a sample of more than four bytes under autodetection.
CharSetCode ClassifyBytes(const unsigned char* sample, uint32_t n, const uint32_t* counts, LineBreakCode line_break,
                          const CodePageQuery& code_pages) {
    const bool high_bytes = CountRange(counts, 0x80, 0xFF) > 0;
    const bool sjis_ok = code_pages.IsInstalled(932);

    // Byte-order marks; the UTF-32 marks are tested before the UTF-16 marks they begin with.
    if (StartsWith(sample, n, "\xEF\xBB\xBF", 3)) return kCharSetUtf8Bom;
    if (StartsWith(sample, n, "\x00\x00\xFE\xFF", 4)) return kCharSetUtf32BeMark;
    if (StartsWith(sample, n, "\xFF\xFE\x00\x00", 4)) return kCharSetUtf32LeMark;
    if (StartsWith(sample, n, "\xFE\xFF", 2)) return kCharSetUtf16BeBom;
    if (StartsWith(sample, n, "\xFF\xFE", 2)) return kCharSetUtf16LeBom;

    // ISO-2022-KR and ISO-2022-CN designators, when their code page is installed.
    if (StartsWith(sample, n, "\x1B$)C", 4) && code_pages.IsInstalled(949)) return kCharSetIso2022Kr;
    if (StartsWith(sample, n, "\x1B$)A", 4) && code_pages.IsInstalled(936)) return kCharSetIso2022Cn;

    if (sjis_ok && !high_bytes && counts[0x1B] > 0) return kCharSetJis;

    if (static_cast<uint32_t>(CountRange(counts, '0', '9') + CountRange(counts, 'A', 'V')) == n)
        return kCharSetBase32Digits;

    CharSetCode char_set = AnsiCharSet(code_pages);
    if (!high_bytes) return char_set;

    // A short sample that is not LF-broken and holds no byte that cannot begin a Shift_JIS character
    // keeps the ANSI code page.
    if (n <= 4096 && line_break != kLineBreakLf && counts[0x80] == 0 && counts[0xFD] == 0 && counts[0xFE] == 0 &&
        counts[0xFF] == 0)
        return char_set;

    // EUC-JP uses neither 0x7F-0x8D nor 0x90-0xA0 (0x8E and 0x8F are its single shifts).
    if (sjis_ok && CountRange(counts, 0x7F, 0x8D) == 0 && CountRange(counts, 0x90, 0xA0) == 0) char_set = kCharSetEucJp;

    if (LooksLikeUtf8(sample, n)) char_set = kCharSetUtf8;
    return char_set;
}

}  // namespace

Detection Detect(const unsigned char* sample, uint32_t n, CharSetCode requested, LineBreakCode hint,
                 const CodePageQuery& code_pages) {
    if (sample == nullptr) n = 0;
    uint32_t counts[256] = {};
    for (uint32_t i = 0; i < n; ++i) ++counts[sample[i]];
    Detection d;
    d.line_break = LineBreakFromCounts(counts[0x0D], counts[0x0A]);

    if (n <= 4) {
        if (requested != kCharSetAuto) return Detection{requested, hint};
        return Detection{AnsiCharSet(code_pages), d.line_break};
    }
    d.char_set = requested != kCharSetAuto ? requested : ClassifyBytes(sample, n, counts, d.line_break, code_pages);
    if (IsUtf16(d.char_set)) d.line_break = Utf16LineBreak(sample, n, d.char_set);
    return d;
}

}  // namespace kx
