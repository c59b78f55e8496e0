// Win32's kinds of handle for UniqueHandle: what each is released with, and which value means none.
#pragma once

#include <windows.h>

#include "text/handle_owner.h"

namespace kx {

// A kind of handle that is null when none is held, released by Release.
template <typename H, typename R, R(WINAPI* Release)(H)> struct NullWhenNone {
    using Handle = H;
    static Handle Empty() { return nullptr; }
    static void Close(Handle h) { Release(h); }
};

// A kind of handle that is INVALID_HANDLE_VALUE when none is held (files, directory searches).
template <BOOL(WINAPI* Release)(HANDLE)> struct InvalidWhenNone {
    using Handle = HANDLE;
    static Handle Empty() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { Release(h); }
};

using FileHandle = UniqueHandle<InvalidWhenNone<&CloseHandle>>;               // CreateFile
using FindHandle = UniqueHandle<InvalidWhenNone<&FindClose>>;                 // FindFirstFile
using KernelHandle = UniqueHandle<NullWhenNone<HANDLE, BOOL, &CloseHandle>>;  // thread, event, process
using RegistryKey = UniqueHandle<NullWhenNone<HKEY, LONG, &RegCloseKey>>;
using GdiObject = UniqueHandle<NullWhenNone<HGDIOBJ, BOOL, &DeleteObject>>;  // font, pen, brush
using Module = UniqueHandle<NullWhenNone<HMODULE, BOOL, &FreeLibrary>>;      // LoadLibrary

}  // namespace kx
