// quarry.exe as real processes: the waiting server serving a whole job over DDE, the stop request,
// the single instance, and the exit codes and message boxes of every mode.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "log_texts.h"
#include "process_helpers.h"
#include "tools/dde_client.h"

namespace {

using kx::DdeAnswer;
using kxtest::Program;
const DWORD kTimeout = 10000;

using kxtest::kNoneWaiting;
using kxtest::kUnknownOption;

// Connects to the waiting Quarry, retrying while it starts up.
bool ConnectSoon(kx::DdeClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.Connect("Quarry", "Quarry")) return true;
        Sleep(50);
    }
    return false;
}

// Starts a waiting server and waits until it answers.
void StartServer(Program& server, kx::DdeClient& client, const char* arguments = "--ddestart") {
    ASSERT_TRUE(server.Start("quarry.exe", arguments));
    ASSERT_TRUE(ConnectSoon(client)) << "no DDE server after " << arguments;
}

// Stops the waiting server with a second process; both end with 0.
void StopServer(Program& server) {
    Program stop;
    ASSERT_TRUE(stop.Start("quarry.exe", "--ddestop"));
    EXPECT_EQ(stop.Wait(), 0);
    EXPECT_EQ(server.Wait(), 0);
}

// Answers the message box of the process and returns its text; the process's exit code in *code.
std::string AnswerMessageBox(Program& p, int* code) {
    HWND box = kxtest::FindDialogOf(p.process_id());
    std::string text = box ? kxtest::MessageText(box) : "<no message box>";
    if (box) kxtest::PressOk(box);
    *code = p.Wait();
    return text;
}

TEST(QuarryProcess, NoOptionEndsAtOnceWithoutServing) {
    Program p;
    ASSERT_TRUE(p.Start("quarry.exe", ""));
    EXPECT_EQ(p.Wait(5000), 0);
    kx::DdeClient client;
    EXPECT_FALSE(client.Connect("Quarry", "Quarry"));
}

TEST(QuarryProcess, RejectedCommandLineShowsTheParserTextAndExits1) {
    for (auto c :
         {std::make_pair("--bogus", "bogus" + kUnknownOption), std::make_pair("-ddestart", "d" + kUnknownOption)}) {
        Program p;
        ASSERT_TRUE(p.Start("quarry.exe", c.first));
        int code = 0;
        EXPECT_EQ(AnswerMessageBox(p, &code), c.second) << c.first;
        EXPECT_EQ(code, 1) << c.first;
    }
}

TEST(QuarryProcess, StopWithNoWaitingServerShowsAMessageAndExits2) {
    Program p;
    ASSERT_TRUE(p.Start("quarry.exe", "--ddestop"));
    int code = 0;
    EXPECT_EQ(AnswerMessageBox(p, &code), kNoneWaiting);
    EXPECT_EQ(code, 2);
}

