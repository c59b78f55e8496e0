// Loading the regular-expression library by path and finding its entry points by name: the
// platform's LoadLibraryA, GetProcAddress and FreeLibrary on Windows (library_module_win32.cpp);
// dlopen, dlsym and dlclose in the native build of the window-free core (library_module_native.cpp).
#pragma once

namespace kx {

// A loaded library; null when none is.
using LibraryModule = void*;

LibraryModule OpenLibraryModule(const char* path);
void* LibraryEntry(LibraryModule module, const char* name);
void CloseLibraryModule(LibraryModule module);

}  // namespace kx
