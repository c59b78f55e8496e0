// Key file layout: the CUA flag, three signature bytes, "Key" and "KeyEx" at fixed offsets, an
// optional macro list with the group names, then the length 744 and "KeyEx2".
#include "keyassign/key_file.h"

#include <cstring>

namespace bindery {

namespace {

constexpr uint64_t kCuaFlagOffset = 696;
constexpr uint64_t kSignature1Offset = 747;   // 0xFF
constexpr uint64_t kSignature2Offset = 4709;  // 0x22, then 0x07
constexpr uint8_t kSignature1 = 0xFF;
constexpr uint8_t kSignature2 = 0x22;
constexpr uint8_t kSignature3 = 0x07;
constexpr uint64_t kKeyOffset = 4713;
constexpr uint64_t kMacroLengthOffset = kKeyOffset + kKeySize + kKeyExSize;  // 6539
constexpr uint64_t kMacroListOffset = kMacroLengthOffset + 4;                // 6543

bool ReadU32(const ByteSource& source, uint64_t offset, uint32_t& value) {
    uint8_t b[4];
    if (!source.ReadAt(offset, b, sizeof b)) return false;
    value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

bool ParseKeyFile(const ByteSource& source, bool need_macros, KeyFileContents& contents) {
    const uint64_t size = source.Size();
    // Everything up to the end of "KeyEx" must be there.
    if (size < kMacroLengthOffset) return false;
    uint8_t signature[2];
    if (!source.ReadAt(kSignature1Offset, signature, 1) || signature[0] != kSignature1) return false;
    if (!source.ReadAt(kSignature2Offset, signature, 2) || signature[0] != kSignature2 || signature[1] != kSignature3) {
        return false;
    }

    // A length field cut off by the end of the file means no macro data, as does 0.
    uint32_t raw_length = 0;
    ReadU32(source, kMacroLengthOffset, raw_length);
    const int32_t length = static_cast<int32_t>(raw_length);
    if (length < 0) return false;
    uint64_t key_ex2_offset = 0;  // 0: the file carries no "KeyEx2"
    if (length == 0) {
        if (need_macros) return false;
        uint32_t marker = 0;
        if (ReadU32(source, kMacroListOffset, marker) && marker == kKeyEx2Size) {
            key_ex2_offset = kMacroListOffset + 4;
        }
    } else {
        // The list and the group names must fit in what remains; a larger length is garbage.
        const uint64_t groups_end = kMacroListOffset + static_cast<uint64_t>(length) + kGroupNamesSize;
        if (groups_end > size) return false;
        if (size != groups_end) key_ex2_offset = groups_end + 4;
    }
    // An announced "KeyEx2" must be complete.
    if (key_ex2_offset != 0 && key_ex2_offset + kKeyEx2Size > size) return false;

    uint32_t cua_flag = 0;
    if (!ReadU32(source, kCuaFlagOffset, cua_flag)) return false;
    contents.not_cua = static_cast<int32_t>(cua_flag ^ 1);

    contents.image.fill(0);
    if (!source.ReadAt(kKeyOffset, contents.image.data(), kKeySize + kKeyExSize)) return false;
    if (key_ex2_offset != 0 && !source.ReadAt(key_ex2_offset, contents.image.data() + kKeyEx2Offset, kKeyEx2Size)) {
        return false;
    }

    contents.has_macros = need_macros;
    if (need_macros) {
        contents.macro_list.resize(static_cast<size_t>(length));
        if (!source.ReadAt(kMacroListOffset, contents.macro_list.data(), contents.macro_list.size()) ||
            !source.ReadAt(kMacroListOffset + static_cast<uint64_t>(length), contents.group_names.data(),
                           kGroupNamesSize)) {
            return false;
        }
    }
    return true;
}

std::vector<uint8_t> BuildKeyFile(const Image& image, int32_t not_cua, const std::string* macro_list,
                                  const GroupNames* group_names) {
    const size_t list_size = macro_list ? macro_list->size() : 0;
    const size_t macro_block = macro_list ? list_size + kGroupNamesSize : 0;
    const size_t key_ex2_offset = kMacroListOffset + macro_block + 4;
    std::vector<uint8_t> bytes(key_ex2_offset + kKeyEx2Size, 0);

    bytes[kCuaFlagOffset] = not_cua == 0 ? 1 : 0;
    bytes[kSignature1Offset] = kSignature1;
    bytes[kSignature2Offset] = kSignature2;
    bytes[kSignature2Offset + 1] = kSignature3;
    std::memcpy(&bytes[kKeyOffset], image.data(), kKeySize + kKeyExSize);
    PutU32(bytes, kMacroLengthOffset, static_cast<uint32_t>(list_size));
    if (macro_list) {
        std::memcpy(&bytes[kMacroListOffset], macro_list->data(), list_size);
        std::memcpy(&bytes[kMacroListOffset + list_size], group_names->data(), kGroupNamesSize);
    }
    PutU32(bytes, key_ex2_offset - 4, kKeyEx2Size);
    std::memcpy(&bytes[key_ex2_offset], image.data() + kKeyEx2Offset, kKeyEx2Size);
    return bytes;
}

}  // namespace bindery
