// Helpers of the window tests: waiting for windows of another thread, reading the clipboard and the
// caret of a thread, and capturing a window's pixels (kept in memory, saved as BMP on request).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kxtest {

// Polls until pred() holds or about timeout_ms have passed.
template <typename Pred> bool WaitFor(Pred pred, int timeout_ms = 5000) {
    for (int waited = 0; waited < timeout_ms; waited += 10) {
        if (pred()) return true;
        Sleep(10);
    }
    return pred();
}

// A visible top-level window of the class (and title, when given) owned by the thread.
inline HWND FindThreadWindow(DWORD thread, const char* class_name, const char* title = nullptr) {
    struct Search {
        const char* class_name;
        const char* title;
        HWND found;
    } search = {class_name, title, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND hwnd, LPARAM lp) CALLBACK -> BOOL {
            Search* s = reinterpret_cast<Search*>(lp);
            char name[64] = {}, text[256] = {};
            GetClassNameA(hwnd, name, sizeof name);
            GetWindowTextA(hwnd, text, sizeof text);
            if (lstrcmpA(name, s->class_name) == 0 && IsWindowVisible(hwnd) &&
                (!s->title || lstrcmpA(text, s->title) == 0)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::string ClipboardText() {
    std::string out = "<none>";
    if (!OpenClipboard(nullptr)) return "<busy>";
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) {
        const char* p = static_cast<const char*>(GlobalLock(data));
        if (p) out = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return out;
}

inline void SetClipboardText(const char* text) {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    size_t n = lstrlenA(text) + 1;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, n);
    if (mem) {
        memcpy(GlobalLock(mem), text, n);
        GlobalUnlock(mem);
        if (!SetClipboardData(CF_TEXT, mem)) GlobalFree(mem);
    }
    CloseClipboard();
}

// The caret rectangle of a thread in client coordinates of its window, with that window.
inline RECT ThreadCaret(DWORD thread, HWND* owner = nullptr) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    if (owner) *owner = info.hwndCaret;
    return info.rcCaret;
}

// The pixels of a window (its whole rectangle, title included) as 32-bit BGRX rows, top row first.
class Capture {
public:
    explicit Capture(HWND hwnd) {
        RECT r;
        GetWindowRect(hwnd, &r);
        width_ = r.right - r.left;
        height_ = r.bottom - r.top;
        origin_ = POINT{r.left, r.top};
        pixels_.assign(static_cast<size_t>(width_) * height_, 0);
        HDC source = GetWindowDC(hwnd);
        HDC memory = CreateCompatibleDC(source);
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof bi.bmiHeader;
        bi.bmiHeader.biWidth = width_;
        bi.bmiHeader.biHeight = -height_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(memory, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width_, height_, source, 0, 0, SRCCOPY);
        GdiFlush();
        memcpy(pixels_.data(), bits, pixels_.size() * 4);
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(hwnd, source);
    }

    int width() const { return width_; }
    int height() const { return height_; }
    // Colour at a point in screen coordinates (0 outside).
    COLORREF at_screen(int x, int y) const {
        x -= origin_.x;
        y -= origin_.y;
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
        uint32_t p = pixels_[static_cast<size_t>(y) * width_ + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    // Counts the pixels of a screen rectangle for which pred(colour) holds.
    template <typename Pred> int count(RECT screen, Pred pred) const {
        int n = 0;
        for (int y = screen.top; y < screen.bottom; ++y)
            for (int x = screen.left; x < screen.right; ++x)
                if (pred(at_screen(x, y))) ++n;
        return n;
    }
    bool save_bmp(const std::string& path) const {
        BITMAPFILEHEADER fh = {};
        BITMAPINFOHEADER ih = {};
        ih.biSize = sizeof ih;
        ih.biWidth = width_;
        ih.biHeight = -height_;
        ih.biPlanes = 1;
        ih.biBitCount = 32;
        ih.biCompression = BI_RGB;
        const DWORD bytes = static_cast<DWORD>(pixels_.size() * 4);
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + bytes;
        // The fourth byte of each pixel is written opaque, so viewers that read it as alpha show the image.
        std::vector<uint32_t> opaque(pixels_);
        for (uint32_t& p : opaque) p |= 0xFF000000u;
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD w = 0;
        bool ok = WriteFile(f, &fh, sizeof fh, &w, nullptr) && WriteFile(f, &ih, sizeof ih, &w, nullptr) &&
                  WriteFile(f, opaque.data(), bytes, &w, nullptr);
        CloseHandle(f);
        return ok;
    }

private:
    int width_ = 0;
    int height_ = 0;
    POINT origin_ = {};
    std::vector<uint32_t> pixels_;
};

inline bool IsRed(COLORREF c) { return GetRValue(c) >= 180 && GetGValue(c) < 100 && GetBValue(c) < 100; }

}  // namespace kxtest
