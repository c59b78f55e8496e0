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

// A library module, freed when the handle goes or is given another.
class ModuleHandle {
public:
    ModuleHandle() : module_(nullptr) {}
    // Loads the library at path; holds none when the path is empty or the load fails.
    explicit ModuleHandle(const char* path) : module_(*path ? OpenLibraryModule(path) : nullptr) {}
    ~ModuleHandle() { reset(); }
    ModuleHandle(const ModuleHandle&) = delete;
    ModuleHandle& operator=(const ModuleHandle&) = delete;
    ModuleHandle& operator=(ModuleHandle&& other) noexcept {
        if (this != &other) {
            reset();
            module_ = other.module_;
            other.module_ = nullptr;
        }
        return *this;
    }
    void reset() {
        if (module_) CloseLibraryModule(module_);
        module_ = nullptr;
    }
    LibraryModule get() const { return module_; }

private:
    LibraryModule module_;
};

}  // namespace kx
