// The keylist tool: prints a key file's listing through bindery.dll.
#include <string>
#include <vector>

#include "keyassign/bindery_fixture.h"

namespace bindery_test {
namespace {

class KeylistTool : public BinderyTest {
protected:
    // Runs keylist.exe (beside the test program) with `arguments`; its standard output in `output`,
    // its standard error in `errors`.
    DWORD Run(const std::string& arguments, std::string& output) {
        std::string errors;
        return Run(arguments, output, errors);
    }
    DWORD Run(const std::string& arguments, std::string& output, std::string& errors) {
        char exe[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
        std::string program(exe, length);
        program.erase(program.find_last_of("\\/") + 1);
        program += "keylist.exe";
        const std::string out_path = TempPath("keylist.out");
        const std::string err_path = TempPath("keylist.err");
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, out);
        HANDLE err = CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, err);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = err;
        PROCESS_INFORMATION process = {};
        std::string command = "\"" + program + "\" " + arguments;
        DWORD code = 99;
        if (CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                           &process)) {
            WaitForSingleObject(process.hProcess, 60000);
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        CloseHandle(out);
        CloseHandle(err);
        const std::vector<uint8_t> bytes = ReadFileBytes(out_path);
        output.assign(bytes.begin(), bytes.end());
        const std::vector<uint8_t> error_bytes = ReadFileBytes(err_path);
        errors.assign(error_bytes.begin(), error_bytes.end());
        return code;
    }
};

TEST_F(KeylistTool, PrintsTheListingOfAKeyFileOrTheRegistry) {
    const std::string key_file = TempPath("tool.key");
    ASSERT_EQ(1, api_.setKeyassign("Ctrl+A", "すべてを選択"));
    ASSERT_EQ(1, api_.writeToKeyFile(key_file.c_str(), 0));
    const std::string expected_file =
        "F1 = 外部ヘルプ\r\nCtrl+A = すべてを選択\r\nCtrl+O = 開く\r\nCtrl+S = 上書き保存\r\n"
        "Alt+Ctrl+Del = コピー\r\n常駐秀丸のダブルクリック = マクロ実行\r\n";
    std::string output;
    EXPECT_EQ(0u, Run("\"" + key_file + "\"", output));
    EXPECT_EQ(expected_file, output);
    EXPECT_EQ(0u, Run("--kind valid --version 500", output));
    // Without a file the registry is listed; the unwritten edit of Ctrl+A is not there.
    EXPECT_EQ("F1\r\nCtrl+O\r\nCtrl+S\r\n常駐秀丸のダブルクリック\r\nBksp\r\n", output);
    EXPECT_EQ(0u, Run("--help", output));
    EXPECT_EQ(0u, output.find("Usage: keylist"));
    EXPECT_EQ(3u, Run("\"" + TempPath("missing.key") + "\"", output));
    EXPECT_EQ(1u, Run("--kind", output));
    EXPECT_EQ(4u, Run("--kind everything", output));
}

// A machine without the editor's settings: a key file is still listed, with or without macro
// data of its own, and standard error says where the macro names came from.
TEST_F(KeylistTool, ListsAKeyFileWithoutAnyRegistrySettings) {
    const std::string without_macros = TempPath("plain.key");
    const std::string with_macros = TempPath("macros.key");
    ASSERT_EQ(1, api_.setKeyassign("Ctrl+A", "すべてを選択"));
    ASSERT_EQ(1, api_.writeToKeyFile(without_macros.c_str(), 0));
    ASSERT_EQ(1, api_.writeToKeyFile(with_macros.c_str(), 2));
    RemoveSettings();
    HKEY editor = nullptr;
    ASSERT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Hidemaruo", 0, KEY_READ, &editor));

    const std::string expected =
        "F1 = 外部ヘルプ\r\nCtrl+A = すべてを選択\r\nCtrl+O = 開く\r\nCtrl+S = 上書き保存\r\n"
        "Alt+Ctrl+Del = コピー\r\n常駐秀丸のダブルクリック = マクロ実行\r\n";
    std::string output, errors;
    EXPECT_EQ(0u, Run("\"" + without_macros + "\"", output, errors));
    EXPECT_EQ(expected, output);
    EXPECT_EQ("keylist: macro names: none (the key file holds none; the registry is not read)\r\n", errors);
    EXPECT_EQ(0u, Run("\"" + with_macros + "\"", output, errors));
    EXPECT_EQ(expected, output);
    EXPECT_EQ("keylist: macro names: from the key file\r\n", errors);
    EXPECT_EQ(0u, Run("--kind blank \"" + without_macros + "\"", output, errors));
    EXPECT_NE(std::string::npos, output.find("\r\nShift+F1\r\n"));
    // Without a file there is nothing to list.
    EXPECT_EQ(4u, Run("", output, errors));
    EXPECT_EQ("", output);
    // Nothing was left in the temporary folder, and the registry was not written.
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((std::string(folder) + "kl*.tmp").c_str(), &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, search) << found.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Hidemaruo", 0, KEY_READ, &editor));
}

}  // namespace
}  // namespace bindery_test
