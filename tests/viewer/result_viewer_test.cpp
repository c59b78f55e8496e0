// The result window end to end: "ShowLog" after a real run with replaced, failed and no-hit files,
// run on a thread of its own as the command server's thread would; the test acts as the user from
// outside (clicks, drags, keys, the context menu, the close box) and checks the window's place and
// size, its end values, the red lines on screen, the clipboard and that typing changes nothing.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/job_settings.h"
#include "log_texts.h"
#include "test_support.h"
#include "ui_support.h"
#include "viewer/result_viewer.h"
#include "viewer/window_object.h"

namespace {

const char kTitle[] = "結果";
using kxtest::kFailedWords;
using kxtest::kNoFiles;
using kxtest::kNoHitWords;

// A modal dialog shown on a thread of its own; the test thread plays the user.
class ModalThread {
public:
    explicit ModalThread(std::function<INT_PTR()> body) {
        thread_ = std::thread([this, body] {
            thread_id_ = GetCurrentThreadId();
            result_ = body();
            done_ = true;
        });
        kxtest::WaitFor(
            [&] { return thread_id_ != 0 && (dialog_ = kxtest::FindThreadWindow(thread_id_, "#32770", kTitle)); });
    }
    ~ModalThread() {
        // A dialog still open (or not found in time) is closed before the thread is joined.
        if (!done_) {
            HWND dialog = dialog_ ? dialog_ : kxtest::FindThreadWindow(thread_id_, "#32770", kTitle);
            if (dialog) PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
        thread_.join();
    }
    HWND dialog() const { return dialog_; }
    DWORD thread_id() const { return thread_id_; }
    HWND view() const { return FindWindowExA(dialog_, nullptr, kx::TextView::kClassName, nullptr); }
    kx::TextView* view_object() const {
        return static_cast<kx::TextView*>(static_cast<kx::WindowObject*>(GetPropA(view(), kx::kWindowProp)));
    }
    bool finished(int timeout_ms = 5000) {
        return kxtest::WaitFor([&] { return done_.load(); }, timeout_ms);
    }
    INT_PTR result() const { return result_; }
    std::vector<std::string> lines() const {
        SendMessageA(dialog_, WM_NULL, 0, 0);  // the dialog's thread has handled everything sent before
        std::vector<std::string> out;
        const kx::LineBuffer& b = view_object()->model().buffer();
        for (int32_t k = 0; k < b.line_count(); ++k) out.push_back(b.line(k)->c_str());
        return out;
    }

private:
    std::thread thread_;
    std::atomic<DWORD> thread_id_{0};
    std::atomic<bool> done_{false};
    INT_PTR result_ = -1;
    HWND dialog_ = nullptr;
};

class ResultWindow : public ::testing::Test {
protected:
    ResultWindow() : dir("result") {}
    void SetUp() override {
        ASSERT_EQ(GetACP(), 932u);
        const std::string dll = kxtest::ProgramDir() + "sieve.dll";
        ASSERT_NE(GetFileAttributesA(dll.c_str()), INVALID_FILE_ATTRIBUTES) << dll;
        kx::HmJrePath().assign(dll.c_str());
    }
    void TearDown() override {
        SetFileAttributesA((dir / "c.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
        kx::HmJrePath().assign("");
    }

    // A run over five files: two with replacements, one of them named with the no-hit words (so its
    // line holds them, but not at its end), one that cannot be written (read-only) and two without a hit.
    void Run() {
        const std::string tricky = kNoHitWords + "d.txt";
        kxtest::WriteFileBytes(dir / "a.txt", "old and old\r\n");
        kxtest::WriteFileBytes(dir / "b.txt", "nothing\r\n");
        kxtest::WriteFileBytes(dir / "c.txt", "old\r\n");
        kxtest::WriteFileBytes(dir / tricky, "old\r\n");
        kxtest::WriteFileBytes(dir / "e.txt", "none\r\n");
        SetFileAttributesA((dir / "c.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        job.Set("casesense");
        job.SetDir(dir.path().c_str());
        job.SetFilePattern("*.txt");
        ASSERT_TRUE(job.SetFindStr("old"));
        job.SetReplaceStr("new");
        ASSERT_TRUE(job.Replace());
        ASSERT_NE(std::string(job.replaced_log.c_str()).find(tricky), std::string::npos);
    }
    // Client rectangle of row r of the view, in screen coordinates.
    RECT RowRect(HWND view, const kx::TextView& object, int row) {
        POINT p = object.drawing_point(kx::ViewPos{0, row});
        RECT client;
        GetClientRect(view, &client);
        POINT q = {client.right, p.y + object.line_height()};
        ClientToScreen(view, &p);
        ClientToScreen(view, &q);
        return RECT{p.x - 8, p.y, q.x, q.y};
    }
    void Drag(HWND view, const kx::TextView& object, kx::ViewPos from, kx::ViewPos to) {
        POINT a = object.drawing_point(from), b = object.drawing_point(to);
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a.x + 1, a.y + 3));
        SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(b.x + 1, b.y + 3));
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(b.x + 1, b.y + 3));
    }

