// Positions of the text view: TextPos (line and byte column in the text) and ViewPos (display column
// and row on the screen), plain records with the ordering the selection rules use.
#pragma once

#include <cstdint>

namespace kx {

// A position in the text: 0-based line index and byte offset in that line.
struct TextPos {
    int32_t line = 0;
    int32_t column = 0;
};

inline bool operator==(TextPos a, TextPos b) { return a.line == b.line && a.column == b.column; }
inline bool operator!=(TextPos a, TextPos b) { return !(a == b); }
inline bool operator<(TextPos a, TextPos b) { return a.line < b.line || (a.line == b.line && a.column < b.column); }
inline bool operator<=(TextPos a, TextPos b) { return !(b < a); }

// A position on the display: tab-expanded column (one per byte) and display row.
struct ViewPos {
    int32_t column = 0;
    int32_t row = 0;
};

inline bool operator==(ViewPos a, ViewPos b) { return a.column == b.column && a.row == b.row; }
inline bool operator!=(ViewPos a, ViewPos b) { return !(a == b); }

}  // namespace kx
