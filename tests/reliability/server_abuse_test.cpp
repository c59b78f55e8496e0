// The waiting Quarry under load and abuse, as a real process served over DDE: pokes without a NUL,
// of 2 MB (twenty times over) and of 10 MB, unknown and mis-cased items, executes with brackets or garbage, five
// clients at once, clients killed in mid-conversation, 10,000 transactions in a row, and the server
// itself killed while it rewrites a large file. Every bad transaction is refused, every good one
// answered, the server still serves at the end and stops cleanly, and no original is truncated.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "e2e/process_helpers.h"
#include "hostile_inputs.h"
#include "log_texts.h"
#include "tools/dde_client.h"

namespace {

using kx::DdeAnswer;
using kxtest::Program;
const DWORD kTimeout = 15000;

std::atomic<uint32_t> g_served{0};

void Tally() { std::printf("[ served   ] %u transactions\n", g_served.load()); }

bool ConnectSoon(kx::DdeClient& client) {
    for (int i = 0; i < 200; ++i) {
        if (client.Connect("Quarry", "Quarry")) return true;
        Sleep(50);
    }
    return false;
}

// Waits for a condition while dispatching this thread's messages (a DDE connection broadcast of
// another thread or process waits for every window, this thread's DDE windows included).
template <typename Done> bool PumpUntil(Done done, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    while (!done()) {
        if (GetTickCount64() > end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return true;
}

// One waiting server for a test; stopped by a second process at the end.
class Server {
public:
    void Start() {
        ASSERT_TRUE(process_.Start("quarry.exe", "--ddestart"));
        kx::DdeClient probe;
        ASSERT_TRUE(ConnectSoon(probe)) << "no DDE server";
    }
    // A whole small job still runs, and the stop request ends the server with 0.
    void ExpectServingThenStop(const kxtest::ScratchDir& dir) {
        ASSERT_TRUE(kxtest::WriteFileBytes(dir / "final.txt", "old old\r\n"));
        kx::DdeClient client;
        ASSERT_TRUE(ConnectSoon(client));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("Set", "casesense", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetDir", dir.path(), kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetFilePattern", "final.txt", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetCharSet", "autodetect", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetLineBreak", "autodetect", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetFindStr", "old", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetReplaceStr", "new", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Execute("Replace", kTimeout));
        std::string log;
        EXPECT_TRUE(client.Request("Log", &log, kTimeout));
        EXPECT_EQ(kxtest::Replaced(dir / "final.txt", 2), log);
        EXPECT_EQ("new new\r\n", kxtest::ReadFileBytes(dir / "final.txt"));
        g_served += 10;
        client.Disconnect();
        Program stop;
        ASSERT_TRUE(stop.Start("quarry.exe", "--ddestop"));
        EXPECT_EQ(0, stop.Wait());
        EXPECT_EQ(0, process_.Wait());
    }
    Program& process() { return process_; }

private:
    Program process_;
};

// An answer that came back at all, accepted or refused.
bool Answered(DdeAnswer a) { return a != DdeAnswer::kFailed; }

// 2 MB pokes arrive and are taken. 10 MB is more than Wine carries: the client does not send it
// (under Wine it would reach a 32-bit server with the server's DDE state damaged), and the
// conversation goes on.
void LargePokes(kx::DdeClient& client) {
    const std::string two_mb(2000000, 'r');
    EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetReplaceStr", two_mb, kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetDir", two_mb, kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("Set", std::string(1999990, ',') + "word", kTimeout));
    std::string list;
    EXPECT_TRUE(client.Request("FileList", &list, kTimeout));
    EXPECT_EQ("", list);
    g_served += 4;
    EXPECT_EQ(DdeAnswer::kFailed, client.Poke("SetReplaceStr", std::string(10 << 20, 'z'), kTimeout));
    EXPECT_EQ(static_cast<UINT>(DMLERR_INVALIDPARAMETER), client.lastError());
    std::string version;
    EXPECT_TRUE(client.Request("GetHmJreVersion", &version, kTimeout));
    EXPECT_EQ("0.00", version);
    ++g_served;
}

TEST(ServerAbuse, BadPokesExecutesAndRequestsAreRefusedOrBounded) {
    kxtest::ScratchDir dir("abuse");
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a.txt", "x\r\n"));
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "b.dat", "x\r\n"));
    Server server;
    server.Start();
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));

    // Pokes without a NUL are read up to the data's end and no further.
    const std::string dir_text = dir.path();
    EXPECT_EQ(DdeAnswer::kAccepted,
              client.PokeBytes("SetDir", dir_text.data(), static_cast<DWORD>(dir_text.size()), kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.PokeBytes("SetFilePattern", "*.txt", 5, kTimeout));
    std::string list;
    ASSERT_TRUE(client.Request("FileList", &list, kTimeout));
    EXPECT_EQ(dir / "a.txt" + "\n", list);
    EXPECT_EQ(DdeAnswer::kRefused, client.PokeBytes("SetCharSet", "sjisX", 5, kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.PokeBytes("SetCharSet", "sjisX", 4, kTimeout));
    g_served += 6;

    // Garbage without a NUL to every poke item: always an answer.
    kxtest::Random r(0x5EED);
    kxtest::DialogPresser closer(kxtest::kResultCaption, server.process().process_id());
    for (const char* item : {"Set", "SetDir", "SetFilePattern", "SetReplaceStr", "SetFindStr", "SetCharSet",
                             "SetLineBreak", "SetHmJreDLL", "ShowLog"}) {
        for (int k = 0; k < (std::string(item) == "ShowLog" ? 3 : 20); ++k) {
            std::string garbage(1 + r.Below(300), '\0');
            for (char& c : garbage) c = static_cast<char>(r.Byte() | 1);
            EXPECT_TRUE(Answered(client.PokeBytes(item, garbage.data(), static_cast<DWORD>(garbage.size()), kTimeout)))
                << item;
            ++g_served;
        }
    }

    LargePokes(client);
    client.Disconnect();
    ASSERT_TRUE(ConnectSoon(client));
    EXPECT_EQ(DdeAnswer::kAccepted,
              client.PokeBytes("SetDir", dir_text.data(), static_cast<DWORD>(dir_text.size()), kTimeout));
    ++g_served;

    // Unknown items, up to the longest name a DDE string can hold.
    for (const std::string& item : {std::string("Nope"), std::string("SetDirX"), std::string("Set "),
                                    "Set" + std::string(252, 'x'), std::string("SetFindStr\x81")}) {
        EXPECT_EQ(DdeAnswer::kRefused, client.Poke(item.c_str(), "casesense", kTimeout)) << item.size();
        std::string reply;
        EXPECT_FALSE(client.RequestBytes(item.c_str(), &reply, kTimeout)) << item.size();
        g_served += 2;
    }

    // Executes: only the exact name is a command; brackets, blanks, arguments and garbage are not.
    for (const std::string& command : {std::string("[Replace]"), std::string("[Replace()]"), std::string(" Replace"),
                                       std::string("Replace "), std::string("replace"), std::string("Replace(1)"),
                                       std::string("Nope"), std::string(""), std::string(1 << 20, 'R')}) {
        EXPECT_EQ(DdeAnswer::kRefused, client.Execute(command, kTimeout))
            << command.substr(0, 20) << " (" << command.size() << ")";
        ++g_served;
    }
    for (int k = 0; k < 30; ++k) {
        std::string garbage(1 + r.Below(200), '\0');
        for (char& c : garbage) c = static_cast<char>(r.Byte());
        EXPECT_EQ(DdeAnswer::kRefused,
                  client.ExecuteBytes(garbage.data(), static_cast<DWORD>(garbage.size()), kTimeout));
        ++g_served;
    }
    // The name without its NUL is the name: read up to the data's end.
    EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetFilePattern", "*.txt", kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("Set", "casesense", kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetFindStr", "x", kTimeout));
    EXPECT_EQ(DdeAnswer::kAccepted, client.ExecuteBytes("Replace", 7, kTimeout));
    g_served += 4;

    client.Disconnect();
    server.ExpectServingThenStop(dir);
    Tally();
}

