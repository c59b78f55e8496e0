// Detect over any sample, on the native system's code pages and on systems of other ANSI code
// pages: the answer is always a character set a reader exists for (or -1, -2 and the other
// refusals) and a line break of the three kinds; a requested character set is taken as it is.
#include <set>

#include "fuzz_support.h"
#include "text/charset.h"
#include "text/detect.h"

namespace {

class FixedQuery : public kx::CodePageQuery {
public:
    FixedQuery(uint32_t acp, uint8_t installed) : acp_(acp), installed_(installed) {}
    uint32_t AnsiCodePage() const override { return acp_; }
    bool IsInstalled(uint32_t code_page) const override {
        const uint32_t pages[] = {932, 936, 949, 950};
        for (int k = 0; k < 4; ++k)
            if (code_page == pages[k]) return (installed_ >> k) & 1;
        return false;
    }

private:
    uint32_t acp_;
    uint8_t installed_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::Input in(data, size);
    const uint8_t steer = in.Byte();
    const uint8_t installed = in.Byte();
    static const uint32_t kAcps[] = {932, 936, 949, 950, 1252, 65001, 437, 0};
    static const kx::CharSetCode kRequests[] = {kx::kCharSetAuto, kx::kCharSetSjis, kx::kCharSetEucJp,
                                                kx::kCharSetJis,  kx::kCharSetUtf8, kx::kCharSetUtf16Le};
    const FixedQuery other(kAcps[steer & 7], installed);
    const kx::CharSetCode requested = kRequests[(steer >> 3) % 6];
    const kx::LineBreakCode hint = static_cast<kx::LineBreakCode>((steer >> 6) % 3);
    const unsigned char* sample = in.rest();
    const uint32_t n = static_cast<uint32_t>(in.left());

    static const std::set<int32_t> kAnswers = {932,
                                               936,
                                               949,
                                               950,
                                               -1,
                                               -2,
                                               -7,
                                               -8,
                                               -936,
                                               -949,
                                               kx::kCharSetEucJp,
                                               kx::kCharSetJis,
                                               kx::kCharSetUtf8Bom,
                                               kx::kCharSetUtf8,
                                               kx::kCharSetUtf16BeBom,
                                               kx::kCharSetUtf16LeBom};
    for (const kx::CodePageQuery* query : {&kx::PlatformCodePages(), static_cast<const kx::CodePageQuery*>(&other)}) {
        const kx::Detection d = kx::Detect(sample, n, requested, hint, *query);
        FUZZ_CHECK(d.line_break == kx::kLineBreakCr || d.line_break == kx::kLineBreakLf ||
                   d.line_break == kx::kLineBreakCrLf);
        if (requested != kx::kCharSetAuto) {
            FUZZ_CHECK(d.char_set == requested);
        } else {
            FUZZ_CHECK(kAnswers.count(d.char_set) == 1);
        }
        // The sample size the opener reads is all that counts; a sample is never read past its end.
        const kx::Detection again = kx::Detect(sample, n, requested, hint, *query);
        FUZZ_CHECK(again.char_set == d.char_set && again.line_break == d.line_break);
    }
    return 0;
}
