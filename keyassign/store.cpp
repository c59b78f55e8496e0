// Loading and storing the assignment data. A value that is present must have exactly the type
// and size the editor writes: reading part of an unknown layout and writing back a full-size
// value would rewrite the editor's settings wrongly.
#include "keyassign/store.h"

#include <vector>

#include "keyassign/key_file.h"
#include "keyassign/win_io.h"

namespace bindery {

namespace {

const char kAssignKey[] = "Software\\Hidemaruo\\Hidemaru\\Assign.dat";
const char kEnvKey[] = "Software\\Hidemaruo\\Hidemaru\\Env";

bool LoadImage(Image& image, int32_t& not_cua) {
    const RegistryKey assign(kAssignKey);
    if (!assign.IsOpen()) return false;
    image.fill(0);
    using Read = RegistryKey::Read;
    if (assign.ReadExact("Key", REG_BINARY, image.data(), kKeySize) != Read::kOk) return false;
    if (assign.ReadExact("KeyEx", REG_BINARY, image.data() + kKeyExOffset, kKeyExSize) != Read::kOk) {
        return false;
    }
    // Editors before "KeyEx2" existed have no such value; its keys then read as unassigned.
    if (assign.ReadExact("KeyEx2", REG_BINARY, image.data() + kKeyEx2Offset, kKeyEx2Size) == Read::kRefused) {
        return false;
    }
    not_cua = 0;
    const RegistryKey env(kEnvKey);
    if (env.IsOpen()) {
        DWORD value = 0;
        const Read read = env.ReadExact("NotCUA", REG_DWORD, &value, sizeof value);
        if (read == Read::kRefused) return false;
        if (read == Read::kOk) not_cua = static_cast<int32_t>(value);
    }
    return true;
}

}  // namespace

bool Store::EnsureKeyData() {
    if (key_data_loaded_) return true;
    Image image;
    int32_t not_cua = 0;
    if (!LoadImage(image, not_cua)) return false;
    DecodeImage(image, keys_);
    keys_.not_cua = not_cua;
    key_data_loaded_ = true;
    return true;
}

bool Store::EnsureMacroData() {
    if (macro_data_loaded_) return true;
    const RegistryKey assign(kAssignKey);
    if (!assign.IsOpen()) return false;
    GroupNames groups;
    std::vector<uint8_t> list;
    using Read = RegistryKey::Read;
    if (assign.ReadExact("MacroGroup", REG_BINARY, groups.data(), kGroupNamesSize) != Read::kOk ||
        assign.ReadAll("Amacro", REG_BINARY, list) != Read::kOk) {
        return false;
    }
    macros_.loaded_groups = groups;
    macros_.edit_groups = groups;
    ParseMacroList(list.data(), list.size(), macros_);
    macro_data_loaded_ = true;
    return true;
}

bool Store::ReadKeyFile(const char* path, bool with_macros) {
    if (!path) return false;
    const FileSource file(path);
    if (!file.IsOpen()) return false;
    KeyFileContents contents;
    if (!ParseKeyFile(file, with_macros, contents)) return false;

    keys_.not_cua = contents.not_cua;
    DecodeImage(contents.image, keys_);
    key_data_loaded_ = true;
    if (contents.has_macros) {
        macros_.loaded_groups = contents.group_names;
        macros_.edit_groups = contents.group_names;
        ParseMacroList(contents.macro_list.data(), contents.macro_list.size(), macros_);
        macro_data_loaded_ = true;
    }
    return true;
}

bool Store::WriteKeyFile(const char* path, bool keep_existing, bool with_macros) const {
    const Image image = EncodeImage(keys_);
    const std::string list = with_macros ? BuildMacroList(macros_.edit) : std::string();
    const std::vector<uint8_t> bytes =
        BuildKeyFile(image, keys_.not_cua, with_macros ? &list : nullptr, with_macros ? &macros_.edit_groups : nullptr);
    return WriteWholeFile(path, bytes, keep_existing);
}

bool Store::WriteToRegistry() const {
    const Image image = EncodeImage(keys_);
    const std::string list = BuildMacroList(macros_.edit);
    const RegistryKey assign(kAssignKey);
    if (!assign.IsOpen()) return false;
    bool written = assign.Write("Key", REG_BINARY, image.data(), kKeySize);
    written = assign.Write("KeyEx", REG_BINARY, image.data() + kKeyExOffset, kKeyExSize) && written;
    written = assign.Write("Amacro", REG_BINARY, list.data(), list.size()) && written;
    written = assign.Write("MacroGroup", REG_BINARY, macros_.edit_groups.data(), kGroupNamesSize) && written;
    // Editors that predate "KeyEx2" do without it.
    assign.Write("KeyEx2", REG_BINARY, image.data() + kKeyEx2Offset, kKeyEx2Size);

    const RegistryKey env(kEnvKey);
    if (env.IsOpen()) {
        const DWORD not_cua = static_cast<DWORD>(keys_.not_cua);
        env.Write("NotCUA", REG_DWORD, &not_cua, sizeof not_cua);
    }
    return written;
}

void Store::Reload() {
    key_data_loaded_ = false;
    macro_data_loaded_ = false;
}

}  // namespace bindery
