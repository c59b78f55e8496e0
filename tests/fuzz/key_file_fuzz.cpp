// The key-file reader behind readKeyFile over any bytes: it reads nothing outside the file, and a
// file it accepts, written again as Bindery writes key files, is read back the same.
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "keyassign/assign_data.h"
#include "keyassign/key_file.h"

namespace {

class MemorySource : public bindery::ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    bool ReadAt(uint64_t offset, void* buffer, size_t length) const override {
        if (offset > size_ || length > size_ - offset) return false;
        std::memcpy(buffer, data_ + offset, length);
        return true;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const bool need_macros = data[0] & 1;
    // The file is the input after its first byte, in a block of its own so a read past it is seen.
    std::vector<uint8_t> file(data + 1, data + size);
    const MemorySource source(file.data(), file.size());
    bindery::KeyFileContents contents;
    if (!bindery::ParseKeyFile(source, need_macros, contents)) return 0;
    FUZZ_CHECK(contents.has_macros == need_macros);

    // What readKeyFile does with what it read.
    bindery::KeyData keys;
    bindery::DecodeImage(contents.image, keys);
    bindery::MacroData macros;
    if (contents.has_macros) bindery::ParseMacroList(contents.macro_list.data(), contents.macro_list.size(), macros);

    const std::string list(contents.macro_list.begin(), contents.macro_list.end());
    const std::vector<uint8_t> again = bindery::BuildKeyFile(
        contents.image, contents.not_cua, need_macros ? &list : nullptr, need_macros ? &contents.group_names : nullptr);
    const MemorySource again_source(again.data(), again.size());
    bindery::KeyFileContents back;
    FUZZ_CHECK(bindery::ParseKeyFile(again_source, need_macros, back));
    FUZZ_CHECK(back.image == contents.image);
    FUZZ_CHECK((back.not_cua != 0) == (contents.not_cua != 0));
    if (need_macros) {
        FUZZ_CHECK(back.macro_list == contents.macro_list);
        FUZZ_CHECK(back.group_names == contents.group_names);
    }
    return 0;
}
