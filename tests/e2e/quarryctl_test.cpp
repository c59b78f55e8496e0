// quarryctl as a real process: its help, a job driven end to end against quarry.exe, refused values,
// and starting and stopping a Quarry of its own.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "process_helpers.h"
#include "tools/dde_client.h"

namespace {

using kx::DdeAnswer;
using kxtest::Program;
const DWORD kTimeout = 10000;

bool ConnectSoon(kx::DdeClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.Connect("Quarry", "Quarry")) return true;
        Sleep(50);
    }
    return false;
}

// Text as quarryctl prints it: every line ended with CR LF.
std::string CrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    if (!out.empty() && out.back() != '\n') out += "\r\n";
    return out;
}

std::string JobArguments(const kxtest::ScratchDir& dir) {
    // Without its last backslash, which would escape the closing quote.
    std::string folder = dir.path().substr(0, dir.path().size() - 1);
    return "--set=casesense --dir \"" + folder +
           "\" --pattern=*.txt --find=zzz-absent --replace=x "
           "--charset=autodetect --linebreak=autodetect";
}

TEST(Quarryctl, HelpDescribesTheOptions) {
    Program ctl;
    ASSERT_TRUE(ctl.Start("quarryctl.exe", "--help", true));
    EXPECT_EQ(ctl.Wait(), 0);
    EXPECT_EQ(ctl.out().compare(0, 17, "Usage: quarryctl "), 0) << ctl.out();
    for (const char* option : {"--set", "--dir", "--pattern", "--find", "--replace", "--charset", "--linebreak",
                               "--hmjre", "--no-start", "--show-log"})
        EXPECT_NE(ctl.out().find(option), std::string::npos) << option;
    EXPECT_EQ(ctl.out().find("\n"), ctl.out().find("\r\n") + 1);  // CR LF line ends

    Program bad;
    ASSERT_TRUE(bad.Start("quarryctl.exe", "--no-such-option", true));
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.err().find("--no-such-option"), std::string::npos);
}

TEST(Quarryctl, DrivesAJobAndPrintsTheReplies) {
    kxtest::ScratchDir dir("e2e-ctl");
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a.txt", "alpha\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "b.txt", "beta\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "c.log", "gamma\r\n"));

    Program server;
    ASSERT_TRUE(server.Start("quarry.exe", "--ddestart"));
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));
    client.Disconnect();

    Program ctl;
    ASSERT_TRUE(ctl.Start("quarryctl.exe", JobArguments(dir), true));
    int code = ctl.Wait(60000);

    // The waiting server now holds the job quarryctl poked: the replies it printed are the server's,
    // and its exit code follows the answer of "Replace" (the same job run again answers alike).
    ASSERT_TRUE(client.Connect("Quarry", "Quarry"));
    DdeAnswer run = client.Execute("Replace", 60000);
    ASSERT_NE(run, DdeAnswer::kFailed);
    EXPECT_EQ(code, run == DdeAnswer::kAccepted ? 0 : 1) << ctl.err();
    std::string log, files;
    ASSERT_TRUE(client.Request("Log", &log, kTimeout));
    ASSERT_TRUE(client.Request("FileList", &files, kTimeout));
    EXPECT_EQ(files, dir / "a.txt" + "\n" + dir / "b.txt" + "\n");
    EXPECT_EQ(ctl.out(), CrLf(log) + CrLf(files));

    // A refused value stops quarryctl before anything runs.
    Program refused;
    ASSERT_TRUE(refused.Start("quarryctl.exe", "--charset=utf-8 --find=x", true));
    EXPECT_EQ(refused.Wait(), 4);
    EXPECT_NE(refused.err().find("SetCharSet"), std::string::npos) << refused.err();

    client.Disconnect();
    Program stop;
    ASSERT_TRUE(stop.Start("quarry.exe", "--ddestop"));
    EXPECT_EQ(stop.Wait(), 0);
    EXPECT_EQ(server.Wait(), 0);
}

TEST(Quarryctl, StartsAndStopsAQuarryOfItsOwnWhenNoneWaits) {
    kxtest::ScratchDir dir("e2e-own");
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a.txt", "alpha\r\n"));

    Program without;
    ASSERT_TRUE(without.Start("quarryctl.exe", "--no-start " + JobArguments(dir), true));
    EXPECT_EQ(without.Wait(), 3);  // nothing waits and it was told not to start one

    Program ctl;
    ASSERT_TRUE(ctl.Start("quarryctl.exe", "--no-log " + JobArguments(dir), true));
    int code = ctl.Wait(60000);
    EXPECT_TRUE(code == 0 || code == 1) << code << ctl.err();
    EXPECT_EQ(ctl.out(), CrLf(dir / "a.txt" + "\n"));
    // Its own Quarry is gone again.
    kx::DdeClient client;
    EXPECT_FALSE(client.Connect("Quarry", "Quarry"));
}

}  // namespace
