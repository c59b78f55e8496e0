// Loading bindery.dll and preparing the editor's registry values for Bindery's tests.
#include "keyassign/bindery_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace bindery_test {

namespace {

const char kEditorKey[] = "Software\\Hidemaruo";
const char kAssignKey[] = "Software\\Hidemaruo\\Hidemaru\\Assign.dat";
const char kEnvKey[] = "Software\\Hidemaruo\\Hidemaru\\Env";

void SetValue(HKEY key, const char* name, DWORD type, const void* data, size_t size) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size)))
        << name;
}

}  // namespace

void EditorSettings::SetWord(int index, uint16_t value) {
    image[2 * index] = static_cast<uint8_t>(value & 0xFF);
    image[2 * index + 1] = static_cast<uint8_t>(value >> 8);
}

std::string EditorSettings::MacroList(const std::vector<std::pair<std::string, std::string>>& macros) {
    std::string list;
    for (size_t i = 0; i < 80; ++i) {
        if (i < macros.size()) list += macros[i].first + '\0' + macros[i].second;
        list.append(i < macros.size() ? 1 : 2, '\0');
    }
    return list;
}

void EditorSettings::SetGroup(int group, const std::string& name) {
    std::fill_n(macro_group.begin() + 31 * (group - 2), 31, 0);
    std::copy(name.begin(), name.end(), macro_group.begin() + 31 * (group - 2));
}

void EditorSettings::SetTitle(int menu, const std::string& title) {
    const size_t offset = 1222 + 17 * static_cast<size_t>(menu - 1);
    const size_t record = menu == 8 ? 16 : 17;  // the image lacks the eighth title's closing NUL
    std::fill_n(image.begin() + offset, record, 0);
    std::copy(title.begin(), title.end(), image.begin() + offset);
}

EditorSettings EditorSettings::Typical() {
    EditorSettings s;
    s.SetWord(51, 95);    // F1: 外部ヘルプ
    s.SetWord(127, 4);    // Ctrl+O: 開く
    s.SetWord(131, 5);    // Ctrl+S: 上書き保存
    s.SetWord(68, 4112);  // Shift+F1: a command that has no name before version 504
    s.SetWord(808, 40);   // Alt+Ctrl+Del: コピー (a key only up to version 499)
    s.SetWord(903, 173);  // 常駐秀丸のダブルクリック: マクロ実行
    s.SetWord(917, 50);   // Bksp (from version 500): バックスペース
    s.SetWord(0, 'N');    // menu 0, item 1: 新規作成 with accelerator N
    s.SetWord(25, 1);
    s.SetWord(146, 'O');  // menu 1, item 1: 開く with accelerator O
    s.SetWord(171, 4);
    s.SetWord(147, 0xFFFF);  // menu 1, item 2: separator
    s.SetWord(172, 1);
    s.amacro = MacroList({{"C:\\macros\\alpha.mac", "Alpha"}, {"C:\\macros\\beta.mac", "ベータ"}});
    s.SetGroup(2, "Edit");
    s.SetGroup(3, "Tools");
    s.SetTitle(1, "File");
    s.SetTitle(8, "Extra");
    return s;
}

void RemoveSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, kEditorKey); }

void InstallSettings(const EditorSettings& s) {
    RemoveSettings();
    HKEY assign = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, kAssignKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &assign, nullptr));
    SetValue(assign, "Key", REG_BINARY, s.image.data(), 1806);
    SetValue(assign, "KeyEx", REG_BINARY, s.image.data() + 1806, 20);
    if (s.has_key_ex2) SetValue(assign, "KeyEx2", REG_BINARY, s.image.data() + 1826, 744);
    SetValue(assign, "MacroGroup", REG_BINARY, s.macro_group.data(), s.macro_group.size());
    SetValue(assign, "Amacro", REG_BINARY, s.amacro.data(), s.amacro.size());
    RegCloseKey(assign);
    HKEY env = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, kEnvKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &env, nullptr));
    SetValue(env, "NotCUA", REG_DWORD, &s.not_cua, sizeof s.not_cua);
    RegCloseKey(env);
}

std::vector<uint8_t> ReadAssignValue(const char* name) {
    HKEY key = nullptr;
    std::vector<uint8_t> bytes;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kAssignKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return bytes;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
        bytes.resize(size);
        RegQueryValueExA(key, name, nullptr, nullptr, bytes.data(), &size);
    }
    RegCloseKey(key);
    return bytes;
}

void WriteAssignValue(const char* name, DWORD type, const void* data, size_t size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kAssignKey, 0, KEY_ALL_ACCESS, &key));
    SetValue(key, name, type, data, size);
    RegCloseKey(key);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void BinderyTest::SetUp() {
    InstallSettings(settings_);
    Load();
}

void BinderyTest::TearDown() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    RemoveSettings();
    for (const std::string& path : temp_files_) DeleteFileA(path.c_str());
}

void BinderyTest::Reload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
    Load();
}

void BinderyTest::Load() {
    char exe[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    ASSERT_GT(length, 0u);
    std::string dll(exe, length);
    dll.erase(dll.find_last_of("\\/") + 1);
    dll += "bindery.dll";
    module_ = LoadLibraryA(dll.c_str());
    ASSERT_NE(nullptr, module_) << dll;
#define BINDERY_RESOLVE(result, name, args)                                                                     \
    api_.name = reinterpret_cast<decltype(api_.name)>(reinterpret_cast<void*>(GetProcAddress(module_, #name))); \
    ASSERT_NE(nullptr, reinterpret_cast<void*>(api_.name)) << #name;
    BINDERY_EXPORTS(BINDERY_RESOLVE)
#undef BINDERY_RESOLVE
}

std::string BinderyTest::TempPath(const std::string& name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + "bindery_" + std::to_string(GetCurrentProcessId()) + "_" + name;
    temp_files_.push_back(path);
    return path;
}

}  // namespace bindery_test
