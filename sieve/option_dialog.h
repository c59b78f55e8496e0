// The fuzzy-search option dialog: a modal dialog with one check box per setting, which stores
// the settings when the user presses OK.
#pragma once

#include <windows.h>

#include <cstdint>

namespace sieve {

class FuzzyOptionDialog {
public:
    explicit FuzzyOptionDialog(std::uint32_t flags) : flags_(flags) {}
    virtual ~FuzzyOptionDialog() = default;

    // Runs the dialog from the template in `module`; answers IDOK, IDCANCEL, or -1 when the
    // dialog could not be shown. After IDOK, flags() holds the user's choice.
    INT_PTR Run(HINSTANCE module, HWND owner);
    std::uint32_t flags() const { return flags_; }

protected:
    virtual void OnInit(HWND dialog);
    virtual void OnOk(HWND dialog);

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam);

    std::uint32_t flags_;
};

// Shows the dialog with the stored settings; non-zero when the user pressed OK and the
// settings were stored.
int ShowFuzzyOptionDialog(HINSTANCE module, HWND owner);

}  // namespace sieve
