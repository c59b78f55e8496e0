// Unicode over DDE against quarry.exe, the "Notices" and "Preview" items, and quarryctl in Unicode:
// its exit codes, its failure lines, its dry run, and a Quarry that takes only ANSI text.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "command/command_server.h"
#include "log_texts.h"
#include "process_helpers.h"
#include "tools/dde_client.h"

namespace {

using kx::DdeAnswer;
using kxtest::Program;
const DWORD kTimeout = 10000;

using kxtest::kFailed;
using kxtest::kNoHit;
using kxtest::Replaced;

std::wstring Wide(const std::string& ansi, UINT code_page = CP_ACP) {
    std::wstring wide(ansi.size() + 1, L'\0');
    int n = MultiByteToWideChar(code_page, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0],
                                static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return wide;
}

std::string Utf8(const std::wstring& wide) {
    std::string bytes(wide.size() * 3 + 1, '\0');
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &bytes[0],
                                static_cast<int>(bytes.size()), nullptr, nullptr);
    bytes.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return bytes;
}

// A line of ANSI text as quarryctl prints it to a pipe: UTF-8, ended by CR LF.
std::string Printed(const std::string& line) { return Utf8(Wide(line.substr(0, line.size() - 1))) + "\r\n"; }

bool ConnectSoon(kx::DdeClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.Connect("Quarry", "Quarry")) return true;
        Sleep(50);
    }
    return false;
}

void StopServer(Program& server) {
    Program stop;
    ASSERT_TRUE(stop.Start("quarry.exe", "--ddestop"));
    EXPECT_EQ(stop.Wait(), 0);
    EXPECT_EQ(server.Wait(), 0);
}

// Every file of a directory with its bytes and its last-write time.
std::string Tree(const std::string& dir) {
    std::string tree;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return tree;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        tree += name + "|" + std::to_string(d.ftLastWriteTime.dwHighDateTime) + ":" +
                std::to_string(d.ftLastWriteTime.dwLowDateTime) + "|" + kxtest::ReadFileBytes(dir + name) + "\n";
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return tree;
}

const std::wstring kEmDash = L"\u2014";

