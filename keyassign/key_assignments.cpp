// Key-assignment operations. Queries read the loaded words, edits change the edit words.
#include "keyassign/key_assignments.h"

#include <windows.h>

#include <vector>

#include "keyassign/key_listing.h"
#include "keyassign/win_io.h"

namespace bindery {

namespace {

constexpr int32_t kReadMacros = 1;    // readKeyFile: also read the macro data
constexpr int32_t kKeepExisting = 1;  // writeToKeyFile: never overwrite a file
constexpr int32_t kWriteMacros = 2;   // writeToKeyFile: include the macro data
constexpr int32_t kFirstKeyCode = 50;

// The listing as a text-mode file holds it: every "\n" becomes CR LF.
std::vector<uint8_t> WithCrLf(const std::string& text) {
    std::vector<uint8_t> bytes;
    bytes.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        if (c == '\n') bytes.push_back('\r');
        bytes.push_back(static_cast<uint8_t>(c));
    }
    return bytes;
}

}  // namespace

int32_t KeyAssignments::ReadKeyFile(const char* path, int32_t flags) {
    return store_.ReadKeyFile(path, (flags & kReadMacros) != 0) ? 1 : 0;
}

int32_t KeyAssignments::WriteToKeyFile(const char* path, int32_t flags) {
    if (!path) return 0;
    const bool keep_existing = (flags & kKeepExisting) != 0;
    if (keep_existing && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) return 0;
    if (!store_.EnsureKeyData() || !store_.EnsureMacroData()) return 0;
    return store_.WriteKeyFile(path, keep_existing, (flags & kWriteMacros) != 0) ? 1 : 0;
}

int32_t KeyAssignments::WriteToReg() {
    if (!store_.EnsureKeyData() || !store_.EnsureMacroData()) return 0;
    return store_.WriteToRegistry() ? 1 : 0;
}

int32_t KeyAssignments::ReloadReg() {
    store_.Reload();
    return 1;
}

int32_t KeyAssignments::RemoveFile(const char* path) { return path && DeleteFileA(path) ? 1 : 0; }

int32_t KeyAssignments::MakeKeyText(const char* path, const char* kind) {
    if (!path) return 0;
    ListingKind listing;
    if (!ListingKindOf(kind, listing)) return 0;
    if (!store_.EnsureKeyData() || !store_.EnsureMacroData()) return 0;
    BuildListing(listing, vocabulary_, store_.keys().loaded_words, result_);
    return WriteWholeFile(path, WithCrLf(result_.text()), false) ? 1 : 0;
}

const char* KeyAssignments::FuncNameFromKey(const char* key_name) {
    if (!key_name || !store_.EnsureKeyData()) return kEmptyText;
    const int32_t code = vocabulary_.KeyCode(key_name);
    if (code <= 0) return kEmptyText;
    const char* name = vocabulary_.CommandName(store_.keys().loaded_words[static_cast<size_t>(code)]);
    return *name ? name : kNoCommand;
}

// "(なし)" (value 0) lists the keys without a command, including keys whose word holds a value
// that names no command at the current version.
const char* KeyAssignments::KeysFromFuncName(const char* command_name) {
    if (!command_name || !store_.EnsureKeyData()) return kEmptyText;
    const int32_t value = vocabulary_.CommandValue(command_name);
    if (value < 0) return kEmptyText;
    result_.Clear();
    const Words& words = store_.keys().loaded_words;
    for (size_t code = kFirstKeyCode; code < kWordCount; ++code) {
        int32_t word = words[code];
        if (value == 0 && *vocabulary_.CommandName(word) == '\0') word = 0;
        if (word != value) continue;
        const char* key = vocabulary_.KeyName(static_cast<int32_t>(code));
        if (*key == '\0') continue;
        if (!result_.Empty()) result_.Append('\n');
        result_.Append(key);
    }
    return result_.c_str();
}

int32_t KeyAssignments::SetKeyassign(const char* key_name, const char* command_name) {
    if (!key_name || !command_name) return 0;
    if (!store_.EnsureKeyData() || !store_.EnsureMacroData()) return 0;
    const int32_t value = vocabulary_.CommandValue(command_name);
    if (value < 0) return 0;
    const int32_t code = vocabulary_.KeyCode(key_name);
    if (code <= 0) return 0;
    store_.keys().edit_words[static_cast<size_t>(code)] = static_cast<uint16_t>(value);
    return 1;
}

}  // namespace bindery
