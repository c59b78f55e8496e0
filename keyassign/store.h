// The process-wide assignment store: key data and macro data loaded lazily from the editor's
// registry values or from a key file, and written back to either.
#pragma once

#include "keyassign/assign_data.h"

namespace bindery {

class Store {
public:
    // Load from the registry when not loaded yet; false (store unchanged) when that fails.
    bool EnsureKeyData();
    bool EnsureMacroData();

    // Replaces the key data (and with `with_macros` the macro data) in both copies.
    bool ReadKeyFile(const char* path, bool with_macros);
    // Stores the edit copies; the data must be loaded.
    bool WriteKeyFile(const char* path, bool keep_existing, bool with_macros) const;
    bool WriteToRegistry() const;
    // Forgets what was loaded; the next need loads from the registry again.
    void Reload();

    KeyData& keys() { return keys_; }
    MacroData& macros() { return macros_; }

private:
    bool key_data_loaded_ = false;
    bool macro_data_loaded_ = false;
    KeyData keys_;
    MacroData macros_;
};

}  // namespace bindery