TEST(UnicodeJob, UnicodeBesideAnsiNoticesAndAPreviewThatWritesNothing) {
    kxtest::ScratchDir dir("e2e-unicode");
    const std::string utf8 = "\xEF\xBB\xBF\xE8\xA1\xA8\xE7\xA4\xBA old\n";  // BOM, 表示 old
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a-utf8.txt", utf8));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "b-sjis.txt", "old old\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "c-none.txt", "nothing\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "d-ro.txt", "old\r\n"));
    SetFileAttributesA((dir / "d-ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    Program server;
    ASSERT_TRUE(server.Start("quarry.exe", "--ddestart"));
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));
    EXPECT_EQ(client.PokeUnicode("Set", L"casesense,backup", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.PokeUnicode("SetDir", Wide(dir.path()), kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetFilePattern", "*.txt", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.PokeUnicode("SetFindStr", L"old", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.PokeUnicode("SetReplaceStr", L"\u65B0", kTimeout), DdeAnswer::kAccepted);  // 新
    EXPECT_EQ(client.PokeUnicode("SetCharSet", L"AutoDetect", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.PokeUnicode("SetLineBreak", L"crlf", kTimeout), DdeAnswer::kAccepted);
    // Refused and changing nothing: a directory the code page lacks, a value in another format.
    EXPECT_EQ(client.PokeUnicode("SetDir", Wide(dir.path()) + kEmDash, kTimeout), DdeAnswer::kRefused);
    EXPECT_EQ(client.PokeBytes("SetReplaceStr", "zz", 3, kTimeout, CF_OEMTEXT), DdeAnswer::kRefused);
    EXPECT_EQ(client.PokeUnicode("SetCharSet", L"utf-8", kTimeout), DdeAnswer::kRefused);

    // The preview: nothing changes in the tree; both formats tell the same.
    const std::string before = Tree(dir.path());
    EXPECT_EQ(client.Execute("Preview", 60000), DdeAnswer::kAccepted);
    EXPECT_EQ(Tree(dir.path()), before);
    std::string preview;
    std::wstring wide_preview;
    ASSERT_TRUE(client.Request("Preview", &preview, kTimeout));
    ASSERT_TRUE(client.RequestUnicode("Preview", &wide_preview, kTimeout));
    EXPECT_EQ(wide_preview, Wide(preview));
    const std::string expected_preview = "file 1 " + dir / "a-utf8.txt" +
                                         "\n- 1 \x95\x5C\x8E\xA6 old\n+ 1 \x95\x5C\x8E\xA6 \x90\x56\n" +  //
                                         "file 2 " + dir / "b-sjis.txt" + "\n- 1 old old\n+ 1 新 新\n" +  //
                                         "fail read-only " + dir / "d-ro.txt" + "\n";
    EXPECT_EQ(preview, expected_preview);

    // The run: its log has the preview's counts; "Notices" has the failed and the no-hit files.
    EXPECT_EQ(client.Execute("Replace", 60000), DdeAnswer::kAccepted);
    std::string log, notices;
    ASSERT_TRUE(client.Request("Log", &log, kTimeout));
    EXPECT_EQ(log, Replaced(dir / "a-utf8.txt", 1) + Replaced(dir / "b-sjis.txt", 2));
    ASSERT_TRUE(client.Request("Notices", &notices, kTimeout));
    EXPECT_EQ(notices, dir / "c-none.txt" + kNoHit + dir / "d-ro.txt" + kFailed);
    std::wstring wide;
    ASSERT_TRUE(client.RequestUnicode("Notices", &wide, kTimeout));
    EXPECT_EQ(wide, Wide(notices));
    ASSERT_TRUE(client.RequestUnicode("Log", &wide, kTimeout));
    EXPECT_EQ(wide, Wide(log));
    ASSERT_TRUE(client.RequestUnicode("FileList", &wide, kTimeout));
    EXPECT_EQ(wide, Wide(dir / "a-utf8.txt\n" + dir / "b-sjis.txt\n" + dir / "c-none.txt\n" + dir / "d-ro.txt\n"));
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "a-utf8.txt"), "\xEF\xBB\xBF\xE8\xA1\xA8\xE7\xA4\xBA \xE6\x96\xB0\r\n");
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "b-sjis.txt"), "新 新\r\n");
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "a-utf8.txt.bak"), utf8);

    client.Disconnect();
    StopServer(server);
    SetFileAttributesA((dir / "d-ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// quarryctl's arguments for a job over dir, with a find and a replace string.
std::wstring CtlJob(const kxtest::ScratchDir& dir, const std::wstring& pattern, const std::wstring& find,
                    const std::wstring& replace) {
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    return L"--set=casesense --dir \"" + Wide(folder) + L"\" --pattern=" + pattern + L" --find=\"" + find +
           L"\" --replace=\"" + replace + L"\"";
}

TEST(UnicodeJob, QuarryctlExitCodesFailureLinesAndDryRun) {
    kxtest::ScratchDir dir("e2e-ctl-unicode");
    const std::string why = "Why? Because.\r\n";
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a.txt", why));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "b.txt", "Why not.\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "ro.txt", "Why?\r\n"));
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    Program server;
    ASSERT_TRUE(server.Start("quarry.exe", "--ddestart"));
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));
    client.Disconnect();

    // An em dash never becomes '?': in a file pattern the server refuses it, and nothing is run.
    const std::string tree = Tree(dir.path());
    Program dash;
    ASSERT_TRUE(dash.Start("quarryctl.exe", CtlJob(dir, L"*" + kEmDash + L".txt", L"Why?", L"X"), true));
    EXPECT_EQ(dash.Wait(60000), 4) << dash.err();
    EXPECT_NE(dash.err().find("SetFilePattern"), std::string::npos) << dash.err();
    EXPECT_NE(dash.err().find(Utf8(kEmDash)), std::string::npos) << "the value is named as it was given";
    EXPECT_EQ(Tree(dir.path()), tree);

    // A dry run lists the changes and the file that would fail (exit 5), and writes nothing.
    const std::wstring reason = L"\u7406\u7531";  // 理由
    Program dry;
    ASSERT_TRUE(dry.Start("quarryctl.exe", L"--dry-run " + CtlJob(dir, L"*.txt", L"Why?", reason), true));
    EXPECT_EQ(dry.Wait(60000), 5) << dry.err();
    const std::string listing = dir / "a.txt: 1 replacement\r\n  -1: Why? Because.\r\n  +1: " + Utf8(reason) +
                                " Because.\r\n" + dir / "ro.txt: would fail: the file is read-only\r\n" +
                                "Dry run: 1 file(s) would change, 1 would fail; nothing was written.\r\n";
    EXPECT_EQ(dry.out(), listing);
    EXPECT_EQ(Tree(dir.path()), tree);

    // The real run: the failure line on standard error (UTF-8), the log on standard output, exit 5.
    Program run;
    ASSERT_TRUE(run.Start("quarryctl.exe", L"--no-file-list " + CtlJob(dir, L"*.txt", L"Why?", reason), true));
    EXPECT_EQ(run.Wait(60000), 5) << run.err();
    EXPECT_EQ(run.err(), Printed(dir / "ro.txt" + kFailed));
    EXPECT_EQ(run.out(), Printed(Replaced(dir / "a.txt", 1)));
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "a.txt"), "理由 Because.\r\n");

    // Without a failing file: exit 0.
    Program clean;
    ASSERT_TRUE(clean.Start("quarryctl.exe", L"--no-log --no-file-list " + CtlJob(dir, L"b.txt", L"not", L"so"), true));
    EXPECT_EQ(clean.Wait(60000), 0) << clean.err();
    EXPECT_EQ(clean.err(), "");
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "b.txt"), "Why so.\r\n");

    StopServer(server);
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Find and replace strings the code page lacks, through quarryctl: found and put in UTF-8 and UTF-16
// files byte for byte, never found in a Shift_JIS file, and never put into one.
TEST(UnicodeJob, QuarryctlFindsAndReplacesCharactersTheCodePageLacks) {
    kxtest::ScratchDir dir("e2e-ctl-dash");
    const std::string sjis = "Why? Because.\r\n";
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a-utf8.txt", "\xEF\xBB\xBFWhy\xE2\x80\x94 Because\xE2\x80\x94\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "b-le.txt", std::string("\xFF\xFEW\0\x14\x20.\0", 8)));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "c-sjis.txt", sjis));

    Program server;
    ASSERT_TRUE(server.Start("quarry.exe", "--ddestart"));
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));
    client.Disconnect();

    Program dash;
    ASSERT_TRUE(dash.Start("quarryctl.exe", L"--no-file-list " + CtlJob(dir, L"*.txt", kEmDash, L"X"), true));
    EXPECT_EQ(dash.Wait(60000), 0) << dash.err();
    EXPECT_EQ(dash.out(), Printed(Replaced(dir / "a-utf8.txt", 2)) + Printed(Replaced(dir / "b-le.txt", 1)));
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "a-utf8.txt"), "\xEF\xBB\xBFWhyX BecauseX\r\n");
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "b-le.txt"), std::string("\xFF\xFEW\0X\0.\0", 8));
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "c-sjis.txt"), sjis);

    // Into the Shift_JIS file the em dash cannot go: it fails untouched (exit 5).
    Program back;
    ASSERT_TRUE(back.Start("quarryctl.exe", L"--no-file-list " + CtlJob(dir, L"*.txt", L"?", kEmDash), true));
    EXPECT_EQ(back.Wait(60000), 5) << back.err();
    EXPECT_EQ(back.err(), Printed(dir / "c-sjis.txt" + kFailed));
    EXPECT_EQ(kxtest::ReadFileBytes(dir / "c-sjis.txt"), sjis);
    StopServer(server);
}

