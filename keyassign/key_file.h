// The editor's binary key file: validating and reading it from any byte source, and laying out
// the bytes of a new one. No file system calls here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "keyassign/assign_data.h"

namespace bindery {

// Random-access reads from a file's bytes.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly `length` bytes at `offset`; false on any shortfall or error.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t length) const = 0;
};

// What a valid key file holds. `image` has "KeyEx2" zeroed when the file carries none.
struct KeyFileContents {
    Image image{};
    int32_t not_cua = 0;
    bool has_macros = false;
    std::vector<uint8_t> macro_list;  // only when has_macros
    GroupNames group_names{};         // only when has_macros
};

// Reads and checks a whole key file. False, with `contents` unusable, when the signature is
// wrong, a block the file announces is cut short, the macro-list length is negative or larger
// than the rest of the file, or `need_macros` is set and the file has no macro data.
bool ParseKeyFile(const ByteSource& source, bool need_macros, KeyFileContents& contents);

// The bytes of a key file; with `macro_list` (and `group_names`) it carries macro data.
std::vector<uint8_t> BuildKeyFile(const Image& image, int32_t not_cua, const std::string* macro_list,
                                  const GroupNames* group_names);

}  // namespace bindery
