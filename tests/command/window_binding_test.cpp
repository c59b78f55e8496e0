// Window and dialog binding: messages reach the bound object's handlers, handled/not handled decides
// the default processing, and binding ends at WM_DESTROY.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "command/resource_ids.h"
#include "viewer/window_object.h"

namespace {

const char kClass[] = "KestrelBindingTestWnd";

struct Recorder : kx::WindowObject {
    Recorder() : kx::WindowObject(kx::ModuleInstance(), kClass, WS_OVERLAPPEDWINDOW) {}
    bool destroy_handled = true;
    std::vector<std::string> calls;
    POINT last_point = {};
    int last_int = 0;
    bool OnCreate() override {
        calls.push_back("create");
        return true;
    }
    bool OnDestroy() override {
        calls.push_back("destroy");
        return destroy_handled;
    }
    bool OnSize(WPARAM, int w, int h) override {
        calls.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
        return true;
    }
    bool OnMouseMove(POINT p, WPARAM) override {
        last_point = p;
        return true;
    }
    bool OnMouseWheel(POINT, int notches) override {
        last_int = notches;
        return true;
    }
    bool OnVerticalScroll(int delta) override {
        last_int = delta;
        return true;
    }
    bool OnKey(bool down, UINT key, int repeat) override {
        calls.push_back(std::string(down ? "down " : "up ") + std::to_string(key) + "*" + std::to_string(repeat));
        return true;
    }
    bool PreFilter(UINT message, WPARAM, LPARAM, LRESULT* result) override {
        if (message != WM_USER + 7) return false;
        *result = 4242;
        return true;
    }
};

class WindowBinding : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = kx::WindowObject::WindowProc;
        wc.hInstance = kx::ModuleInstance();
        wc.lpszClassName = kClass;
        wc.style = CS_DBLCLKS;
        RegisterClassExA(&wc);
    }
    HWND Create(Recorder& r) {
        return CreateWindowExA(0, kClass, "", r.style(), 0, 0, 200, 100, nullptr, nullptr, r.instance(), &r);
    }
};

TEST_F(WindowBinding, CreateBindsAndHandlersReceiveDecodedArguments) {
    Recorder r;
    HWND h = Create(r);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(r.hwnd(), h);
    EXPECT_EQ(GetPropA(h, kx::kWindowProp), static_cast<kx::WindowObject*>(&r));
    ASSERT_FALSE(r.calls.empty());
    EXPECT_EQ(r.calls.front(), "create");

    // Client coordinates left of and above the window are negative: signed words.
    SendMessageA(h, WM_MOUSEMOVE, 0, MAKELPARAM(-5, -7));
    EXPECT_EQ(r.last_point.x, -5);
    EXPECT_EQ(r.last_point.y, -7);
    SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, -240), 0);
    EXPECT_EQ(r.last_int, -2);
    SendMessageA(h, WM_MOUSEWHEEL, MAKEWPARAM(0, 170), 0);  // part of a notch is dropped
    EXPECT_EQ(r.last_int, 1);
    r.calls.clear();
    SendMessageA(h, WM_KEYUP, VK_LEFT, 3);
    SendMessageA(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 20));
    ASSERT_EQ(r.calls.size(), 2u);
    EXPECT_EQ(r.calls[0], "up 37*3");
    EXPECT_EQ(r.calls[1], "size 300x20");
    EXPECT_EQ(SendMessageA(h, WM_USER + 7, 0, 0), 4242);

    DestroyWindow(h);
    EXPECT_EQ(r.window(), nullptr);
    EXPECT_EQ(r.calls.back(), "destroy");
}

TEST_F(WindowBinding, ScrollMessagesArriveAsDeltasOfTheBar) {
    Recorder r;
    HWND h = CreateWindowExA(0, kClass, "", WS_OVERLAPPEDWINDOW | WS_VSCROLL, 0, 0, 200, 100, nullptr, nullptr,
                             r.instance(), &r);
    ASSERT_NE(h, nullptr);
    r.window()->vertical.SetRange(0, 100);
    r.window()->vertical.SetPage(10);
    r.window()->vertical.SetPos(30);
    EXPECT_EQ(r.window()->vertical.info().nPos, 30);
    SendMessageA(h, WM_VSCROLL, SB_PAGEUP, 0);
    EXPECT_EQ(r.last_int, -10);
    SendMessageA(h, WM_VSCROLL, SB_BOTTOM, 0);
    EXPECT_EQ(r.last_int, 70);
    SendMessageA(h, WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(r.last_int, -30);
    SendMessageA(h, WM_VSCROLL, SB_ENDSCROLL, 0);
    EXPECT_EQ(r.last_int, 0);
    // The system clamps a position beyond the range; the bar reports the clamped one.
    r.window()->vertical.SetPos(500);
    EXPECT_EQ(r.window()->vertical.info().nPos, 91);
    DestroyWindow(h);
}

TEST_F(WindowBinding, NotHandledDestroyKeepsTheBindingAndQuitFollowsHandledDestroy) {
    Recorder kept;
    kept.destroy_handled = false;
    HWND h = Create(kept);
    ASSERT_NE(h, nullptr);
    DestroyWindow(h);
    EXPECT_NE(kept.window(), nullptr);

    Recorder quitting;
    quitting.quit_on_destroy = true;
    h = Create(quitting);
    ASSERT_NE(h, nullptr);
    DestroyWindow(h);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
    // Unbound, the object can serve a new window.
    h = Create(quitting);
    EXPECT_EQ(quitting.hwnd(), h);
    quitting.quit_on_destroy = false;
    DestroyWindow(h);
}

TEST(WindowBindingLifetime, ObjectDestroyedBeforeItsWindowReleasesTheWindow) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = kx::WindowObject::WindowProc;
    wc.hInstance = kx::ModuleInstance();
    wc.lpszClassName = "KestrelBindingLifetimeWnd";
    RegisterClassExA(&wc);
    HWND h;
    {
        Recorder r;
        h = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr, r.instance(),
                            &r);
        ASSERT_NE(h, nullptr);
    }
    EXPECT_EQ(GetPropA(h, kx::kWindowProp), nullptr);
    SendMessageA(h, WM_SIZE, 0, 0);  // must not reach the dead object
    DestroyWindow(h);
}

