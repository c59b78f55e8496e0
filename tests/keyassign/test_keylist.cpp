// The keylist tool: prints a key file's listing through bindery.dll.
#include <string>
#include <vector>

#include "keyassign/bindery_fixture.h"

namespace bindery_test {
namespace {

class KeylistTool : public BinderyTest {
 protected:
  // Runs keylist.exe (beside the test program) with `arguments`; its standard output in `output`.
  DWORD Run(const std::string& arguments, std::string& output) {
    char exe[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string program(exe, length);
    program.erase(program.find_last_of("\\/") + 1);
    program += "keylist.exe";
    const std::string out_path = TempPath("keylist.out");
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE out = CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, out);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + program + "\" " + arguments;
    DWORD code = 99;
    if (CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                       &startup, &process)) {
      WaitForSingleObject(process.hProcess, 60000);
      GetExitCodeProcess(process.hProcess, &code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
    CloseHandle(out);
    const std::vector<uint8_t> bytes = ReadFileBytes(out_path);
    output.assign(bytes.begin(), bytes.end());
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

}  // namespace
}  // namespace bindery_test
