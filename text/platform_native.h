// What the native build's platform recorded from Windows' own answers (native/cp932_answers.cpp),
// for the test that compares its conversions with them.
#pragma once

#include <cstdint>
#include <vector>

namespace kx {
namespace platform {

enum class ConversionKind : uint8_t { kAnsiToUnits, kAnsiToUnitsStrict, kUnitsToAnsi, kUtf8ToUnits, kUnitsToUtf8 };

// One whole text the platform converted: input bytes or UTF-16 units, its answer (the count
// written, 0 for a refusal) and what it wrote.
struct RecordedConversion {
    ConversionKind kind = ConversionKind::kAnsiToUnits;
    std::vector<uint32_t> input;
    int32_t answer = 0;
    std::vector<uint32_t> output;
};

// IsDBCSLeadByteEx(932) as the platform answered it.
bool RecordedLeadByte(unsigned char b);
uint32_t RecordedSampleCount();
// Sample number which; false past the last.
bool RecordedSample(uint32_t which, RecordedConversion* sample);

}  // namespace platform
}  // namespace kx
