// Where the editor keeps its nine menus of 25 items among the assignment words, and the rules
// that tell an accelerator, a separator and an empty item apart.
#pragma once

#include <cstddef>
#include <cstdint>

namespace bindery {

constexpr int kLastMenu = 8;
constexpr int kMenuItems = 25;
constexpr uint16_t kSeparatorAccelerator = 0xFFFF;
constexpr uint16_t kSeparatorCommand = 1;
constexpr size_t kMenu8ToEscWord = 610;
constexpr uint16_t kMenu8ToEscOn = 0xFF;

inline bool ValidMenuItem(int menu, int item) {
    return menu >= 0 && menu <= kLastMenu && item >= 1 && item <= kMenuItems;
}

// Menu 0 takes words 0-49; menus 1-8 follow the key words 50-145, 50 words each from 146 on.
inline size_t AcceleratorWord(int menu, int item) {
    return static_cast<size_t>(50 * menu + item - 1 + (menu != 0 ? 96 : 0));
}
inline size_t CommandWord(int menu, int item) { return AcceleratorWord(menu, item) + kMenuItems; }

// An accelerator character, taken as a signed byte, must lie in 0x20-0x5F and not be '/'.
inline bool ValidAccelerator(int8_t character) { return character >= 0x20 && character <= 0x5F && character != 0x2F; }

inline bool IsSeparator(uint16_t accelerator_word, uint16_t command_word) {
    return command_word == kSeparatorCommand && !ValidAccelerator(static_cast<int8_t>(accelerator_word & 0xFF));
}

}  // namespace bindery
