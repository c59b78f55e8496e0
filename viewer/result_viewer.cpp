// The result window and its text view's context menu.
#include "viewer/result_viewer.h"

#include <string>

#include "engine/messages.h"
#include "viewer/resource_ids.h"

namespace kx {

namespace {
const char kCopyItem[] = "コピー";
const UINT kCopyCommand = 1;
// A log line that ends in the given line end (its LF taken for the end of the line).
std::string LineEndPattern(const char* line_end) {
    std::string pattern(line_end);
    pattern.back() = '$';
    return pattern;
}
// Regular expression, whole line (and the stored bit 0x01).
const uint32_t kRedLineFlags = kHighlightRegex | kHighlightWholeLine | kHighlightReserved;
}  // namespace

bool ResultTextView::OnRightButtonDown(POINT point, bool double_click) {
    if (double_click || !window()) return false;
    MenuModel& menu = window()->context_menu;
    menu.Clear();
    menu.Add(kCopyCommand, kCopyItem);
    if (menu.Track(hwnd(), point) == kCopyCommand) copy();
    return true;
}

ResultViewer::ResultViewer(HINSTANCE instance) : DialogObject(instance), view_(instance) {}

INT_PTR ResultViewer::show() { return ShowModal(IDD_RESULT_VIEWER, nullptr); }

bool ResultViewer::OnInitDialog() {
    HWND view = view_.create(hwnd());
    if (!view) return false;

    // The end and line-break marks take the text's background, so only a selected line break shows.
    ViewSettings settings = view_.settings();
    const Rgb background = settings.colors.text.back_normal;
    settings.colors.end_mark.fore_normal = background;
    settings.colors.line_break.fore_normal = background;
    settings.wrap_columns = 0;
    view_.apply_settings(settings);

    const Rgb red{255, 0, 0};
    view_.add_highlight(LineEndPattern(kFailedLineEnd).c_str(), kRedLineFlags, 1, red, background);
    view_.add_highlight(LineEndPattern(kNoHitLineEnd).c_str(), kRedLineFlags, 1, red, background);

    view_.set_read_only(true);
    view_.select_all();
    view_.delete_forward();

    if (has_placement_)
        MoveWindow(hwnd(), placement_.left, placement_.top, placement_.right - placement_.left,
                   placement_.bottom - placement_.top, TRUE);

    RECT c = {};
    GetClientRect(hwnd(), &c);
    const int width = (c.right - 10) - (c.left + 10);
    const int height = (c.bottom - 40) - (c.top + 10);
    MoveWindow(view, c.left + 10, c.top + 10, width > 0 ? width : 0, height > 0 ? height : 0, TRUE);
    HWND ok = GetDlgItem(hwnd(), IDOK);
    if (ok) MoveWindow(ok, ((c.right - 10) + (c.left + 10)) / 2 - 40, (c.bottom - 40) + 5, 80, 30, TRUE);

    view_.insert_text(text_, "\n");
    view_.move_caret_to(1, 1);
    return true;
}

bool ResultViewer::OnCommand(int id, int) {
    if (id != IDOK) return false;
    EndDialog(hwnd(), 1);
    return true;
}

}  // namespace kx
