// The regular-expression library loaded as a shared object of the native build.
#include "match/library_module.h"

#include <dlfcn.h>

namespace kx {

LibraryModule OpenLibraryModule(const char* path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

void* LibraryEntry(LibraryModule module, const char* name) { return dlsym(module, name); }

void CloseLibraryModule(LibraryModule module) { dlclose(module); }

}  // namespace kx
