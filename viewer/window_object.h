// Binding of windows and dialogs to objects whose virtual handlers receive their messages: the object
// is found through the window property "KESTREL_WINDOW_PROP"; plus the wrapper a bound custom window uses.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "text/kxstring.h"

namespace kx {

// Name of the window property whose value is the object bound to a window or dialog.
extern const char kWindowProp[];

// The module every window and dialog of the program is created from. WinMain stores the instance
// it receives; until then it is the module of the running program.
HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

// Scroll delta of a scroll-bar request (low word of wParam) against the bar's state.
int ScrollDelta(int request, const SCROLLINFO& info);

// One scroll bar of a window: its SCROLLINFO as last set, every change made with SetScrollInfo
// (redraw on) and read back, so the stored position is the one the system clamped.
class ScrollBar {
public:
    ScrollBar(HWND hwnd, int bar);
    int bar() const { return bar_; }
    const SCROLLINFO& info() const { return info_; }
    void SetRange(int minimum, int maximum);
    void SetPage(UINT page);
    void SetPos(int pos);
    // Reads the bar's current state (range, page, position, tracking position) from the window.
    const SCROLLINFO& Refresh();

private:
    void Apply(UINT mask);
    HWND hwnd_;
    int bar_;
    SCROLLINFO info_;
};

// A menu described as data; built into a popup menu only while it is shown.
class MenuModel {
public:
    struct Item {
        UINT command;  // 0: a separator
        kxlib::string text;
        std::unique_ptr<MenuModel> submenu;  // null for a plain item
    };

    // Adds an item; refused (false) when a non-zero command is there already.
    bool Add(UINT command, const char* text, std::unique_ptr<MenuModel> submenu = nullptr);
    void Clear() { items_.clear(); }
    const std::vector<Item>& items() const { return items_; }
    bool empty() const { return items_.empty(); }

    // Builds the popup menu (submenus included); the caller owns the handle. Null on failure.
    HMENU Build() const;
    // Shows the menu at a client point of owner and returns the chosen command (0: none).
    UINT Track(HWND owner, POINT client_point) const;

private:
    std::vector<Item> items_;
};

// The input context of a window, held for the lifetime of this object.
class ImeContext {
public:
    explicit ImeContext(HWND hwnd);
    ~ImeContext();
    ImeContext(const ImeContext&) = delete;
    ImeContext& operator=(const ImeContext&) = delete;
    HIMC get() const { return himc_; }
    explicit operator bool() const { return himc_ != nullptr; }

private:
    HWND hwnd_;
    HIMC himc_;
};

// The caret of a window; a thread has at most one.
class Caret {
public:
    explicit Caret(HWND hwnd) : hwnd_(hwnd) {}
    ~Caret() { Destroy(); }
    Caret(const Caret&) = delete;
    Caret& operator=(const Caret&) = delete;
    bool exists() const { return exists_; }
    bool Create(int width, int height);
    void Destroy();
    void Hide();
    void Show();
    void SetPos(int x, int y);

private:
    HWND hwnd_;
    bool exists_ = false;
};

// Attributes used by painting: font and colours, pen and brush.
struct DrawingAttributes {
    kxlib::string font_face;
    int font_height = 0;
    COLORREF text_color = RGB(0, 0, 0);
    COLORREF back_color = RGB(255, 255, 255);
    COLORREF pen_color = RGB(0, 0, 0);
    int pen_width = 1;
    int pen_style = PS_SOLID;
    COLORREF brush_color = RGB(255, 255, 255);
};

// Wrapper of a bound custom window (owned by its WindowObject), or a temporary one of another
// window handed to a handler. It does not own the window.
class Window {
public:
    explicit Window(HWND hwnd);
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const { return hwnd_; }
    // The metrics of the window's device context when the wrapper was created.
    const TEXTMETRICA& metrics() const { return metrics_; }
    ImeContext ime() const { return ImeContext(hwnd_); }

    DrawingAttributes drawing;
    Caret caret;
    ScrollBar vertical;
    ScrollBar horizontal;
    MenuModel context_menu;

private:
    HWND hwnd_;
    TEXTMETRICA metrics_;
};

// The object behind a custom window. The window is created by the subclass with a class whose
// procedure is WindowObject::WindowProc and with the object as the creation parameter.
// Each handler answers handled (true) or not handled (false); not handled lets the default run.
class WindowObject {
public:
    WindowObject(HINSTANCE instance, const char* class_name, DWORD style);
    virtual ~WindowObject();
    WindowObject(const WindowObject&) = delete;
    WindowObject& operator=(const WindowObject&) = delete;

