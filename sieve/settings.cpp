#include "sieve/settings.h"

#include <windows.h>

#include "match/sieve_api.h"
#include "text/win32_handles.h"

namespace sieve {

namespace {

const char kKeyPath[] = "Software\\Kestrel\\Sieve";

// Sieve's settings key, closed when the object goes.
class RegistryKey {
public:
    bool Open(REGSAM access) {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, access, &key) != ERROR_SUCCESS) return false;
        key_.reset(key);
        return true;
    }
    bool Create() {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr,
                            &key, nullptr) != ERROR_SUCCESS)
            return false;
        key_.reset(key);
        return true;
    }
    bool Read(const char* name, DWORD* value) const {
        DWORD type = 0;
        DWORD size = sizeof *value;
        return RegQueryValueExA(key_.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) ==
                   ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof *value;
    }
    bool Write(const char* name, DWORD value) const {
        return RegSetValueExA(key_.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
               ERROR_SUCCESS;
    }

private:
    kx::RegistryKey key_;
};

}  // namespace

std::uint32_t LoadFuzzyFlags() {
    RegistryKey key;
    const bool open = key.Open(KEY_QUERY_VALUE);
    std::uint32_t flags = 0;
    for (const FuzzySetting& s : kFuzzySettings) {
        DWORD value = 0;
        const bool on = open && key.Read(s.value_name, &value) ? value != 0 : s.on_by_default;
        if (on) flags |= s.bit;
    }
    return flags;
}

bool SaveFuzzyFlags(std::uint32_t flags) {
    RegistryKey key;
    if (!key.Create()) return false;
    bool ok = true;
    for (const FuzzySetting& s : kFuzzySettings) {
        ok = key.Write(s.value_name, (flags & s.bit) ? 1 : 0) && ok;
    }
    return ok;
}

}  // namespace sieve
