// The native build's code page 932 against Windows' own answers: the lead bytes, and whole texts of
// valid and broken sequences in every direction, converted by the platform under Wine
// (native/cp932_answers.cpp) and here from its per-code answers.
#include <gtest/gtest.h>

#include <vector>

#include "text/platform.h"
#include "text/platform_native.h"

namespace kx {
namespace platform {
namespace {

TEST(NativePlatform, LeadBytesAreThePlatforms) {
    for (int b = 0; b < 256; ++b)
        EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), RecordedLeadByte(static_cast<unsigned char>(b))) << b;
}

TEST(NativePlatform, WholeTextsConvertAsThePlatformConvertsThem) {
    const uint32_t count = RecordedSampleCount();
    ASSERT_GE(count, 1000u);
    uint32_t kinds[5] = {};
    RecordedConversion sample;
    for (uint32_t i = 0; i < count; ++i) {
        ASSERT_TRUE(RecordedSample(i, &sample)) << i;
        const int32_t n = static_cast<int32_t>(sample.input.size());
        std::vector<char> bytes(sample.input.begin(), sample.input.end());
        std::vector<wchar_t> units(sample.input.begin(), sample.input.end());
        wchar_t wide_out[64];
        char byte_out[64];
        int32_t answer = 0;
        std::vector<uint32_t> output;
        switch (sample.kind) {
            case ConversionKind::kAnsiToUnits:
            case ConversionKind::kAnsiToUnitsStrict:
            case ConversionKind::kUtf8ToUnits:
                answer =
                    sample.kind == ConversionKind::kUtf8ToUnits
                        ? Utf8ToUnits(bytes.data(), n, wide_out, 64)
                        : AnsiToUnits(bytes.data(), n, wide_out, 64, sample.kind == ConversionKind::kAnsiToUnitsStrict);
                for (int32_t j = 0; j < answer; ++j) output.push_back(static_cast<uint16_t>(wide_out[j]));
                break;
            case ConversionKind::kUnitsToAnsi:
            case ConversionKind::kUnitsToUtf8:
                answer = sample.kind == ConversionKind::kUnitsToUtf8 ? UnitsToUtf8(units.data(), n, byte_out, 64)
                                                                     : UnitsToAnsi(units.data(), n, byte_out, 64);
                for (int32_t j = 0; j < answer; ++j) output.push_back(static_cast<unsigned char>(byte_out[j]));
                break;
        }
        ++kinds[static_cast<int>(sample.kind) % 5];
        std::string shown;
        for (uint32_t v : sample.input) shown += " " + std::to_string(v);
        EXPECT_EQ(answer, sample.answer) << "kind " << static_cast<int>(sample.kind) << ", input" << shown;
        EXPECT_EQ(output, sample.output) << "kind " << static_cast<int>(sample.kind) << ", input" << shown;
        if (HasFailure()) break;
    }
    for (uint32_t k : kinds) EXPECT_GT(k, 0u);
}

}  // namespace
}  // namespace platform
}  // namespace kx
