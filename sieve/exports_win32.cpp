// What sieve.dll has beyond its platform-free entry points (exports.cpp): the DLL's entry, which
// keeps the module handle, and the option dialog, which needs it for its template.
#include <windows.h>

#include <type_traits>

#include "match/sieve_api.h"
#include "sieve/option_dialog.h"

namespace {
HINSTANCE g_module = nullptr;
}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

int SIEVE_CALL Fuzzy_OptionDialog(void* owner, int) {
    return sieve::ShowFuzzyOptionDialog(g_module, static_cast<HWND>(owner));
}

}  // extern "C"

static_assert(std::is_same_v<decltype(&Fuzzy_OptionDialog), Fuzzy_OptionDialog_fn>);
