// sieve.dll loaded from beside the test program with every entry point bound, as Quarry binds it;
// shared by the Sieve tests and the hostile-input tests.
#pragma once

#include <windows.h>

#include <string>

#include "match/sieve_api.h"

namespace kxtest {

// sieve.dll from beside the test program, with every entry point bound.
class SieveLibrary {
public:
    SieveLibrary() {
        char path[MAX_PATH];
        const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dll(path, n);
        dll = dll.substr(0, dll.find_last_of("\\/") + 1) + "sieve.dll";
        module_ = LoadLibraryA(dll.c_str());
        if (!module_) return;
        bound_ = Bind("Jre2Open", &open) && Bind("Jre2Compile", &compile) && Bind("Jre2Close", &close) &&
                 Bind("Jre2GetMatchInfo_HmJre", &match) && Bind("JreGetTagPosition", &tag) &&
                 Bind("Fuzzy_Open", &fuzzy_open) && Bind("Fuzzy_Close", &fuzzy_close) &&
                 Bind("Fuzzy_ConvertTarget", &convert_target) && Bind("Fuzzy_ConvertFindString", &convert_find) &&
                 Bind("Fuzzy_FindPos2RealPos", &real_pos) && Bind("Fuzzy_FindArea2RealArea", &real_area) &&
                 Bind("Fuzzy_RealPos2FindPos", &find_pos) && Bind("Fuzzy_OptionDialog", &dialog) &&
                 Bind("JreGetVersion", &version);
    }
    ~SieveLibrary() {
        if (module_) FreeLibrary(module_);
    }
    SieveLibrary(const SieveLibrary&) = delete;
    SieveLibrary& operator=(const SieveLibrary&) = delete;
    bool ok() const { return module_ && bound_; }

    Jre2Open_fn open{};
    Jre2Compile_fn compile{};
    Jre2Close_fn close{};
    Jre2GetMatchInfo_HmJre_fn match{};
    JreGetTagPosition_fn tag{};
    Fuzzy_Open_fn fuzzy_open{};
    Fuzzy_Close_fn fuzzy_close{};
    Fuzzy_ConvertTarget_fn convert_target{};
    Fuzzy_ConvertFindString_fn convert_find{};
    Fuzzy_FindPos2RealPos_fn real_pos{};
    Fuzzy_FindArea2RealArea_fn real_area{};
    Fuzzy_RealPos2FindPos_fn find_pos{};
    Fuzzy_OptionDialog_fn dialog{};
    JreGetVersion_fn version{};

private:
    template <typename Fn> bool Bind(const char* name, Fn* fn) {
        *fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
        return *fn != nullptr;
    }
    HMODULE module_ = nullptr;
    bool bound_ = false;
};

}  // namespace kxtest