TEST(MenuModel, RefusesRepeatedCommandsAndBuildsSeparatorsAndSubmenus) {
    kx::MenuModel m;
    EXPECT_TRUE(m.Add(1, "コピー"));
    EXPECT_FALSE(m.Add(1, "again"));
    EXPECT_TRUE(m.Add(0, ""));
    EXPECT_TRUE(m.Add(0, ""));  // separators may repeat
    std::unique_ptr<kx::MenuModel> sub(new kx::MenuModel);
    sub->Add(7, "seven");
    EXPECT_TRUE(m.Add(2, "more", std::move(sub)));
    HMENU menu = m.Build();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(GetMenuItemID(menu, 0), 1u);
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(menu, 1, TRUE, &mii);
    EXPECT_TRUE(mii.fType & MFT_SEPARATOR);
    HMENU child = GetSubMenu(menu, 3);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(GetMenuItemID(child, 0), 7u);
    DestroyMenu(menu);
}

// ---- dialogs (template IDD_WAITING: OK = 1, Cancel = 2) ----

struct TestDialog : kx::DialogObject {
    std::vector<std::string> calls;
    bool init_posts = false;
    bool filter_cancel = false;
    bool OnInitDialog() override {
        calls.push_back("init");
        if (init_posts) PostMessageA(hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return true;
    }
    bool OnCommand(int id, int code) override {
        calls.push_back("command " + std::to_string(id) + "/" + std::to_string(code));
        if (id == IDOK) EndDialog(hwnd(), 17);
        return true;
    }
    bool OnDestroy() override {
        calls.push_back("destroy");
        return false;
    }
    bool PreFilter(UINT message, WPARAM wparam, LPARAM, INT_PTR* result) override {
        if (!filter_cancel || message != WM_COMMAND || LOWORD(wparam) != IDCANCEL) return false;
        calls.push_back("filtered");
        *result = TRUE;
        return true;
    }
};

TEST(DialogBinding, ModalDialogReturnsTheEndDialogValueAndUnbinds) {
    TestDialog d;
    d.init_posts = true;
    EXPECT_EQ(d.ShowModal(IDD_WAITING), 17);
    EXPECT_EQ(d.hwnd(), nullptr);
    ASSERT_EQ(d.calls.size(), 3u);
    EXPECT_EQ(d.calls[0], "init");
    EXPECT_EQ(d.calls[1], "command 1/0");
    EXPECT_EQ(d.calls[2], "destroy");
}

struct ClosingDialog : TestDialog {
    bool OnInitDialog() override {
        if (filter_cancel) PostMessageA(hwnd(), WM_COMMAND, IDCANCEL, 0);
        PostMessageA(hwnd(), WM_CLOSE, 0, 0);
        return true;
    }
};

TEST(DialogBinding, CloseBoxEndsAModalDialogWithZeroAfterThePreFilter) {
    ClosingDialog d;
    d.filter_cancel = true;
    EXPECT_EQ(d.ShowModal(IDD_WAITING), 0);
    ASSERT_FALSE(d.calls.empty());
    EXPECT_EQ(d.calls[0], "filtered");  // the filter took IDCANCEL before the command handler
}

TEST(DialogBinding, ModelessDialogBindsOnceAndQuitsTheLoopWhenDestroyed) {
    TestDialog d;
    d.quit_on_destroy = true;
    HWND h = d.CreateModeless(IDD_WAITING);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(d.hwnd(), h);
    EXPECT_FALSE(IsWindowVisible(h));
    char caption[32] = {};
    GetWindowTextA(h, caption, sizeof caption);
    EXPECT_STREQ(caption, "Dialog");
    char cancel[32] = {};
    GetDlgItemTextA(h, IDCANCEL, cancel, sizeof cancel);
    if (GetACP() == 932) {
        EXPECT_STREQ(cancel, "キャンセル");
    }

    EXPECT_EQ(d.CreateModeless(IDD_WAITING), nullptr);  // already bound: no second dialog
    // The modeless procedure has no pre-filter.
    d.filter_cancel = true;
    SendMessageA(h, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(d.calls.back(), "command 2/0");

    PostMessageA(h, WM_USER, 0, 0);
    DestroyWindow(h);
    EXPECT_EQ(d.hwnd(), nullptr);
    MSG msg;
    int got = 0;
    while ((got = GetMessageA(&msg, nullptr, 0, 0)) > 0) DispatchMessageA(&msg);
    EXPECT_EQ(got, 0);
    EXPECT_EQ(msg.wParam, 0u);
}

}  // namespace