// The large pokes and a 1 MB execute, twenty times over one server: the 32-bit server once ended
// in Wine's memory manager or stopped answering here. Every round is answered.
TEST(ServerAbuse, LargePokesTwentyTimesOver) {
    kxtest::ScratchDir dir("abuse-large");
    Server server;
    server.Start();
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        LargePokes(client);
        client.Disconnect();
        ASSERT_TRUE(ConnectSoon(client));
        EXPECT_EQ(DdeAnswer::kRefused, client.Execute(std::string(1 << 20, 'R'), kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, client.Poke("SetDir", dir.path(), kTimeout));
        g_served += 2;
        if (HasFatalFailure() || HasFailure()) break;
    }
    client.Disconnect();
    server.ExpectServingThenStop(dir);
    Tally();
}

// Item names are atoms, compared without regard to case and spelled as a process first met them: the
// mis-cased names are sent by a process of their own that never used the right spelling.
TEST(ServerAbuse, MisCasedItemsAreRefused) {
    kxtest::ScratchDir dir("abuse-case");
    Server server;
    server.Start();
    Program sender;
    ASSERT_TRUE(sender.Start("dde_victim.exe", "miscased"));
    EXPECT_EQ(10, sender.Wait(60000)) << "10 + the number of mis-cased items not refused";
    g_served += 8;
    server.ExpectServingThenStop(dir);
    Tally();
}

