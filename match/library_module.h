// Loading the regular-expression library by path and finding its entry points by name: the
// platform's LoadLibraryA, GetProcAddress and FreeLibrary on Windows (library_module_win32.cpp);
// dlopen, dlsym and dlclose in the native build of the window-free core (library_module_native.cpp).
#pragma once

#include "text/handle_owner.h"

namespace kx {

// A loaded library; null when none is.
using LibraryModule = void*;

LibraryModule OpenLibraryModule(const char* path);
void* LibraryEntry(LibraryModule module, const char* name);
void CloseLibraryModule(LibraryModule module);

// A library module, freed when the handle goes or is given another.
struct LibraryModuleTraits {
    using Handle = LibraryModule;
    static Handle Empty() { return nullptr; }
    static void Close(Handle module) { CloseLibraryModule(module); }
};
using ModuleHandle = UniqueHandle<LibraryModuleTraits>;

// Loads the library at path; holds none when the path is empty or the load fails.
inline ModuleHandle LoadModule(const char* path) { return ModuleHandle(*path ? OpenLibraryModule(path) : nullptr); }

}  // namespace kx
