// Window and dialog binding: the custom window procedure, the two dialog procedures and the window
// wrapper with its scroll bars, caret, input context and context-menu model.
#include "viewer/window_object.h"

#include <imm.h>
#include <shellapi.h>
#include <windowsx.h>

#include <new>

namespace kx {

const char kWindowProp[] = "KESTREL_WINDOW_PROP";

namespace {

HINSTANCE g_instance = nullptr;

// The object bound to a window, or null.
template <typename T> T* BoundObject(HWND hwnd) { return static_cast<T*>(GetPropA(hwnd, kWindowProp)); }

POINT PointFrom(LPARAM lparam) {
    POINT p = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
    return p;
}

}  // namespace

HINSTANCE ModuleInstance() { return g_instance ? g_instance : GetModuleHandleA(nullptr); }

void SetModuleInstance(HINSTANCE instance) { g_instance = instance; }

int ScrollDelta(int request, const SCROLLINFO& info) {
    switch (request) {
        case SB_LINEUP:
            return -1;
        case SB_LINEDOWN:
            return 1;
        case SB_PAGEUP:
            return -static_cast<int>(info.nPage);
        case SB_PAGEDOWN:
            return static_cast<int>(info.nPage);
        case SB_THUMBTRACK:
            return info.nTrackPos - info.nPos;
        case SB_TOP:
            return info.nMin - info.nPos;
        case SB_BOTTOM:
            return info.nMax - info.nPos;
        default:
            return 0;
    }
}

// ---- ScrollBar ----

ScrollBar::ScrollBar(HWND hwnd, int bar) : hwnd_(hwnd), bar_(bar), info_() { info_.cbSize = sizeof info_; }

void ScrollBar::Apply(UINT mask) {
    info_.fMask = mask;
    SetScrollInfo(hwnd_, bar_, &info_, TRUE);
    Refresh();
}

void ScrollBar::SetRange(int minimum, int maximum) {
    info_.nMin = minimum;
    info_.nMax = maximum;
    Apply(SIF_RANGE);
}

void ScrollBar::SetPage(UINT page) {
    info_.nPage = page;
    Apply(SIF_PAGE);
}

void ScrollBar::SetPos(int pos) {
    info_.nPos = pos;
    Apply(SIF_POS);
}

const SCROLLINFO& ScrollBar::Refresh() {
    SCROLLINFO read = {};
    read.cbSize = sizeof read;
    read.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
    if (GetScrollInfo(hwnd_, bar_, &read)) info_ = read;
    return info_;
}

// ---- MenuModel ----

bool MenuModel::Add(UINT command, const char* text, std::unique_ptr<MenuModel> submenu) {
    if (command != 0) {
        for (const Item& item : items_)
            if (item.command == command) return false;
    }
    items_.push_back(Item{command, kxlib::string(text ? text : ""), std::move(submenu)});
    return true;
}

HMENU MenuModel::Build() const {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    UINT position = 0;
    for (const Item& item : items_) {
        MENUITEMINFOA mii = {};
        mii.cbSize = sizeof mii;
        if (item.command == 0 && !item.submenu) {
            mii.fMask = MIIM_FTYPE;
            mii.fType = MFT_SEPARATOR;
        } else {
            mii.fMask = MIIM_ID | MIIM_STRING;
            mii.wID = item.command;
            mii.dwTypeData = const_cast<char*>(item.text.c_str());
            if (item.submenu) {
                mii.hSubMenu = item.submenu->Build();
                if (!mii.hSubMenu) {
                    DestroyMenu(menu);
                    return nullptr;
                }
                mii.fMask |= MIIM_SUBMENU;
            }
        }
        if (!InsertMenuItemA(menu, position, TRUE, &mii)) {
            if (mii.hSubMenu) DestroyMenu(mii.hSubMenu);
            DestroyMenu(menu);
            return nullptr;
        }
        ++position;
    }
    return menu;
}

UINT MenuModel::Track(HWND owner, POINT client_point) const {
    HMENU menu = Build();
    if (!menu) return 0;
    POINT screen = client_point;
    ClientToScreen(owner, &screen);
    BOOL chosen =
        TrackPopupMenu(menu, TPM_NOANIMATION | TPM_RETURNCMD | TPM_NONOTIFY, screen.x, screen.y, 0, owner, nullptr);
    DestroyMenu(menu);  // destroys the submenus with it
    return static_cast<UINT>(chosen);
}

// ---- ImeContext, Caret ----

ImeContext::ImeContext(HWND hwnd) : hwnd_(hwnd), himc_(ImmGetContext(hwnd)) {}

ImeContext::~ImeContext() {
    if (himc_) ImmReleaseContext(hwnd_, himc_);
}

bool Caret::Create(int width, int height) {
    if (exists_) DestroyCaret();
    exists_ = CreateCaret(hwnd_, nullptr, width, height) != FALSE;
    return exists_;
}

void Caret::Destroy() {
    if (!exists_) return;
    DestroyCaret();
    exists_ = false;
}

void Caret::Hide() {
    if (exists_) HideCaret(hwnd_);
}

void Caret::Show() {
    if (exists_) ShowCaret(hwnd_);
}

void Caret::SetPos(int x, int y) {
    if (exists_) SetCaretPos(x, y);
}

// ---- Window ----

Window::Window(HWND hwnd) : caret(hwnd), vertical(hwnd, SB_VERT), horizontal(hwnd, SB_HORZ), hwnd_(hwnd), metrics_() {
    HDC dc = GetDC(hwnd);
    if (dc) {
        GetTextMetricsA(dc, &metrics_);
        ReleaseDC(hwnd, dc);
    }
}

// ---- WindowObject ----

WindowObject::WindowObject(HINSTANCE instance, const char* class_name, DWORD style)
    : instance_(instance), class_name_(class_name ? class_name : ""), style_(style) {}

WindowObject::~WindowObject() {
    // A window that outlives its object must not reach it any more.
    if (window_ && IsWindow(window_->hwnd()) && BoundObject<WindowObject>(window_->hwnd()) == this)
        RemovePropA(window_->hwnd(), kWindowProp);
}

LRESULT CALLBACK WindowObject::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    WindowObject* object = BoundObject<WindowObject>(hwnd);
    if (!object) {
        if (message != WM_CREATE) return DefWindowProcA(hwnd, message, wparam, lparam);
        object = static_cast<WindowObject*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        // An object serves one window at a time.
        if (!object || object->window_) return DefWindowProcA(hwnd, message, wparam, lparam);
        SetPropA(hwnd, kWindowProp, object);
        object->window_.reset(new (std::nothrow) Window(hwnd));
    }
    if (!object->window_ || object->window_->hwnd() != hwnd) return DefWindowProcA(hwnd, message, wparam, lparam);
    return object->Dispatch(hwnd, message, wparam, lparam);
}

