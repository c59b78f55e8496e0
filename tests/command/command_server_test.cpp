// Command server: item maps and bindings exercised through real DDE conversations with a server that
// runs on its own thread of the test process; plus the single-instance event.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "command/command_server.h"
#include "command/named_event.h"
#include "tools/dde_client.h"

namespace {

using kx::DdeAnswer;
const DWORD kTimeout = 5000;

// What the handlers saw, shared by every clone of a handler.
struct Journal {
    std::vector<std::string> calls;
    std::vector<int> invoked_ids;
};

// Handler instances are numbered in the order they are made; every live one is counted.
int g_next_id = 0;
int g_live = 0;

struct Counted {
    int id;
    Counted() : id(g_next_id++) { ++g_live; }
    Counted(const Counted&) : id(g_next_id++) { ++g_live; }
    ~Counted() { --g_live; }
};

struct RecordingPoke : kx::PokeHandler, Counted {
    RecordingPoke(Journal* j, const char* tag, bool answer) : journal(j), tag(tag), answer(answer) {}
    bool Invoke(const char* text) override {
        journal->calls.push_back(tag + std::string(":") + text);
        journal->invoked_ids.push_back(id);
        return answer;
    }
    kx::PokeHandler* Clone() const override { return new RecordingPoke(*this); }
    Journal* journal;
    std::string tag;
    bool answer;
};

struct FixedExecute : kx::ExecuteHandler, Counted {
    FixedExecute(Journal* j, bool answer) : journal(j), answer(answer) {}
    bool Invoke() override {
        journal->calls.push_back("execute");
        return answer;
    }
    kx::ExecuteHandler* Clone() const override { return new FixedExecute(*this); }
    Journal* journal;
    bool answer;
};

std::string g_reply;
const char* Reply() { return g_reply.c_str(); }

// A command server serving on its own thread until the object is destroyed.
class ServerThread {
public:
    ServerThread(const std::string& service, const std::string& topic, std::function<void(kx::CommandServer&)> setup)
        : ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        thread_ = std::thread([=] {
            kx::CommandServer server(service.c_str(), topic.c_str());
            setup(server);
            started_ = server.start();
            server_ = &server;
            SetEvent(ready_);
            for (;;) {
                DWORD r = MsgWaitForMultipleObjects(1, &stop_, FALSE, INFINITE, QS_ALLINPUT);
                if (r == WAIT_OBJECT_0) break;
                MSG msg;
                while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            }
            server_ = nullptr;
        });
        WaitForSingleObject(ready_, INFINITE);
    }
    ~ServerThread() {
        SetEvent(stop_);
        thread_.join();
        CloseHandle(ready_);
        CloseHandle(stop_);
    }
    bool started() const { return started_; }
    kx::CommandServer* server() const { return server_; }

private:
    HANDLE ready_;
    HANDLE stop_;
    bool started_ = false;
    kx::CommandServer* server_ = nullptr;
    std::thread thread_;
};

// Service and topic names private to this test process.
std::string Unique(const char* base) { return base + std::to_string(GetCurrentProcessId()); }

class CommandServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_reply = "line one\nline two\n";
        service_ = Unique("KxSvc");
        topic_ = Unique("KxTopic");
        server_.reset(new ServerThread(service_, topic_, [this](kx::CommandServer& s) {
            Register(s);
            stored_ = g_live;
            first_clone_id_ = g_next_id;
        }));
        ASSERT_TRUE(server_->started());
        ASSERT_TRUE(client_.Connect(service_.c_str(), topic_.c_str()));
    }
    // The caller's handlers are gone when this returns; the server holds its clones.
    void Register(kx::CommandServer& s) {
        RecordingPoke first(&journal_, "first", true), second(&journal_, "echo", true);
        RecordingPoke refuse(&journal_, "refuse", false), mixed(&journal_, "CaseItem", true);
        s.addPoke("Echo", &first);
        s.addPoke("Echo", &second);  // replaces the first
        s.addPoke("Refuse", &refuse);
        s.addPoke("CaseItem", &mixed);
        s.addPoke("Cleared", &first);
        s.addPoke("Cleared", nullptr);
        FixedExecute ok(&journal_, true), failing(&journal_, false);
        s.addExecute("Replace", &ok);
        s.addExecute("Fail", &failing);
        kx::RequestFunction log(&Reply);
        s.addRequest("Log", &log);
    }
    void TearDown() override {
        client_.Disconnect();
        server_.reset();
        EXPECT_EQ(g_live, 0);  // the server deleted every handler it held
    }

    Journal journal_;
    std::string service_, topic_;
    std::unique_ptr<ServerThread> server_;
    kx::DdeClient client_;
    int stored_ = 0;
    int first_clone_id_ = 0;
};