TEST(QuarryProcess, WaitingServerServesAWholeJobAndStaysSingle) {
    kxtest::ScratchDir dir("e2e-job");
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a.txt", "one key\r\ntwo\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "b.dat", "key\r\n"));

    Program server;
    kx::DdeClient client;
    StartServer(server, client);

    // Every poke item, with the answers of accepted and refused values.
    EXPECT_EQ(client.Poke("Set", "casesense,backup", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetDir", dir.path(), kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetFilePattern", "*.txt", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetHmJreDLL", dir / "missing.dll", kTimeout), DdeAnswer::kRefused);
    EXPECT_EQ(client.Poke("SetFindStr", "key", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetReplaceStr", "KEY", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetCharSet", "utf-8", kTimeout), DdeAnswer::kRefused);
    EXPECT_EQ(client.Poke("SetCharSet", "AutoDetect", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetLineBreak", "", kTimeout), DdeAnswer::kRefused);
    EXPECT_EQ(client.Poke("SetLineBreak", "crlf", kTimeout), DdeAnswer::kAccepted);

    // The run answers (accepted or refused, whatever it found), then the replies.
    EXPECT_NE(client.Execute("Replace", 60000), DdeAnswer::kFailed);
    std::string reply;
    EXPECT_TRUE(client.RequestBytes("Log", &reply, kTimeout));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.back(), '\0');
    ASSERT_TRUE(client.Request("FileList", &reply, kTimeout));
    EXPECT_EQ(reply, dir / "a.txt" + "\n");
    EXPECT_TRUE(client.Request("GetHmJreVersion", &reply, kTimeout));
    {
        kxtest::DialogPresser closer(kxtest::kResultCaption, server.process_id());
        EXPECT_EQ(client.Poke("ShowLog", "center", 30000), DdeAnswer::kAccepted);
    }

    // A second waiting server is refused silently; the first keeps serving.
    Program second;
    ASSERT_TRUE(second.Start("quarry.exe", "--ddestart"));
    EXPECT_EQ(second.Wait(), 3);
    EXPECT_EQ(client.Poke("SetFilePattern", "*.dat", kTimeout), DdeAnswer::kAccepted);
    ASSERT_TRUE(client.Request("FileList", &reply, kTimeout));
    EXPECT_EQ(reply, dir / "b.dat" + "\n");

    client.Disconnect();
    StopServer(server);
    EXPECT_FALSE(client.Connect("Quarry", "Quarry"));
}

// A file whose name and text hold characters the code page lacks, driven over DDE as a client sees it:
// the file is rewritten with every such character kept, and the ANSI replies show the name with the
// default character.
TEST(QuarryProcess, NameAndTextTheCodePageLacksOverDde) {
    kxtest::ScratchDir dir("e2e-unicode");
    const int n = MultiByteToWideChar(CP_ACP, 0, dir.path().c_str(), -1, nullptr, 0);
    std::wstring path(static_cast<size_t>(n - 1), L'\0');
    MultiByteToWideChar(CP_ACP, 0, dir.path().c_str(), -1, &path[0], n);
    path += L"r\u00E9sum\u00E9\u2014\u6CE8\u8A18.txt";  // résumé—注記.txt
    const std::string before = "\xEF\xBB\xBFkey\xC2\xA0\xF0\x9F\x98\x80 \xE3\x80\x9C\xEF\xBD\x9E\r\n";
    const std::string after = "\xEF\xBB\xBFKEY\xC2\xA0\xF0\x9F\x98\x80 \xE3\x80\x9C\xEF\xBD\x9E\r\n";
    ASSERT_TRUE(kxtest::WriteFileBytes(path, before));

    Program server;
    kx::DdeClient client;
    StartServer(server, client);
    EXPECT_EQ(client.Poke("Set", "casesense", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetDir", dir.path(), kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetFilePattern", "*.txt", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetFindStr", "key", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Poke("SetReplaceStr", "KEY", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client.Execute("Replace", 60000), DdeAnswer::kAccepted);
    const std::string shown = dir / "r?sum??注記.txt";
    std::string reply;
    ASSERT_TRUE(client.Request("Log", &reply, kTimeout));
    EXPECT_EQ(reply, kxtest::Replaced(shown, 1));
    ASSERT_TRUE(client.Request("FileList", &reply, kTimeout));
    EXPECT_EQ(reply, shown + "\n");
    client.Disconnect();
    StopServer(server);

    EXPECT_EQ(kxtest::ReadFileBytes(path), after);
}

TEST(QuarryProcess, StartWinsOverStopWhenBothAreGiven) {
    Program server;
    kx::DdeClient client;
    StartServer(server, client, "--ddestart --ddestop");
    client.Disconnect();
    StopServer(server);
}

TEST(QuarryProcess, QuitMessageEndsTheWaitingModeAndTheEventGoesWithIt) {
    Program server;
    kx::DdeClient client;
    StartServer(server, client);
    client.Disconnect();
    ASSERT_TRUE(PostThreadMessageA(server.thread_id(), WM_QUIT, 7, 0));
    EXPECT_EQ(server.Wait(), 0);
    // The event was closed with the process: a new server can wait.
    Program again;
    StartServer(again, client);
    client.Disconnect();
    StopServer(again);
}

}  // namespace
