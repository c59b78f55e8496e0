// Macro list, macro groups, menu items, menu titles and the menu-8-to-Esc switch.
#include "keyassign/macro_menu_settings.h"

#include <cstring>

#include "keyassign/menu_layout.h"

namespace bindery {

namespace {

const char kSeparatorName[] = "セパレータ";
constexpr int32_t kFirstGroup = 2;
constexpr int32_t kLastGroup = 8;
constexpr size_t kTitleLimit = kTitleRecordSize - 1;

bool ValidMacro(int32_t number) { return number >= 1 && number <= kMacroCount; }
bool ValidGroup(int32_t group) { return group >= kFirstGroup && group <= kLastGroup; }
bool ValidTitle(int32_t menu) { return menu >= 1 && menu <= kLastMenu; }

size_t GroupOffset(int32_t group) { return kGroupRecordSize * static_cast<size_t>(group - kFirstGroup); }
size_t TitleOffset(int32_t menu) { return kTitleRecordSize * static_cast<size_t>(menu - 1); }

}  // namespace

const MacroEntry* MacroMenuSettings::LoadedMacro(int32_t number) {
    if (!ValidMacro(number) || !store_.EnsureMacroData()) return nullptr;
    return &store_.macros().loaded[static_cast<size_t>(number - 1)];
}

const char* MacroMenuSettings::MacroSettings(int32_t number) {
    const MacroEntry* entry = LoadedMacro(number);
    if (!entry) return kEmptyText;
    result_.Clear();
    result_.Append(entry->path);
    result_.Append('\n');
    result_.Append(entry->name);
    return result_.c_str();
}

int32_t MacroMenuSettings::SetMacroSettings(int32_t number, const char* name, const char* path) {
    if (!ValidMacro(number) || !name || !path || !store_.EnsureMacroData()) return 0;
    const size_t name_length = strnlen(name, kMacroTextLimit);
    const size_t path_length = strnlen(path, kMacroTextLimit);
    if (name_length >= kMacroTextLimit || path_length >= kMacroTextLimit) return 0;
    MacroEntry& entry = store_.macros().edit[static_cast<size_t>(number - 1)];
    SetMacroText(entry.name, name, name_length);
    SetMacroText(entry.path, path, path_length);
    return 1;
}

const char* MacroMenuSettings::MacroName(int32_t number) {
    const MacroEntry* entry = LoadedMacro(number);
    return entry ? entry->name : kEmptyText;
}

const char* MacroMenuSettings::MacroFilePath(int32_t number) {
    const MacroEntry* entry = LoadedMacro(number);
    return entry ? entry->path : kEmptyText;
}

const char* MacroMenuSettings::MacroGroupName(int32_t group) {
    if (!ValidGroup(group) || !store_.EnsureMacroData()) return kEmptyText;
    const char* record = store_.macros().loaded_groups.data() + GroupOffset(group);
    return record[kGroupRecordSize - 1] == '\0' ? record : kEmptyText;
}

int32_t MacroMenuSettings::SetMacroGroupName(int32_t group, const char* name) {
    if (!ValidGroup(group) || !name || !store_.EnsureMacroData()) return 0;
    char* record = store_.macros().edit_groups.data() + GroupOffset(group);
    for (size_t i = 0; i < kGroupRecordSize; ++i) {
        record[i] = name[i];
        if (name[i] == '\0') break;
    }
    record[kGroupRecordSize - 1] = '\0';
    return 1;
}

const char* MacroMenuSettings::MenuTitle(int32_t menu) {
    if (!ValidTitle(menu) || !store_.EnsureKeyData()) return kEmptyText;
    return store_.keys().loaded_titles.data() + TitleOffset(menu);
}

int32_t MacroMenuSettings::SetMenuTitle(int32_t menu, const char* title) {
    if (!ValidTitle(menu) || !title || !store_.EnsureKeyData()) return 0;
    const size_t length = strnlen(title, kTitleLimit + 1);
    if (length > kTitleLimit) return 0;
    char* record = store_.keys().edit_titles.data() + TitleOffset(menu);
    std::memset(record, 0, kTitleRecordSize);
    std::memcpy(record, title, length);
    return 1;
}

const char* MacroMenuSettings::MenuFunc(int32_t menu, int32_t item) {
    if (!ValidMenuItem(menu, item) || !store_.EnsureKeyData()) return kEmptyText;
    const Words& words = store_.keys().loaded_words;
    const uint16_t command = words[CommandWord(menu, item)];
    if (IsSeparator(words[AcceleratorWord(menu, item)], command)) return kSeparatorName;
    return vocabulary_.CommandName(command);
}

const char* MacroMenuSettings::MenuAKey(int32_t menu, int32_t item) {
    if (!ValidMenuItem(menu, item) || !store_.EnsureKeyData()) return kEmptyText;
    const Words& words = store_.keys().loaded_words;
    const uint16_t accelerator = words[AcceleratorWord(menu, item)];
    if (IsSeparator(accelerator, words[CommandWord(menu, item)])) return kEmptyText;
    result_.Clear();
    const char character = static_cast<char>(accelerator & 0xFF);
    if (character != '\0') result_.Append(character);
    return result_.c_str();
}

// Answers the command value written, 1 for a separator, and 0 both for a refusal and for a
// cleared item.
int32_t MacroMenuSettings::SetMenuItem(int32_t menu, int32_t item, const char* command_name, const char* accelerator) {
    if (!ValidMenuItem(menu, item) || !command_name || !store_.EnsureKeyData()) return 0;
    uint16_t& accelerator_word = store_.keys().edit_words[AcceleratorWord(menu, item)];
    uint16_t& command_word = store_.keys().edit_words[CommandWord(menu, item)];
    if (std::strcmp(command_name, kSeparatorName) == 0) {
        accelerator_word = kSeparatorAccelerator;
        command_word = kSeparatorCommand;
        return 1;
    }
    if (*command_name == '\0' || std::strcmp(command_name, kNoCommand) == 0) {
        accelerator_word = 0;
        command_word = 0;
        return 0;
    }
    const int32_t value = vocabulary_.CommandValue(command_name);
    const char* name = vocabulary_.CommandName(value);
    if (*name == '\0' || std::strcmp(name, kNoCommand) == 0) return 0;
    if (!accelerator) return 0;
    const int8_t character = static_cast<int8_t>(accelerator[0]);
    if (!ValidAccelerator(character)) return 0;
    accelerator_word = static_cast<uint16_t>(character);
    command_word = static_cast<uint16_t>(value);
    return value;
}

int32_t MacroMenuSettings::Menu8ToEsc() {
    if (!store_.EnsureKeyData()) return 0;
    return store_.keys().loaded_words[kMenu8ToEscWord] == kMenu8ToEscOn ? 1 : 0;
}

int32_t MacroMenuSettings::SetMenu8ToEsc(int32_t flag) {
    if (!store_.EnsureKeyData()) return 0;
    store_.keys().edit_words[kMenu8ToEscWord] = flag != 0 ? kMenu8ToEscOn : 0;
    return 1;
}

}  // namespace bindery