TEST_F(CommandServerTest, PokesReachTheLastRegisteredHandlerThroughAClone) {
    EXPECT_EQ(stored_, 5);  // one handler per poke and execute item; the cleared entry holds none
    EXPECT_EQ(client_.Poke("Echo", "hello", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client_.Poke("Refuse", "x", kTimeout), DdeAnswer::kRefused);
    EXPECT_NE(client_.Poke("Cleared", "x", kTimeout), DdeAnswer::kAccepted);
    EXPECT_NE(client_.Poke("Unknown", "x", kTimeout), DdeAnswer::kAccepted);
    ASSERT_EQ(journal_.calls.size(), 2u);
    EXPECT_EQ(journal_.calls[0], "echo:hello");
    EXPECT_EQ(journal_.calls[1], "refuse:x");
    // Every call went to a clone made for it (numbered after the stored handlers), deleted after.
    for (int id : journal_.invoked_ids) EXPECT_GE(id, first_clone_id_);
    EXPECT_EQ(g_live, stored_);
}

TEST_F(CommandServerTest, ItemNamesAreCaseSensitive) {
    // Only the mis-cased spelling is ever sent from this process, so no atom carries the other one.
    EXPECT_NE(client_.Poke("caseitem", "x", kTimeout), DdeAnswer::kAccepted);
    EXPECT_TRUE(journal_.calls.empty());
}

TEST_F(CommandServerTest, PokedDataAreReadWithinTheirSize) {
    EXPECT_EQ(client_.PokeBytes("Echo", "abc", 3, kTimeout), DdeAnswer::kAccepted);       // no NUL at all
    EXPECT_EQ(client_.PokeBytes("Echo", "ab\0cd", 5, kTimeout), DdeAnswer::kAccepted);    // NUL inside
    EXPECT_EQ(client_.PokeBytes("Echo", "\x83\x5C", 2, kTimeout), DdeAnswer::kAccepted);  // trail byte 0x5C kept
    std::string big(1500000, 'q');
    EXPECT_EQ(client_.Poke("Echo", big, 20000), DdeAnswer::kAccepted);
    ASSERT_EQ(journal_.calls.size(), 4u);
    EXPECT_EQ(journal_.calls[0], "echo:abc");
    EXPECT_EQ(journal_.calls[1], "echo:ab");
    EXPECT_EQ(journal_.calls[2], "echo:\x83\x5C");
    EXPECT_EQ(journal_.calls[3], "echo:" + big);
}

TEST_F(CommandServerTest, ExecuteTakesTheWholeCommandTextAsTheItemName) {
    EXPECT_EQ(client_.Execute("Replace", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client_.Execute("Fail", kTimeout), DdeAnswer::kRefused);
    EXPECT_NE(client_.Execute("[Replace]", kTimeout), DdeAnswer::kAccepted);
    EXPECT_NE(client_.Execute("Replace ", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client_.ExecuteBytes("Replace", 7, kTimeout), DdeAnswer::kAccepted);         // without NUL
    EXPECT_EQ(client_.ExecuteBytes("Replace\0junk", 12, kTimeout), DdeAnswer::kAccepted);  // up to the NUL
    EXPECT_EQ(journal_.calls.size(), 4u);
}

TEST_F(CommandServerTest, RequestsAnswerTheTextWithOneNulAsText) {
    std::string reply;
    ASSERT_TRUE(client_.RequestBytes("Log", &reply, kTimeout));
    EXPECT_EQ(reply, std::string("line one\nline two\n", 19));
    g_reply.clear();
    ASSERT_TRUE(client_.RequestBytes("Log", &reply, kTimeout));
    EXPECT_EQ(reply, std::string(1, '\0'));
    EXPECT_FALSE(client_.RequestBytes("Nothing", &reply, kTimeout));
    // The conversation stays usable after a refused request.
    EXPECT_EQ(client_.Poke("Echo", "after", kTimeout), DdeAnswer::kAccepted);
}

TEST_F(CommandServerTest, UnicodePokesAreTakenExactlyOrRefusedAndOtherFormatsRefused) {
    // Beside ANSI: an ASCII value, and kanji with a trail byte 0x5C in the code page (表 is 95 5C).
    EXPECT_EQ(client_.PokeUnicode("Echo", L"abc", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client_.PokeUnicode("Echo", L"\u8868\u793A x", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client_.PokeUnicode("Echo", L"", kTimeout), DdeAnswer::kAccepted);
    EXPECT_EQ(client_.Poke("Echo", "abc", kTimeout), DdeAnswer::kAccepted);
    // A character the code page lacks (the em dash, which best fit would make a dash or '?'), a
    // lone surrogate, and half a unit with no NUL before it: refused, never passed on.
    EXPECT_EQ(client_.PokeUnicode("Echo", L"a\u2014b", kTimeout), DdeAnswer::kRefused);
    EXPECT_EQ(client_.PokeUnicode("Echo", L"\xD800", kTimeout), DdeAnswer::kRefused);
    EXPECT_EQ(client_.PokeBytes("Echo", "a\0b", 3, kTimeout, CF_UNICODETEXT), DdeAnswer::kRefused);
    // Up to the first NUL unit; a trailing half unit after it does not matter.
    EXPECT_EQ(client_.PokeBytes("Echo", "a\0\0\0b\0z", 7, kTimeout, CF_UNICODETEXT), DdeAnswer::kAccepted);
    // Any other format: refused, the handler not called.
    EXPECT_EQ(client_.PokeBytes("Echo", "abc", 4, kTimeout, CF_OEMTEXT), DdeAnswer::kRefused);
    EXPECT_EQ(client_.PokeBytes("Echo", "abc", 4, kTimeout, RegisterClipboardFormatA("Rich Text Format")),
              DdeAnswer::kRefused);
    ASSERT_EQ(journal_.calls.size(), 5u);
    EXPECT_EQ(journal_.calls[0], "echo:abc");
    EXPECT_EQ(journal_.calls[1], "echo:\x95\x5C\x8E\xA6 x");
    EXPECT_EQ(journal_.calls[2], "echo:");
    EXPECT_EQ(journal_.calls[3], "echo:abc");
    EXPECT_EQ(journal_.calls[4], "echo:a");
}

TEST_F(CommandServerTest, RequestsAnswerInUnicodeWhenAskedAndAsTextOtherwise) {
    g_reply = "\x95\x5C\n\x82\xA0";  // 表, LF, あ
    std::wstring wide;
    ASSERT_TRUE(client_.RequestUnicode("Log", &wide, kTimeout));
    EXPECT_EQ(wide, L"\u8868\n\u3042");
    std::string bytes;
    ASSERT_TRUE(client_.RequestBytes("Log", &bytes, kTimeout, CF_UNICODETEXT));
    EXPECT_EQ(bytes, std::string("\x68\x88\n\0\x42\x30\0\0", 8)) << "UTF-16 with one NUL unit";
    ASSERT_TRUE(client_.RequestBytes("Log", &bytes, kTimeout));
    EXPECT_EQ(bytes, g_reply + '\0');
    g_reply.clear();
    ASSERT_TRUE(client_.RequestBytes("Log", &bytes, kTimeout, CF_UNICODETEXT));
    EXPECT_EQ(bytes, std::string(2, '\0'));
}

TEST_F(CommandServerTest, OneAdviseLoopAtATime) {
    EXPECT_TRUE(client_.Advise("Log", true, kTimeout));
    EXPECT_TRUE(server_->server()->adviseActive());
    EXPECT_FALSE(client_.Advise("Log", true, kTimeout));
    EXPECT_TRUE(client_.Advise("Log", false, kTimeout));
    EXPECT_TRUE(client_.Advise("Log", true, kTimeout));
    client_.Disconnect();
    Sleep(100);
    EXPECT_FALSE(server_->server()->adviseActive());
    EXPECT_FALSE(server_->server()->connected());
}

TEST_F(CommandServerTest, WrongTopicOrServiceIsRefused) {
    kx::DdeClient other;
    EXPECT_FALSE(other.Connect(service_.c_str(), "Other"));
    EXPECT_FALSE(other.Connect("NoSuchKestrelService", topic_.c_str()));
    EXPECT_TRUE(other.Connect(service_.c_str(), topic_.c_str()));
}

TEST(CommandServer, TransactionsOutsideAConfirmedConversationAreAnsweredWithNothing) {
    HCONV stranger = reinterpret_cast<HCONV>(static_cast<ULONG_PTR>(0x5a5a));
    for (UINT type : {XTYP_POKE, XTYP_EXECUTE, XTYP_REQUEST, XTYP_ADVSTART, XTYP_DISCONNECT, XTYP_WILDCONNECT})
        EXPECT_EQ(kx::CommandServer::Callback(type, CF_TEXT, stranger, nullptr, nullptr, nullptr, 0, 0), nullptr);
}

TEST(CommandServer, StartNeedsNamesAndTheServiceCanStartAgainAfterStop) {
    kx::CommandServer nameless("", "topic");
    EXPECT_FALSE(nameless.start());
    EXPECT_TRUE(nameless.stop());

    std::string service = Unique("KxRestart"), topic = Unique("KxT");
    kx::CommandServer server(service.c_str(), topic.c_str());
    // Served by this thread: the client's transactions pump our messages while they wait.
    ASSERT_TRUE(server.start());
    EXPECT_NE(server.instance(), 0u);
    EXPECT_TRUE(server.stop());
    EXPECT_EQ(server.instance(), 0u);
    kx::DdeClient client;
    EXPECT_FALSE(client.Connect(service.c_str(), topic.c_str()));
    ASSERT_TRUE(server.start());
    EXPECT_TRUE(client.Connect(service.c_str(), topic.c_str()));
    EXPECT_TRUE(server.connected());
}

TEST(NamedEvent, OneCreatorSignalByNameAndWaitResults) {
    std::string name = Unique("KestrelTestEvent");
    kx::NamedEvent waiting(name.c_str()), second(name.c_str()), stopper(name.c_str());
    EXPECT_FALSE(stopper.signal());  // nobody waits yet
    ASSERT_TRUE(waiting.create());
    EXPECT_FALSE(waiting.create());  // holds one already
    EXPECT_FALSE(second.create());   // exists in the system
    EXPECT_EQ(second.handle(), nullptr);

    EXPECT_EQ(waiting.wait(0), 2);  // time-out
    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(waiting.wait(5), 0);  // input
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_TRUE(stopper.signal());
    EXPECT_EQ(waiting.wait(5), 1);
    EXPECT_EQ(waiting.wait(5), 1);  // manual reset: stays signalled
}

}  // namespace
