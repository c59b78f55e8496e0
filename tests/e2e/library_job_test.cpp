// Regular-expression and fuzzy jobs through a real quarry.exe over DDE, with Sieve loaded by path:
// group references and escapes in the replacement, case and trail-byte rules, fuzzy forms, the
// library's version text and its option dialog.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "log_texts.h"
#include "process_helpers.h"
#include "tools/dde_client.h"

namespace {

using kx::DdeAnswer;
using kxtest::Program;
using kxtest::ReadFileBytes;
using kxtest::WriteFileBytes;
const DWORD kTimeout = 10000;

class LibraryJob : public ::testing::Test {
protected:
    LibraryJob() : dir("e2e-library") {}
    void SetUp() override {
        ASSERT_TRUE(server.Start("quarry.exe", "--ddestart"));
        bool connected = false;
        for (int i = 0; i < 200 && !connected; ++i) {
            connected = client.Connect("Quarry", "Quarry");
            if (!connected) Sleep(50);
        }
        ASSERT_TRUE(connected);
        ASSERT_EQ(client.Poke("SetDir", dir.path(), kTimeout), DdeAnswer::kAccepted);
        ASSERT_EQ(client.Poke("SetFilePattern", "*.txt", kTimeout), DdeAnswer::kAccepted);
    }
    void TearDown() override {
        client.Disconnect();
        Program stop;
        ASSERT_TRUE(stop.Start("quarry.exe", "--ddestop"));
        EXPECT_EQ(stop.Wait(), 0);
        EXPECT_EQ(server.Wait(), 0);
    }
    void Job(const char* options, const std::string& find, const std::string& replace) {
        ASSERT_EQ(client.Poke("Set", options, kTimeout), DdeAnswer::kAccepted);
        ASSERT_EQ(client.Poke("SetHmJreDLL", kxtest::ProgramDir() + "sieve.dll", kTimeout), DdeAnswer::kAccepted);
        ASSERT_EQ(client.Poke("SetFindStr", find, kTimeout), DdeAnswer::kAccepted) << find;
        ASSERT_EQ(client.Poke("SetReplaceStr", replace, kTimeout), DdeAnswer::kAccepted);
        ASSERT_EQ(client.Execute("Replace", 60000), DdeAnswer::kAccepted);
    }
    kxtest::ScratchDir dir;
    Program server;
    kx::DdeClient client;
};

}  // namespace

TEST_F(LibraryJob, GroupsAndEscapesRewriteEveryEncodingExactly) {
    WriteFileBytes(dir / "sjis.txt", "date 2024-05-06 \x95\x5C\\\r\nx\r\n");
    WriteFileBytes(dir / "utf8.txt", "\xEF\xBB\xBF\xE8\xA1\xA8 2023-01-02\n");
    WriteFileBytes(dir / "utf16.txt", std::string("\xFF\xFE"
                                                  "1\0-\0"
                                                  "2\0-\0"
                                                  "3\0\r\0\n\0",
                                                  16));
    Job("use_regular", "(\\d+)-(\\d+)-(\\d+)", "\\3.\\2.\\1\\t\\\\\\n");
    EXPECT_EQ(ReadFileBytes(dir / "sjis.txt"), "date 06.05.2024\t\\\r\n \x95\x5C\\\r\nx\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "utf8.txt"), "\xEF\xBB\xBF\xE8\xA1\xA8 02.01.2023\t\\\n\n");
    EXPECT_EQ(ReadFileBytes(dir / "utf16.txt"), std::string("\xFF\xFE"
                                                            "3\0.\0"
                                                            "2\0.\0"
                                                            "1\0\t\0\\\0\r\0\n\0\r\0\n\0",
                                                            24));
    std::string log;
    ASSERT_TRUE(client.Request("Log", &log, kTimeout));
    EXPECT_NE(log.find("sjis.txt" + kxtest::kReplacedIn + "1"), std::string::npos);
}

TEST_F(LibraryJob, CaseWordAndTrailByteRules) {
    WriteFileBytes(dir / "a.txt", "Cat cat CAT concat \x83\x5C\\ end");
    // Case ignored and whole words: "concat" stays; the real backslash only, never the one in "ソ".
    Job("use_regular,word", "cat", "dog");
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "dog dog dog concat \x83\x5C\\ end");
    Job("use_regular,casesense", "\\\\", "/");
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "dog dog dog concat \x83\x5C/ end");
}

TEST_F(LibraryJob, FuzzyFindsEveryFormAndReplacesTheRealBytes) {
    // ｶﾞｷﾞ, ガギ, がぎ and ＡＢＣ / abc.
    WriteFileBytes(dir / "kana.txt", "ｶﾞｷﾞ|ガギ|がぎ|ＡＢＣ|abc\r\n");
    Job("aimai", "ガギ", "X");
    EXPECT_EQ(ReadFileBytes(dir / "kana.txt"), "X|X|X|ＡＢＣ|abc\r\n");
    Job("aimai", "abc", "Y");
    EXPECT_EQ(ReadFileBytes(dir / "kana.txt"), "X|X|X|Y|Y\r\n");
}

TEST_F(LibraryJob, VersionTextAndOptionDialog) {
    ASSERT_EQ(client.Poke("SetHmJreDLL", kxtest::ProgramDir() + "sieve.dll", kTimeout), DdeAnswer::kAccepted);
    std::string version;
    ASSERT_TRUE(client.Request("GetHmJreVersion", &version, kTimeout));
    EXPECT_EQ(version, "2.00");
    // A library without one of the required entry points is not loaded for a search.
    ASSERT_EQ(client.Poke("Set", "use_regular", kTimeout), DdeAnswer::kAccepted);
    ASSERT_EQ(client.Poke("SetHmJreDLL", kxtest::ProgramDir() + "sieve_without_one_entry.dll", kTimeout),
              DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetFindStr", "a+", kTimeout), DdeAnswer::kRefused);
    ASSERT_EQ(client.Poke("SetHmJreDLL", kxtest::ProgramDir() + "sieve.dll", kTimeout), DdeAnswer::kAccepted);

    // The user presses OK in Sieve's own dialog, opened by the execute command.
    kxtest::DialogPresser user("あいまい検索の設定", server.process_id());
    EXPECT_EQ(client.Execute("FuzzyOptionDialog", 30000), DdeAnswer::kAccepted);
    EXPECT_TRUE(user.pressed());
}
