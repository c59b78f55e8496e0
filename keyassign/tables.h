// Bindery's two constant vocabularies: key names with their key codes, and editor command names
// with their command values. Each row is valid for an inclusive range of editor versions.
#pragma once

#include <cstdint>

namespace bindery {

// One row of either table: a NUL-terminated Shift_JIS name, its number (key code or command
// value) and the editor versions in which the row applies.
struct TableRow {
    const char* name;
    int32_t number;
    int32_t first_version;
    int32_t last_version;
};

using KeyEntry = TableRow;
using CommandEntry = TableRow;

constexpr int kKeyRowCount = 581;
constexpr int kCommandRowCount = 340;

extern const KeyEntry kKeyTable[kKeyRowCount];
extern const CommandEntry kCommandTable[kCommandRowCount];

}  // namespace bindery
