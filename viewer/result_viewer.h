// ResultViewer: the modal result window "結果" that shows the last run's log in a read-only text view,
// with the lines of failed files and of files without a hit in red, and copies the selection.
#pragma once

#include <windows.h>

#include "text/kxstring.h"
#include "viewer/model/placement.h"
#include "viewer/text_view.h"
#include "viewer/window_object.h"

namespace kx {

// The text view of the result window: a right-button press opens a menu with "コピー".
class ResultTextView : public TextView {
public:
    using TextView::TextView;
    bool OnRightButtonDown(POINT point, bool double_click) override;
};

class ResultViewer : public DialogObject {
public:
    explicit ResultViewer(HINSTANCE instance = ModuleInstance());

    void set_text(const kxlib::string& text) { text_ = text; }
    void set_placement(const Placement& placement) {
        placement_ = placement;
        has_placement_ = true;
    }
    // Runs the dialog modally without an owner; the EndDialog value (1 OK or Enter, 0 close box).
    INT_PTR show();

    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;

    ResultTextView& view() { return view_; }

private:
    ResultTextView view_;
    kxlib::string text_;
    Placement placement_;
    bool has_placement_ = false;
};

}  // namespace kx