LRESULT WindowObject::Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    LRESULT filtered = 0;
    if (PreFilter(message, wparam, lparam, &filtered)) return filtered;

    bool handled = false;
    switch (message) {
        case WM_CREATE:
            handled = OnCreate();
            break;
        case WM_DESTROY:
            if (!OnDestroy()) break;
            RemovePropA(hwnd, kWindowProp);
            window_.reset();
            if (quit_on_destroy) PostQuitMessage(0);
            return 0;
        case WM_IME_CHAR:
            return 0;
        case WM_SIZE:
            handled = OnSize(wparam, LOWORD(lparam), HIWORD(lparam));
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: {
            Window other(reinterpret_cast<HWND>(wparam));
            handled = message == WM_SETFOCUS ? OnSetFocus(other) : OnKillFocus(other);
            break;
        }
        case WM_PAINT:
            handled = OnPaint();
            break;
        case WM_CLOSE:
            handled = OnClose();
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            handled = OnKey(message == WM_KEYDOWN, static_cast<UINT>(wparam), LOWORD(lparam));
            break;
        case WM_CHAR:
            handled = OnChar(static_cast<UINT>(wparam), LOWORD(lparam));
            break;
        case WM_IME_COMPOSITION:
            if (lparam & GCS_RESULTSTR) handled = OnImeResult();
            break;
        case WM_COMMAND:
            handled = OnCommand(LOWORD(wparam), HIWORD(wparam));
            break;
        case WM_HSCROLL:
        case WM_VSCROLL: {
            SCROLLINFO info = {};
            info.cbSize = sizeof info;
            info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
            HWND control = reinterpret_cast<HWND>(lparam);
            if (control) GetScrollInfo(control, SB_CTL, &info);
            else GetScrollInfo(hwnd, message == WM_HSCROLL ? SB_HORZ : SB_VERT, &info);
            int delta = ScrollDelta(LOWORD(wparam), info);
            handled = message == WM_HSCROLL ? OnHorizontalScroll(delta) : OnVerticalScroll(delta);
            break;
        }
        case WM_MOUSEMOVE:
            handled = OnMouseMove(PointFrom(lparam), wparam);
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            handled = OnLeftButtonDown(PointFrom(lparam), message == WM_LBUTTONDBLCLK);
            break;
        case WM_LBUTTONUP:
            handled = OnLeftButtonUp(PointFrom(lparam));
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            handled = OnRightButtonDown(PointFrom(lparam), message == WM_RBUTTONDBLCLK);
            break;
        case WM_RBUTTONUP:
            handled = OnRightButtonUp(PointFrom(lparam));
            break;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            handled = OnMiddleButtonDown(PointFrom(lparam), message == WM_MBUTTONDBLCLK);
            break;
        case WM_MBUTTONUP:
            handled = OnMiddleButtonUp(PointFrom(lparam));
            break;
        case WM_MOUSEWHEEL:
            handled = OnMouseWheel(PointFrom(lparam), GET_WHEEL_DELTA_WPARAM(wparam) / WHEEL_DELTA);
            break;
        case WM_DROPFILES: {
            HDROP drop = reinterpret_cast<HDROP>(wparam);
            std::vector<kxlib::string> names;
            UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                UINT length = DragQueryFileA(drop, i, nullptr, 0);
                std::vector<char> buffer(length + 1, '\0');
                DragQueryFileA(drop, i, buffer.data(), length + 1);
                names.push_back(kxlib::string(buffer.data()));
            }
            DragFinish(drop);
            OnDropFiles(names);
            return 0;
        }
        default:
            break;
    }
    return handled ? 0 : DefWindowProcA(hwnd, message, wparam, lparam);
}

