// The regular-expression library loaded as a Windows DLL.
#include "match/library_module.h"

#include <windows.h>

namespace kx {

LibraryModule OpenLibraryModule(const char* path) { return LoadLibraryA(path); }

void* LibraryEntry(LibraryModule module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseLibraryModule(LibraryModule module) { FreeLibrary(static_cast<HMODULE>(module)); }

}  // namespace kx
