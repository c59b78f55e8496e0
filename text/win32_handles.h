// Win32's kinds of handle for UniqueHandle: what each is released with, and which value means none.
#pragma once

#include <windows.h>

#include "text/handle_owner.h"

namespace kx {

// A file or any handle CreateFile gives: INVALID_HANDLE_VALUE when none.
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
using FileHandle = UniqueHandle<FileHandleTraits>;

// A thread, an event, a process: null when none.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
using KernelHandle = UniqueHandle<KernelHandleTraits>;

// A search of FindFirstFile: INVALID_HANDLE_VALUE when none.
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using FindHandle = UniqueHandle<FindHandleTraits>;

// An open registry key.
struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
using RegistryKey = UniqueHandle<RegistryKeyTraits>;

// A font, pen, brush or other GDI object.
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using GdiObject = UniqueHandle<GdiObjectTraits>;

// A module loaded with LoadLibrary.
struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};
using Module = UniqueHandle<ModuleTraits>;

}  // namespace kx