// ---- DialogObject ----

DialogObject::DialogObject(HINSTANCE instance) : instance_(instance) {}

DialogObject::~DialogObject() {
    if (hwnd_ && IsWindow(hwnd_) && BoundObject<DialogObject>(hwnd_) == this) RemovePropA(hwnd_, kWindowProp);
}

bool DialogObject::OnClose() {
    EndDialog(hwnd_, 0);
    return false;
}

INT_PTR DialogObject::ShowModal(int template_id, HWND owner) {
    if (hwnd_) return -1;
    return DialogBoxParamA(instance_, MAKEINTRESOURCEA(template_id), owner, ModalProc, reinterpret_cast<LPARAM>(this));
}

HWND DialogObject::CreateModeless(int template_id, HWND owner) {
    if (hwnd_) return nullptr;
    return CreateDialogParamA(instance_, MAKEINTRESOURCEA(template_id), owner, ModelessProc,
                              reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK DialogObject::ModalProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return Dispatch(hwnd, message, wparam, lparam, true);
}

INT_PTR CALLBACK DialogObject::ModelessProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    return Dispatch(hwnd, message, wparam, lparam, false);
}

INT_PTR DialogObject::Dispatch(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool modal) {
    DialogObject* object = BoundObject<DialogObject>(hwnd);
    // After WM_DESTROY the property may stay behind on the dying window: such a window is unbound.
    if (object && object->hwnd_ != hwnd) object = nullptr;
    if (!object) {
        if (message != WM_INITDIALOG || lparam == 0) return FALSE;
        object = reinterpret_cast<DialogObject*>(lparam);
        SetPropA(hwnd, kWindowProp, object);
        object->hwnd_ = hwnd;
    }

    if (modal) {
        INT_PTR filtered = 0;
        if (object->PreFilter(message, wparam, lparam, &filtered)) return filtered;
    }
    switch (message) {
        case WM_DESTROY: {
            bool handled = object->OnDestroy();
            if (handled) RemovePropA(hwnd, kWindowProp);
            object->hwnd_ = nullptr;
            if (!modal && object->quit_on_destroy) PostQuitMessage(0);
            return handled ? TRUE : FALSE;
        }
        case WM_CLOSE:
            return object->OnClose() ? TRUE : FALSE;
        case WM_INITDIALOG:
            return object->OnInitDialog() ? TRUE : FALSE;
        case WM_COMMAND:
            return object->OnCommand(LOWORD(wparam), HIWORD(wparam)) ? TRUE : FALSE;
        default:
            return object->OnMessage(message, wparam, lparam);
    }
}

}  // namespace kx
