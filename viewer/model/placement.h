// Placement text of the result window: "center", or four decimal numbers (left, top, right, bottom
// of the window in screen coordinates) separated by any non-digit bytes.
#pragma once

#include <cstdint>

namespace kx {

struct Placement {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

// Reads four numbers from text (already lower-cased): from the first byte, a run of digits (an empty
// run reads 0), then every non-digit byte is skipped, until four are read or the text ends. False
// (centre the window instead) for "center", fewer than four numbers, or an empty or inverted rectangle.
bool ParsePlacement(const char* text, Placement* out);

}  // namespace kx
