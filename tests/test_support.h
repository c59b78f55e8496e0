// Helpers shared by the tests: scratch directories, file contents, paths beside the test program.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "text/platform.h"
#endif

namespace kxtest {

#ifndef _WIN32
// The native build of the window-free core: paths are written as on Windows and taken with slashes.
inline std::string NativePath(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

inline std::string ProgramDir() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    std::string s(path, n > 0 ? static_cast<size_t>(n) : 0);
    return s.substr(0, s.find_last_of('/') + 1);
}

inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream f(NativePath(path), std::ios::binary);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream f(NativePath(path), std::ios::binary);
    if (!f) return std::string("<missing>");
    std::ostringstream out;
    out << f.rdbuf();
    return out.str();
}

inline uint32_t AnsiCodePage() { return kx::platform::AnsiCodePage(); }

// Sieve as the native build makes it, beside the test program.
inline std::string SieveLibraryPath() { return ProgramDir() + "sieve.so"; }

#else
inline uint32_t AnsiCodePage() { return GetACP(); }
#endif

#ifdef _WIN32

// Directory holding the running test program (the build's bin folder), with a trailing backslash.
inline std::string ProgramDir() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

// Writes bytes to the file h was created for, and closes it.
inline bool WriteAndClose(HANDLE h, const std::string& bytes) {
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

// The bytes of the file h was opened for ("<missing>" when it was not), and closes it.
inline std::string ReadAndClose(HANDLE h) {
    if (h == INVALID_HANDLE_VALUE) return std::string("<missing>");
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(h);
    return out;
}

inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    return WriteAndClose(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr), bytes);
}
inline bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    return WriteAndClose(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr), bytes);
}

inline std::string ReadFileBytes(const std::string& path) {
    return ReadAndClose(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}
inline std::string ReadFileBytes(const std::wstring& path) {
    return ReadAndClose(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
}

inline void RemoveTree(const std::string& dir) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = d.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = dir + name;
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path + "\\");
            else DeleteFileA(path.c_str());
        } while (FindNextFileA(h, &d));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// A fresh, empty scratch directory under the temporary folder, removed when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const char* tag) {
        char tmp[MAX_PATH];
        GetTempPathA(MAX_PATH, tmp);
        path_ = std::string(tmp) + "kestrel-" + tag + "-" + std::to_string(GetCurrentProcessId()) + "\\";
        RemoveTree(path_);
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchDir() { RemoveTree(path_); }
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};
// sieve.dll beside the test program.
inline std::string SieveLibraryPath() { return ProgramDir() + "sieve.dll"; }
#endif  // _WIN32

}  // namespace kxtest