TEST(ServerAbuse, FiveClientsAtOnce) {
    kxtest::ScratchDir dir("abuse-five");
    Server server;
    server.Start();
    std::atomic<int> finished{0}, wrong{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 5; ++c) {
        clients.emplace_back([&, c] {
            kx::DdeClient client;
            if (!ConnectSoon(client)) {
                ++wrong;
                ++finished;
                return;
            }
            for (int i = 0; i < 100; ++i) {
                // Answers that no other client's transactions can change.
                if (client.Poke("SetCharSet", c % 2 ? "sjis" : "utf16le", kTimeout) != DdeAnswer::kAccepted) ++wrong;
                if (client.Poke("SetCharSet", "utf-8", kTimeout) != DdeAnswer::kRefused) ++wrong;
                if (client.Execute("[Replace]", kTimeout) != DdeAnswer::kRefused) ++wrong;
                if (client.Poke("NoSuchItem", "x", kTimeout) != DdeAnswer::kRefused) ++wrong;
                if (i % 10 == 0) {
                    std::string version;
                    if (!client.Request("GetHmJreVersion", &version, kTimeout) || version != "0.00") ++wrong;
                    ++g_served;
                }
                g_served += 4;
            }
            ++finished;
        });
    }
    EXPECT_TRUE(PumpUntil([&] { return finished == 5; }, 240000));
    for (std::thread& t : clients) t.join();
    EXPECT_EQ(0, wrong.load());
    server.ExpectServingThenStop(dir);
    Tally();
}

TEST(ServerAbuse, ClientsKilledInMidConversation) {
    kxtest::ScratchDir dir("abuse-killed");
    // A job that keeps the server busy for a while.
    std::string big;
    while (big.size() < (6u << 20)) big += "old line of text old\r\n";
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "big.txt", big));
    Server server;
    server.Start();
    {
        kx::DdeClient setup;
        ASSERT_TRUE(ConnectSoon(setup));
        EXPECT_EQ(DdeAnswer::kAccepted, setup.Poke("Set", "casesense", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, setup.Poke("SetDir", dir.path(), kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, setup.Poke("SetFilePattern", "big.txt", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, setup.Poke("SetFindStr", "old", kTimeout));
        EXPECT_EQ(DdeAnswer::kAccepted, setup.Poke("SetReplaceStr", "new", kTimeout));
        g_served += 5;
    }
    const std::string tag = std::to_string(GetCurrentProcessId());
    for (const char* mode : {"idle", "quit", "busy", "idle"}) {
        SCOPED_TRACE(mode);
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, ("KestrelVictim" + tag).c_str());
        Program victim;
        ASSERT_TRUE(victim.Start("dde_victim.exe", std::string(mode) + " KestrelVictim" + tag));
        if (std::string(mode) == "quit") {
            EXPECT_EQ(7, victim.Wait());
        } else {
            ASSERT_TRUE(PumpUntil([&] { return WaitForSingleObject(ready, 0) == WAIT_OBJECT_0; }, 20000));
            if (std::string(mode) == "busy") Sleep(100);  // the run has begun
            HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, victim.process_id());
            ASSERT_TRUE(process != nullptr);
            TerminateProcess(process, 9);
            CloseHandle(process);
            victim.Wait();
        }
        CloseHandle(ready);
        // Whoever comes next is served.
        kx::DdeClient next;
        ASSERT_TRUE(ConnectSoon(next));
        std::string version;
        EXPECT_TRUE(next.Request("GetHmJreVersion", &version, 120000));
        EXPECT_EQ("0.00", version);
        ++g_served;
    }
    // The run the killed client started went to its end.
    const std::string now = kxtest::ReadFileBytes(dir / "big.txt");
    EXPECT_TRUE(now == big || now.find("old") == std::string::npos);
    server.ExpectServingThenStop(dir);
    Tally();
}

