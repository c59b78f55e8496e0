// Test support for Bindery: loads bindery.dll from the test program's folder the way a caller
// does, and writes the editor's registry values of the private Wine prefix before each test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace bindery_test {

#define BINDERY_EXPORTS(X)                                    \
    X(int, _Key2Address, (const char*))                       \
    X(const char*, _Address2Key, (int))                       \
    X(int, _Func2Val, (const char*))                          \
    X(const char*, _Val2Func, (int))                          \
    X(const char*, _GetEnableKeys, (int))                     \
    X(const char*, _GetEnableFuncs, (int))                    \
    X(int, SetHidemaruVersion, (int))                         \
    X(int, readKeyFile, (const char*, int))                   \
    X(int, writeToKeyFile, (const char*, int))                \
    X(int, writeToReg, ())                                    \
    X(int, reloadReg, ())                                     \
    X(int, removeFile, (const char*))                         \
    X(int, makeKEYTEXT, (const char*, const char*))           \
    X(const char*, getFuncNameFromKey, (const char*))         \
    X(const char*, getKeyFromFuncName, (const char*))         \
    X(int, setKeyassign, (const char*, const char*))          \
    X(const char*, getMacroSettings, (int))                   \
    X(int, setMacroSettings, (int, const char*, const char*)) \
    X(const char*, getMacroName, (int))                       \
    X(const char*, getMacroFilePath, (int))                   \
    X(const char*, getMacroGroupName, (int))                  \
    X(int, setMacroGroupName, (int, const char*))             \
    X(const char*, getMenuTitle, (int))                       \
    X(int, setMenuTitle, (int, const char*))                  \
    X(const char*, getMenuFunc, (int, int))                   \
    X(const char*, getMenuAKey, (int, int))                   \
    X(int, setMenuItem, (int, int, const char*, const char*)) \
    X(int, getMenu8ToESC, ())                                 \
    X(int, setMenu8ToESC, (int))

// Every export of bindery.dll, resolved by name.
struct BinderyApi {
#define BINDERY_POINTER(result, name, args) result(__cdecl* name) args = nullptr;
    BINDERY_EXPORTS(BINDERY_POINTER)
#undef BINDERY_POINTER
};

// The editor's settings as the registry holds them.
struct EditorSettings {
    std::vector<uint8_t> image = std::vector<uint8_t>(2570, 0);  // "Key", "KeyEx", "KeyEx2"
    bool has_key_ex2 = true;
    std::string amacro = MacroList({});
    std::vector<uint8_t> macro_group = std::vector<uint8_t>(217, 0);
    DWORD not_cua = 0;

    std::vector<uint8_t> Key() const { return Part(0, 1806); }
    std::vector<uint8_t> KeyEx() const { return Part(1806, 20); }
    std::vector<uint8_t> KeyEx2() const { return Part(1826, 744); }
    // A word of the image: the command of a key code, or a menu word.
    void SetWord(int index, uint16_t value);
    void SetGroup(int group, const std::string& name);
    void SetTitle(int menu, const std::string& title);

    // The stored form of 80 macros of which the first are given as path and name.
    static std::string MacroList(const std::vector<std::pair<std::string, std::string>>& macros);
    // A typical set-up: some keys, two menus, two macros, group names and titles.
    static EditorSettings Typical();

private:
    std::vector<uint8_t> Part(size_t offset, size_t size) const {
        return std::vector<uint8_t>(image.begin() + offset, image.begin() + offset + size);
    }
};

void InstallSettings(const EditorSettings& settings);
void RemoveSettings();
// A value of the editor's Assign.dat key; empty when missing.
std::vector<uint8_t> ReadAssignValue(const char* name);
void WriteAssignValue(const char* name, DWORD type, const void* data, size_t size);

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// Loads bindery.dll fresh for every test (its state starts anew), with the typical settings
// installed; unloads it and removes the settings and temporary files afterwards.
class BinderyTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Reloads the library, so that it starts from its initial state.
    void Reload();
    // A path in the temporary folder, unique to this test and removed after it.
    std::string TempPath(const std::string& name);

    EditorSettings settings_ = EditorSettings::Typical();
    BinderyApi api_;

private:
    void Load();
    HMODULE module_ = nullptr;
    std::vector<std::string> temp_files_;
};

}  // namespace bindery_test
