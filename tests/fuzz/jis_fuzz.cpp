// The Shift_JIS <-> JIS X 0208 arithmetic the EUC-JP and ISO-2022-JP readers and writers use, over
// any byte pairs: a JIS pair comes back unchanged through Shift_JIS, and a Shift_JIS character
// that has a JIS form comes back unchanged, or as its NEC equivalent when it is an IBM extension.
#include "fuzz_support.h"
#include "text/jis.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (size_t i = 0; i + 1 < size; i += 2) {
        const unsigned char a = data[i], b = data[i + 1];
        if (kx::IsJisPair(a, b)) {
            const kx::BytePair s = kx::JisToSjis(a - 0x20, b - 0x20);
            FUZZ_CHECK(kx::SjisHasJisForm(s.first, s.second));
            const kx::BytePair j = kx::SjisToJis(s.first, s.second);
            FUZZ_CHECK(j.first == a && j.second == b);
        }
        if (kx::SjisHasJisForm(a, b)) {
            const kx::BytePair j = kx::SjisToJis(a, b);
            FUZZ_CHECK(kx::IsJisPair(j.first, j.second));
            const kx::BytePair s = kx::JisToSjis(j.first - 0x20, j.second - 0x20);
            if (a < 0xFA) FUZZ_CHECK(s.first == a && s.second == b);
            // An IBM extension becomes a NEC character of the same JIS position, which is stable.
            const kx::BytePair j2 = kx::SjisToJis(s.first, s.second);
            FUZZ_CHECK(j2.first == j.first && j2.second == j.second);
        }
    }
    return 0;
}