TEST(ServerAbuse, TenThousandTransactionsInARow) {
    kxtest::ScratchDir dir("abuse-many");
    ASSERT_TRUE(kxtest::WriteFileBytes(dir / "a.txt", "x\r\n"));
    Server server;
    server.Start();
    kx::DdeClient client;
    ASSERT_TRUE(ConnectSoon(client));
    ASSERT_EQ(DdeAnswer::kAccepted, client.Poke("SetDir", dir.path(), kTimeout));
    int wrong = 0;
    const int kTransactions = 10000;
    for (int i = 1; i < kTransactions; ++i) {
        bool right = true;
        switch (i % 10) {
            case 0: {
                std::string list;
                // The pattern set nine transactions ago.
                right = client.Request("FileList", &list, kTimeout) &&
                        list == ((i / 10 - 1) % 2 ? dir / "a.txt" + "\n" : "");
                break;
            }
            case 1:
                right =
                    client.Poke("SetFilePattern", (i / 10) % 2 ? "*.txt" : "*.none", kTimeout) == DdeAnswer::kAccepted;
                break;
            case 2:
                right = client.Poke("SetLineBreak", "crlf", kTimeout) == DdeAnswer::kAccepted;
                break;
            case 3:
                right = client.Poke("SetLineBreak", "CRLF ", kTimeout) == DdeAnswer::kRefused;
                break;
            case 4:
                right = client.Execute("Nope", kTimeout) == DdeAnswer::kRefused;
                break;
            case 5:
                right = client.Poke("Set", "casesense,word", kTimeout) == DdeAnswer::kAccepted;
                break;
            case 6:
                right = client.Poke("SetReplaceStr", std::to_string(i), kTimeout) == DdeAnswer::kAccepted;
                break;
            case 7:
                right = client.Poke("Unknown", "x", kTimeout) == DdeAnswer::kRefused;
                break;
            case 8:
                right = client.Poke("SetCharSet", "eucjp", kTimeout) == DdeAnswer::kAccepted;
                break;
            default:
                right = client.Execute("[Replace]", kTimeout) == DdeAnswer::kRefused;
                break;
        }
        if (!right) {
            ++wrong;
            ADD_FAILURE() << "transaction " << i;
            if (wrong > 10) break;
        }
    }
    g_served += kTransactions;
    EXPECT_EQ(0, wrong);
    client.Disconnect();
    server.ExpectServingThenStop(dir);
    Tally();
}

// The temporary file of the run in dir and its size; empty name when there is none.
std::string TemporaryIn(const kxtest::ScratchDir& dir, uint64_t* size) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir / "kxq*.tmp").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return "";
    FindClose(h);
    *size = (static_cast<uint64_t>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    return d.cFileName;
}

void Kill(Program& p) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, p.process_id());
    if (process) {
        TerminateProcess(process, 9);
        CloseHandle(process);
    }
    p.Wait();
}