    kxtest::ScratchDir dir;
    kx::JobSettings job;
};

TEST_F(ResultWindow, ShowLogPlacesTheWindow) {
    job.notice_log.assign(kNoFiles.c_str());
    const int screen_w = GetSystemMetrics(SM_CXSCREEN), screen_h = GetSystemMetrics(SM_CYSCREEN);
    struct Case {
        const char* placement;
        RECT expect;  // left -1: centred on the screen
    };
    for (const Case& c : std::vector<Case>{{"Center", {-1, 0, 0, 0}},
                                           {"100,50,700,450", {100, 50, 700, 450}},
                                           {"100 50 700 450", {100, 50, 700, 450}},
                                           {"700,50,100,450", {-1, 0, 0, 0}},
                                           {"100,50,700", {-1, 0, 0, 0}}}) {
        bool answer = false;
        ModalThread run([&] { return static_cast<INT_PTR>(answer = job.ShowLog(c.placement)); });
        ASSERT_NE(run.dialog(), nullptr) << c.placement;
        RECT r;
        GetWindowRect(run.dialog(), &r);
        if (c.expect.left < 0) {
            EXPECT_NEAR((r.left + r.right) / 2, screen_w / 2, 1) << c.placement;
            EXPECT_NEAR((r.top + r.bottom) / 2, screen_h / 2, 1) << c.placement;
            EXPECT_GT(r.right - r.left, 200) << c.placement;
        } else {
            EXPECT_EQ(r.left, c.expect.left) << c.placement;
            EXPECT_EQ(r.top, c.expect.top) << c.placement;
            EXPECT_EQ(r.right, c.expect.right) << c.placement;
            EXPECT_EQ(r.bottom, c.expect.bottom) << c.placement;
            // The view and the button are laid out in the client area.
            RECT client, view, ok;
            GetClientRect(run.dialog(), &client);
            GetWindowRect(run.view(), &view);
            GetWindowRect(GetDlgItem(run.dialog(), IDOK), &ok);
            POINT origin = {0, 0};
            ClientToScreen(run.dialog(), &origin);
            EXPECT_EQ(view.left - origin.x, 10);
            EXPECT_EQ(view.top - origin.y, 10);
            EXPECT_EQ(view.right - origin.x, client.right - 10);
            EXPECT_EQ(view.bottom - origin.y, client.bottom - 40);
            EXPECT_EQ(ok.right - ok.left, 80);
            EXPECT_EQ(ok.bottom - ok.top, 30);
            EXPECT_EQ(ok.top - origin.y, client.bottom - 35);
            EXPECT_EQ(ok.left - origin.x, client.right / 2 - 40);
        }
        // Only the no-files message is shown, and it is not one of the red lines.
        EXPECT_EQ(run.lines(), std::vector<std::string>{kNoFiles});
        PostMessageA(run.dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(run.finished());
        EXPECT_TRUE(answer);
    }
}

TEST_F(ResultWindow, EnterAndOkEndWithOneCloseBoxWithZero) {
    auto show = [] {
        kx::ResultViewer viewer;
        viewer.set_text("line\n");
        return viewer.show();
    };
    {
        ModalThread run(show);
        ASSERT_NE(run.dialog(), nullptr);
        PostMessageA(GetDlgItem(run.dialog(), IDOK), WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(run.finished());
        EXPECT_EQ(run.result(), 1);
    }
    {
        ModalThread run(show);
        HWND ok = GetDlgItem(run.dialog(), IDOK);
        PostMessageA(ok, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageA(ok, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
        ASSERT_TRUE(run.finished());
        EXPECT_EQ(run.result(), 1);
    }
    {
        ModalThread run(show);
        // Escape is not handled: the window stays.
        PostMessageA(GetDlgItem(run.dialog(), IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_FALSE(run.finished(300));
        PostMessageA(run.dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_TRUE(run.finished());
        EXPECT_EQ(run.result(), 0);
    }
}

TEST_F(ResultWindow, LogShownWithOnlyFailureAndNoHitLinesInRed) {
    Run();
    const std::string log = std::string(job.replaced_log.c_str()) + job.notice_log.c_str();
    ModalThread run([&] { return static_cast<INT_PTR>(job.ShowLog("40,30,840,430")); });
    ASSERT_NE(run.dialog(), nullptr);
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), 6u);  // five files, then the empty line after the last line break
    std::string joined;
    for (size_t i = 0; i < lines.size(); ++i) joined += lines[i] + (i + 1 < lines.size() ? "\n" : "");
    EXPECT_EQ(joined, log);
    // The caret starts at the top left.
    HWND owner = nullptr;
    RECT caret = kxtest::ThreadCaret(run.thread_id(), &owner);
    EXPECT_EQ(owner, run.view());
    EXPECT_EQ(caret.left, 8);
    EXPECT_EQ(caret.top, 2);

    RedrawWindow(run.dialog(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(200);
    kxtest::Capture shot(run.dialog());
    shot.save_bmp(kxtest::ProgramDir() + "result-window.bmp");
    const kx::TextView& view = *run.view_object();
    const std::string failed = kFailedWords, no_hit = kNoHitWords;
    auto ends_with = [](const std::string& s, const std::string& tail) {
        return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
    };
    int red_lines = 0, red_in_rows = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
        const int red = shot.count(RowRect(run.view(), view, static_cast<int>(i)), kxtest::IsRed);
        red_in_rows += red;
        if (ends_with(lines[i], failed) || ends_with(lines[i], no_hit)) {
            ++red_lines;
            EXPECT_GT(red, 50) << "line " << i << " should be red";
            // The whole line, not only the matched words: the path at its start is red too.
            RECT start = RowRect(run.view(), view, static_cast<int>(i));
            start.left += 8;
            start.right = start.left + 3 * view.char_width();
            EXPECT_GT(shot.count(start, kxtest::IsRed), 5) << "line " << i << " starts red";
        } else {
            EXPECT_EQ(red, 0) << "line " << i << " should not be red";
        }
    }
    EXPECT_EQ(red_lines, 3);  // c.txt failed; b.txt and e.txt had no hit
    RECT whole;
    GetWindowRect(run.dialog(), &whole);
    EXPECT_EQ(shot.count(whole, kxtest::IsRed), red_in_rows) << "red only on those lines";
    // No "[EOF]" and no line-break marks are drawn while nothing is selected.
    EXPECT_EQ(shot.count(whole, [](COLORREF c) { return c == RGB(128, 200, 128) || c == RGB(100, 180, 100); }), 0);
}

TEST_F(ResultWindow, DragAndCopyFromTheMenuAndTypingChangesNothing) {
    Run();
    ModalThread run([&] { return static_cast<INT_PTR>(job.ShowLog("center")); });
    ASSERT_NE(run.dialog(), nullptr);
    const std::vector<std::string> before = run.lines();
    HWND view = run.view();
    const kx::TextView& object = *run.view_object();

    // Typing, Delete, Backspace, Tab and IME input into the read-only view change nothing.
    for (UINT c : {UINT('x'), UINT('\r'), UINT(' ')}) SendMessageA(view, WM_CHAR, c, 1);
    for (UINT vk : {UINT(VK_DELETE), UINT(VK_BACK), UINT(VK_TAB)}) SendMessageA(view, WM_KEYDOWN, vk, 1);
    SendMessageA(view, WM_IME_COMPOSITION, 0, GCS_RESULTSTR);
    EXPECT_EQ(run.lines(), before);

    // Drag from the middle of line 1 to the middle of line 3, then "コピー" from the right-button menu.
    kxtest::SetClipboardText("old");
    Drag(view, object, kx::ViewPos{4, 0}, kx::ViewPos{6, 2});
    EXPECT_TRUE(object.model().selection().has_nonempty_selection());
    POINT p = object.drawing_point(kx::ViewPos{5, 1});
    PostMessageA(view, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
    HWND menu = nullptr;
    ASSERT_TRUE(
        kxtest::WaitFor([&] { return (menu = kxtest::FindThreadWindow(run.thread_id(), "#32768")) != nullptr; }));
    PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(kxtest::WaitFor([] { return kxtest::ClipboardText() != "old"; }));
    const std::string copied = kxtest::ClipboardText();
    const std::string expect = before[0].substr(4) + "\r\n" + before[1] + "\r\n" + before[2].substr(0, 6);
    EXPECT_EQ(copied, expect);
    size_t pairs = 0;
    for (size_t at = copied.find("\r\n"); at != std::string::npos; at = copied.find("\r\n", at + 2)) ++pairs;
    EXPECT_EQ(pairs, 2u);
    SendMessageA(view, WM_NULL, 0, 0);
    EXPECT_FALSE(object.model().selection().has_selection());
    EXPECT_EQ(run.lines(), before);
}

}  // namespace
