// GDI resources of the text view: the font it is drawn in, and the Painter of one WM_PAINT
// (BeginPaint to EndPaint) with its font, pen, brush and colours.
#pragma once

#include <windows.h>

#include "text/kxstring.h"
#include "text/win32_handles.h"

namespace kx {

// The text view's font: fixed pitch, normal weight, default character set, proof quality.
HFONT CreateViewFont(const char* face, int height);

class Painter {
public:
    Painter(HWND hwnd, const char* face, int font_height);
    ~Painter();
    Painter(const Painter&) = delete;
    Painter& operator=(const Painter&) = delete;

    const RECT& invalid() const { return paint_.rcPaint; }
    // Draws n bytes of text with an opaque background.
    void text(int x, int y, const char* bytes, int n, COLORREF fore, COLORREF back);
    void fill(const RECT& r, COLORREF color);
    // A solid line one pixel wide.
    void line(int x1, int y1, int x2, int y2, COLORREF color);

private:
    HWND hwnd_;
    PAINTSTRUCT paint_;
    HDC dc_;
    GdiObject font_;
    GdiObject pen_;
    GdiObject brush_;
    HGDIOBJ original_font_ = nullptr;
    HGDIOBJ original_pen_ = nullptr;
    COLORREF pen_color_ = 0;
    COLORREF brush_color_ = 0;
};

}  // namespace kx
