// The macro-list, macro-group and menu operations behind Bindery's exports. Queries read the
// loaded copies; setters change the edit copies that the writers store.
#pragma once

#include <cstdint>

#include "keyassign/result_buffer.h"
#include "keyassign/store.h"
#include "keyassign/vocabulary.h"

namespace bindery {

// Text arguments arrive as nullptr when the caller's pointer is not readable.
class MacroMenuSettings {
public:
    MacroMenuSettings(Vocabulary& vocabulary, Store& store, ResultBuffer& result)
        : vocabulary_(vocabulary), store_(store), result_(result) {}

    const char* MacroSettings(int32_t number);
    int32_t SetMacroSettings(int32_t number, const char* name, const char* path);
    const char* MacroName(int32_t number);
    const char* MacroFilePath(int32_t number);
    const char* MacroGroupName(int32_t group);
    int32_t SetMacroGroupName(int32_t group, const char* name);

    const char* MenuTitle(int32_t menu);
    int32_t SetMenuTitle(int32_t menu, const char* title);
    const char* MenuFunc(int32_t menu, int32_t item);
    const char* MenuAKey(int32_t menu, int32_t item);
    int32_t SetMenuItem(int32_t menu, int32_t item, const char* command_name, const char* accelerator);
    int32_t Menu8ToEsc();
    int32_t SetMenu8ToEsc(int32_t flag);

private:
    // The loaded macro entry of `number` (1-80), or nullptr when out of range or not loadable.
    const MacroEntry* LoadedMacro(int32_t number);

    Vocabulary& vocabulary_;
    Store& store_;
    ResultBuffer& result_;
};

}  // namespace bindery