// The server killed at points of a run over a large file: when its temporary copy appears, a quarter,
// half and nine tenths written, and after fixed delays. The original is always whole: old or new.
TEST(ServerKilled, WhileRewritingALargeFileNoOriginalIsLost) {
    kxtest::ScratchDir dir("killed-server");
    const std::string find = "検索", replace = "置換後";
    std::string old_text, new_text;
    for (int i = 0; old_text.size() < (24u << 20); ++i) {
        const std::string n = std::to_string(i);
        old_text += n + " " + find + " あい text\r\n";
        new_text += n + " " + replace + " あい text\r\n";
    }
    struct Point {
        const char* what;
        double written;  // fraction of the new file written, or < 0 for a delay after the start
        DWORD delay_ms;
    } points[] = {
        {"temporary file appears", 0.0, 0}, {"a quarter written", 0.25, 0},      {"half written", 0.5, 0},
        {"nine tenths written", 0.9, 0},    {"300 ms after the start", -1, 300}, {"900 ms after the start", -1, 900},
        {"2 s after the start", -1, 2000}};
    int kept = 0, replaced = 0, leftovers = 0, moved_aside = 0;
    for (const Point& point : points) {
        SCOPED_TRACE(point.what);
        ASSERT_TRUE(kxtest::WriteFileBytes(dir / "big.txt", old_text));
        Server server;
        server.Start();
        kx::DdeClient client;
        ASSERT_TRUE(ConnectSoon(client));
        ASSERT_EQ(DdeAnswer::kAccepted, client.Poke("Set", "casesense", kTimeout));
        ASSERT_EQ(DdeAnswer::kAccepted, client.Poke("SetDir", dir.path(), kTimeout));
        ASSERT_EQ(DdeAnswer::kAccepted, client.Poke("SetFilePattern", "big.txt", kTimeout));
        ASSERT_EQ(DdeAnswer::kAccepted, client.Poke("SetFindStr", find, kTimeout));
        ASSERT_EQ(DdeAnswer::kAccepted, client.Poke("SetReplaceStr", replace, kTimeout));
        g_served += 5;
        const ULONGLONG started = GetTickCount64();
        client.Execute("Replace", 50);  // not waited for: the run goes on in the server
        if (point.written >= 0) {
            const uint64_t goal = static_cast<uint64_t>(point.written * static_cast<double>(new_text.size()));
            uint64_t size = 0;
            EXPECT_TRUE(PumpUntil([&] { return !TemporaryIn(dir, &size).empty() && size >= goal; }, 60000));
        } else {
            PumpUntil([&] { return GetTickCount64() - started >= point.delay_ms; }, 60000);
        }
        Kill(server.process());
        client.Disconnect();

        const std::string now = kxtest::ReadFileBytes(dir / "big.txt");
        if (now == "<missing>") {
            // Wine's ReplaceFile moves the original aside before it moves the new file in; a kill right
            // between the two leaves the original's name empty (a window Windows does not have). The
            // content must still be whole in the directory, under another name.
            bool whole = false;
            WIN32_FIND_DATAA d;
            HANDLE h = FindFirstFileA((dir / "*").c_str(), &d);
            for (bool more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &d)) {
                if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
                const std::string bytes = kxtest::ReadFileBytes(dir / d.cFileName);
                whole = whole || bytes == old_text || bytes == new_text;
                DeleteFileA((dir / d.cFileName).c_str());
            }
            if (h != INVALID_HANDLE_VALUE) FindClose(h);
            ASSERT_TRUE(whole) << "the original's content is lost";
            ++moved_aside;
            continue;
        }
        ASSERT_TRUE(now == old_text || now == new_text) << "original damaged: " << now.size() << " bytes (old "
                                                        << old_text.size() << ", new " << new_text.size() << ")";
        (now == old_text ? kept : replaced)++;
        uint64_t size = 0;
        for (std::string t; !(t = TemporaryIn(dir, &size)).empty(); ++leftovers) DeleteFileA((dir / t).c_str());
    }
    std::printf(
        "[ killed   ] %d kills: %d originals kept, %d replaced whole, %d temporary files left by the "
        "killed server, %d caught in Wine's move-aside window\n",
        kept + replaced + moved_aside, kept, replaced, leftovers, moved_aside);
    Tally();
}

}  // namespace
