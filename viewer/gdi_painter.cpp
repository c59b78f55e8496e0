// Drawing of the text view with GDI.
#include "viewer/gdi_painter.h"

namespace kx {

HFONT CreateViewFont(const char* face, int height) {
    return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, face);
}

Painter::Painter(HWND hwnd, const char* face, int font_height) : hwnd_(hwnd), paint_() {
    dc_ = BeginPaint(hwnd, &paint_);
    font_.reset(CreateViewFont(face, font_height));
    if (dc_ && font_.get()) original_font_ = SelectObject(dc_, font_.get());
    if (dc_) SetBkMode(dc_, OPAQUE);
}

Painter::~Painter() {
    // Everything selected is put back before the objects are deleted by their owners.
    if (dc_ && original_font_) SelectObject(dc_, original_font_);
    if (dc_ && original_pen_) SelectObject(dc_, original_pen_);
    EndPaint(hwnd_, &paint_);
}

void Painter::text(int x, int y, const char* bytes, int n, COLORREF fore, COLORREF back) {
    if (!dc_ || n <= 0) return;
    SetTextColor(dc_, fore);
    SetBkColor(dc_, back);
    TextOutA(dc_, x, y, bytes, n);
}

void Painter::fill(const RECT& r, COLORREF color) {
    if (!dc_) return;
    if (!brush_.get() || brush_color_ != color) {
        brush_.reset(CreateSolidBrush(color));
        brush_color_ = color;
    }
    if (brush_.get()) FillRect(dc_, &r, static_cast<HBRUSH>(brush_.get()));
}

void Painter::line(int x1, int y1, int x2, int y2, COLORREF color) {
    if (!dc_) return;
    if (!pen_.get() || pen_color_ != color) {
        HPEN fresh = CreatePen(PS_SOLID, 1, color);
        if (!fresh) return;
        HGDIOBJ previous = SelectObject(dc_, fresh);
        if (!original_pen_) original_pen_ = previous;
        pen_.reset(fresh);  // the pen it replaces is no longer selected and is deleted
        pen_color_ = color;
    }
    MoveToEx(dc_, x1, y1, nullptr);
    LineTo(dc_, x2, y2);
}

}  // namespace kx