    virtual bool OnCreate() { return false; }
    virtual bool OnDestroy() { return true; }
    virtual bool OnClose() { return false; }
    virtual bool OnPaint() { return false; }
    virtual bool OnSize(WPARAM /*type*/, int /*width*/, int /*height*/) { return false; }
    virtual bool OnSetFocus(Window& /*losing*/) { return false; }
    virtual bool OnKillFocus(Window& /*receiving*/) { return false; }
    virtual bool OnMouseMove(POINT /*point*/, WPARAM /*keys*/) { return false; }
    virtual bool OnLeftButtonDown(POINT /*point*/, bool /*double_click*/) { return false; }
    virtual bool OnLeftButtonUp(POINT /*point*/) { return false; }
    virtual bool OnRightButtonDown(POINT /*point*/, bool /*double_click*/) { return false; }
    virtual bool OnRightButtonUp(POINT /*point*/) { return false; }
    virtual bool OnMiddleButtonDown(POINT /*point*/, bool /*double_click*/) { return false; }
    virtual bool OnMiddleButtonUp(POINT /*point*/) { return false; }
    virtual bool OnMouseWheel(POINT /*point*/, int /*notches*/) { return false; }
    virtual bool OnKey(bool /*down*/, UINT /*virtual_key*/, int /*repeat*/) { return false; }
    virtual bool OnChar(UINT /*code*/, int /*repeat*/) { return false; }
    virtual bool OnImeResult() { return false; }
    virtual bool OnHorizontalScroll(int /*delta*/) { return false; }
    virtual bool OnVerticalScroll(int /*delta*/) { return false; }
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    virtual bool OnDropFiles(const std::vector<kxlib::string>& /*names*/) { return false; }
    // Runs first for every message of a bound window; when it answers handled, *result is returned.
    virtual bool PreFilter(UINT /*message*/, WPARAM, LPARAM, LRESULT* /*result*/) { return false; }

    // The wrapper while bound (from WM_CREATE to WM_DESTROY), else null.
    Window* window() const { return window_.get(); }
    HWND hwnd() const { return window_ ? window_->hwnd() : nullptr; }
    HINSTANCE instance() const { return instance_; }
    const kxlib::string& class_name() const { return class_name_; }
    DWORD style() const { return style_; }

    bool quit_on_destroy = false;

    // The procedure to register with the window class.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    LRESULT Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

    std::unique_ptr<Window> window_;
    HINSTANCE instance_;
    kxlib::string class_name_;
    DWORD style_;
};

// The object behind a dialog, modal (ShowModal) or modeless (CreateModeless).
class DialogObject {
public:
    explicit DialogObject(HINSTANCE instance = ModuleInstance());
    virtual ~DialogObject();
    DialogObject(const DialogObject&) = delete;
    DialogObject& operator=(const DialogObject&) = delete;

    virtual bool OnInitDialog() { return false; }
    // Default: ends a modal dialog with 0; answers not handled.
    virtual bool OnClose();
    virtual bool OnDestroy() { return false; }
    virtual bool OnCommand(int /*id*/, int /*code*/) { return false; }
    // Every other message; the value is what the dialog procedure returns.
    virtual INT_PTR OnMessage(UINT /*message*/, WPARAM, LPARAM) { return 0; }
    // Modal dialogs only: runs first; when it answers handled, *result is returned.
    virtual bool PreFilter(UINT /*message*/, WPARAM, LPARAM, INT_PTR* /*result*/) { return false; }

    // Runs the dialog modally from a template; returns the EndDialog value, or -1 when the
    // dialog cannot be made or the object is bound already.
    INT_PTR ShowModal(int template_id, HWND owner = nullptr);
    // Creates the dialog modeless from a template; null when it fails or the object is bound already.
    HWND CreateModeless(int template_id, HWND owner = nullptr);

    // The dialog's handle while bound (from WM_INITDIALOG to WM_DESTROY), else null.
    HWND hwnd() const { return hwnd_; }
    HINSTANCE instance() const { return instance_; }

    bool quit_on_destroy = false;

    static INT_PTR CALLBACK ModalProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
    static INT_PTR CALLBACK ModelessProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

private:
    static INT_PTR Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool modal);

    HWND hwnd_ = nullptr;
    HINSTANCE instance_;
};

}  // namespace kx
