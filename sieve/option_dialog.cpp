#include "sieve/option_dialog.h"

#include "sieve/resource.h"
#include "sieve/settings.h"

namespace sieve {

INT_PTR FuzzyOptionDialog::Run(HINSTANCE module, HWND owner) {
    return DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_FUZZY_OPTIONS), owner, Proc, reinterpret_cast<LPARAM>(this));
}

void FuzzyOptionDialog::OnInit(HWND dialog) {
    int id = IDC_FIRST_SETTING;
    for (const FuzzySetting& s : kFuzzySettings) {
        CheckDlgButton(dialog, id++, (flags_ & s.bit) ? BST_CHECKED : BST_UNCHECKED);
    }
}

void FuzzyOptionDialog::OnOk(HWND dialog) {
    std::uint32_t flags = 0;
    int id = IDC_FIRST_SETTING;
    for (const FuzzySetting& s : kFuzzySettings) {
        if (IsDlgButtonChecked(dialog, id++) == BST_CHECKED) flags |= s.bit;
    }
    flags_ = flags;
}

INT_PTR CALLBACK FuzzyOptionDialog::Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lparam);
        reinterpret_cast<FuzzyOptionDialog*>(lparam)->OnInit(dialog);
        return TRUE;
    }
    auto* self = reinterpret_cast<FuzzyOptionDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (message != WM_COMMAND || !self) return FALSE;
    switch (LOWORD(wparam)) {
        case IDOK:
            self->OnOk(dialog);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

int ShowFuzzyOptionDialog(HINSTANCE module, HWND owner) {
    FuzzyOptionDialog dialog(LoadFuzzyFlags());
    if (dialog.Run(module, owner) != IDOK) return 0;
    return SaveFuzzyFlags(dialog.flags()) ? 1 : 0;
}

}  // namespace sieve