// A Quarry that knows no "Notices" takes only ANSI text: a value the code page holds goes as CF_TEXT,
// and one it lacks stops quarryctl with exit code 2 before anything is poked.
TEST(UnicodeJob, AnAnsiOnlyQuarryGetsExactValuesOrNone) {
    struct Recorder {
        static bool Find(const char* text) {
            found() += std::string(text) + "|";
            return true;
        }
        static bool Replace() { return true; }
        static const char* Log() { return ""; }
        static std::string& found() {
            static std::string text;
            return text;
        }
    };
    kx::CommandServer server("Quarry", "Quarry");
    kx::PokeFunction find(&Recorder::Find);
    kx::ExecuteFunction replace(&Recorder::Replace);
    kx::RequestFunction log(&Recorder::Log);
    server.addPoke("SetFindStr", &find);
    server.addExecute("Replace", &replace);
    server.addRequest("Log", &log);
    ASSERT_TRUE(server.start());

    Program dash;
    ASSERT_TRUE(dash.Start("quarryctl.exe", L"--no-start --no-file-list --find=a" + kEmDash, true));
    EXPECT_EQ(dash.Wait(60000), 2);
    EXPECT_NE(dash.err().find("--find"), std::string::npos) << dash.err();
    EXPECT_EQ(Recorder::found(), "");

    Program kanji;
    ASSERT_TRUE(kanji.Start("quarryctl.exe", L"--no-start --no-file-list --find=\u8868", true));  // 表
    EXPECT_EQ(kanji.Wait(60000), 0) << kanji.err();
    EXPECT_EQ(Recorder::found(), "\x95\x5C|");
    server.stop();
}

}  // namespace
