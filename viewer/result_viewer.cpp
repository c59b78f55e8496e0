// The result window and its text view's context menu.
#include "viewer/result_viewer.h"

#include "viewer/resource_ids.h"

namespace kx {

namespace {
const char kCopyItem[] = "\x83R\x83s\x81[";  // "コピー"
const UINT kCopyCommand = 1;
// Log lines of files whose search and replace failed, and of files without a hit.
const char kFailedLine[] =
    "\x82\xCC\x8C\x9F\x8D\xF5\x81\x95\x92u\x8A\xB7\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81"
    "D$";  // "の検索＆置換に失敗しました．$"
const char kNoHitLine[] =
    "\x82\xC9\x8C\x9F\x8D\xF5\x8C\xEA\x82\xCD\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x82\xC5"
    "\x82\xB5\x82\xBD\x81"
    "D$";  // "に検索語は見つかりませんでした．$"
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
    view_.add_highlight(kFailedLine, kRedLineFlags, 1, red, background);
    view_.add_highlight(kNoHitLine, kRedLineFlags, 1, red, background);

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
