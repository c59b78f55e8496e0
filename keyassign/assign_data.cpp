// Conversions between the stored forms of the assignment data and Bindery's records.
#include "keyassign/assign_data.h"

#include <algorithm>
#include <cstring>

namespace bindery {

void DecodeImage(const Image& image, KeyData& keys) {
    for (size_t i = 0; i < kWordCount; ++i) {
        const uint16_t word = static_cast<uint16_t>(image[2 * i] | (image[2 * i + 1] << 8));
        keys.loaded_words[i] = word;
        keys.edit_words[i] = word;
    }
    const uint8_t* titles = image.data() + kTitlesImageOffset;
    std::memcpy(keys.loaded_titles.data(), titles, kTitlesImageSize);
    std::memcpy(keys.edit_titles.data(), titles, kTitlesImageSize);
}

Image EncodeImage(const KeyData& keys) {
    Image image;
    for (size_t i = 0; i < kWordCount; ++i) {
        image[2 * i] = static_cast<uint8_t>(keys.edit_words[i] & 0xFF);
        image[2 * i + 1] = static_cast<uint8_t>(keys.edit_words[i] >> 8);
    }
    std::memcpy(image.data() + kTitlesImageOffset, keys.edit_titles.data(), kTitlesImageSize);
    return image;
}

std::string BuildMacroList(const MacroTable& table) {
    std::string list;
    for (const MacroEntry& entry : table) {
        list.append(entry.path, strnlen(entry.path, kMacroTextLimit));
        list.push_back('\0');
        list.append(entry.name, strnlen(entry.name, kMacroTextLimit));
        list.push_back('\0');
    }
    return list;
}

void SetMacroText(char (&field)[kMacroTextSize], const char* text, size_t length) {
    const size_t kept = std::min(length, kMacroTextLimit);
    std::memcpy(field, text, kept);
    std::memset(field + kept, 0, kMacroTextSize - kept);
}

void ParseMacroList(const uint8_t* bytes, size_t size, MacroData& macros) {
    int entry = 0;
    bool at_name = false;
    size_t start = 0;
    for (size_t i = 0; i < size && entry < kMacroCount; ++i) {
        if (bytes[i] != 0) continue;
        const char* text = reinterpret_cast<const char*>(bytes + start);
        const size_t length = i - start;
        if (at_name) {
            SetMacroText(macros.loaded[entry].name, text, length);
            SetMacroText(macros.edit[entry].name, text, length);
            ++entry;
        } else {
            SetMacroText(macros.loaded[entry].path, text, length);
            SetMacroText(macros.edit[entry].path, text, length);
        }
        at_name = !at_name;
        start = i + 1;
    }
}

}  // namespace bindery
