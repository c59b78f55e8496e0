// Bindery's operations in the test's own process (linked in, not loaded as bindery.dll), so that a
// file-fault plan the test arms is the one they consult; and sample key files to work on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "keyassign/key_assignments.h"
#include "keyassign/key_file.h"

namespace kxtest {

struct InProcessBindery {
    bindery::Vocabulary vocabulary;
    bindery::Store store;
    bindery::ResultBuffer result;
    bindery::KeyAssignments keys{vocabulary, store, result};
};

// A valid key file with F1, Ctrl+O and Ctrl+S assigned and, unless `macros` is 0, a macro list of
// that many macros whose paths are `path_length` bytes long.
inline std::string SampleKeyFile(int macros, size_t path_length) {
    bindery::Image image{};
    const struct {
        size_t code;
        uint16_t command;
    } assigned[] = {{51, 95}, {127, 4}, {131, 5}};
    for (const auto& a : assigned) {
        image[2 * a.code] = static_cast<uint8_t>(a.command & 0xFF);
        image[2 * a.code + 1] = static_cast<uint8_t>(a.command >> 8);
    }
    std::string list;
    for (int i = 0; i < bindery::kMacroCount; ++i) {
        if (i < macros) list += std::string(path_length, 'a' + i % 26) + '\0' + "macro" + std::to_string(i + 1) + '\0';
        else list.append(2, '\0');
    }
    bindery::GroupNames groups{};
    const std::vector<uint8_t> bytes = bindery::BuildKeyFile(image, 0, macros ? &list : nullptr, &groups);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace kxtest
