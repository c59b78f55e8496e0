// The native build of Sieve (a shared object for the native tests and fuzz targets) has no registry:
// every search takes the default settings, and nothing can be stored.
#include "sieve/settings.h"

namespace sieve {

std::uint32_t LoadFuzzyFlags() {
    std::uint32_t flags = 0;
    for (const FuzzySetting& s : kFuzzySettings)
        if (s.on_by_default) flags |= s.bit;
    return flags;
}

bool SaveFuzzyFlags(std::uint32_t) { return false; }

}  // namespace sieve
