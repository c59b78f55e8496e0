// Bindery's exported functions: plain cdecl entry points over one process-wide library state.
// Unreadable string pointers are turned into nullptr here; nothing but allocation failure can
// throw below, and it is answered as a failure so that no exception reaches the caller.
#include <windows.h>

#include <cstdint>
#include <new>

#include "keyassign/key_assignments.h"
#include "keyassign/macro_menu_settings.h"
#include "keyassign/result_buffer.h"
#include "keyassign/store.h"
#include "keyassign/vocabulary.h"

namespace {

using bindery::kEmptyText;

struct Library {
    bindery::Vocabulary vocabulary;
    bindery::Store store;
    bindery::ResultBuffer result;
    bindery::KeyAssignments keys{vocabulary, store, result};
    bindery::MacroMenuSettings settings{vocabulary, store, result};
};

// Created when the library is loaded, released when it is unloaded.
Library library;

Library& TheLibrary() { return library; }

// A string argument that cannot be read up to its terminating NUL counts as missing: checking only
// the first byte would let a text that runs into unreadable memory be read past its end.
const char* Readable(const char* text) {
    return text != nullptr && !IsBadStringPtrA(text, static_cast<UINT_PTR>(-1)) ? text : nullptr;
}

template <typename Result, typename Operation> Result Guarded(Result failure, Operation operation) {
    try {
        return operation(TheLibrary());
    } catch (const std::bad_alloc&) {
        return failure;
    }
}

}  // namespace

// The .def file gives the exports their names; the table lookups are exported with a leading
// underscore ("_Key2Address" is Key2Address).
#define BINDERY_EXPORT extern "C" __cdecl

BINDERY_EXPORT int32_t Key2Address(const char* key_name) {
    const char* name = Readable(key_name);
    return name ? TheLibrary().vocabulary.KeyCode(name) : -1;
}

BINDERY_EXPORT const char* Address2Key(int32_t code) { return TheLibrary().vocabulary.KeyName(code); }

BINDERY_EXPORT int32_t Func2Val(const char* command_name) {
    const char* name = Readable(command_name);
    return name ? TheLibrary().vocabulary.CommandValue(name) : -1;
}

BINDERY_EXPORT const char* Val2Func(int32_t value) { return TheLibrary().vocabulary.CommandName(value); }

BINDERY_EXPORT const char* GetEnableKeys(int32_t flag) { return TheLibrary().vocabulary.EnumerateKeys(flag); }

BINDERY_EXPORT const char* GetEnableFuncs(int32_t flag) { return TheLibrary().vocabulary.EnumerateCommands(flag); }

BINDERY_EXPORT int32_t SetHidemaruVersion(int32_t version) {
    TheLibrary().vocabulary.SetVersion(version);
    return 1;
}

BINDERY_EXPORT int32_t readKeyFile(const char* path, int32_t flags) {
    return Guarded(0, [&](Library& l) { return l.keys.ReadKeyFile(Readable(path), flags); });
}

BINDERY_EXPORT int32_t writeToKeyFile(const char* path, int32_t flags) {
    return Guarded(0, [&](Library& l) { return l.keys.WriteToKeyFile(Readable(path), flags); });
}

BINDERY_EXPORT int32_t writeToReg() {
    return Guarded(0, [&](Library& l) { return l.keys.WriteToReg(); });
}

BINDERY_EXPORT int32_t reloadReg() { return TheLibrary().keys.ReloadReg(); }

BINDERY_EXPORT int32_t removeFile(const char* path) { return TheLibrary().keys.RemoveFile(Readable(path)); }

BINDERY_EXPORT int32_t makeKEYTEXT(const char* path, const char* kind) {
    return Guarded(0, [&](Library& l) { return l.keys.MakeKeyText(Readable(path), Readable(kind)); });
}

BINDERY_EXPORT const char* getFuncNameFromKey(const char* key_name) {
    return Guarded(kEmptyText, [&](Library& l) { return l.keys.FuncNameFromKey(Readable(key_name)); });
}

BINDERY_EXPORT const char* getKeyFromFuncName(const char* command_name) {
    return Guarded(kEmptyText, [&](Library& l) { return l.keys.KeysFromFuncName(Readable(command_name)); });
}

BINDERY_EXPORT int32_t setKeyassign(const char* key_name, const char* command_name) {
    return Guarded(0, [&](Library& l) { return l.keys.SetKeyassign(Readable(key_name), Readable(command_name)); });
}

BINDERY_EXPORT const char* getMacroSettings(int32_t number) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MacroSettings(number); });
}

BINDERY_EXPORT int32_t setMacroSettings(int32_t number, const char* name, const char* path) {
    return Guarded(0, [&](Library& l) { return l.settings.SetMacroSettings(number, Readable(name), Readable(path)); });
}

BINDERY_EXPORT const char* getMacroName(int32_t number) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MacroName(number); });
}

BINDERY_EXPORT const char* getMacroFilePath(int32_t number) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MacroFilePath(number); });
}

BINDERY_EXPORT const char* getMacroGroupName(int32_t group) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MacroGroupName(group); });
}

BINDERY_EXPORT int32_t setMacroGroupName(int32_t group, const char* name) {
    return Guarded(0, [&](Library& l) { return l.settings.SetMacroGroupName(group, Readable(name)); });
}

BINDERY_EXPORT const char* getMenuTitle(int32_t menu) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MenuTitle(menu); });
}

BINDERY_EXPORT int32_t setMenuTitle(int32_t menu, const char* title) {
    return Guarded(0, [&](Library& l) { return l.settings.SetMenuTitle(menu, Readable(title)); });
}

BINDERY_EXPORT const char* getMenuFunc(int32_t menu, int32_t item) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MenuFunc(menu, item); });
}

BINDERY_EXPORT const char* getMenuAKey(int32_t menu, int32_t item) {
    return Guarded(kEmptyText, [&](Library& l) { return l.settings.MenuAKey(menu, item); });
}

BINDERY_EXPORT int32_t setMenuItem(int32_t menu, int32_t item, const char* command_name, const char* accelerator) {
    return Guarded(0, [&](Library& l) {
        return l.settings.SetMenuItem(menu, item, Readable(command_name), Readable(accelerator));
    });
}

BINDERY_EXPORT int32_t getMenu8ToESC() {
    return Guarded(0, [&](Library& l) { return l.settings.Menu8ToEsc(); });
}

BINDERY_EXPORT int32_t setMenu8ToESC(int32_t flag) {
    return Guarded(0, [&](Library& l) { return l.settings.SetMenu8ToEsc(flag); });
}
