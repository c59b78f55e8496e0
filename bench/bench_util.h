// Small helpers shared by the benchmark programs: a monotonic clock, the process's peak memory,
// hex decoding of arguments and whole-file reading.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace bench {

inline double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// Peak working set of this process in bytes.
inline uint64_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS pmc;
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) return 0;
    return pmc.PeakWorkingSetSize;
}

// "hex:4142" gives the bytes 41 42; anything else is taken as it stands.
inline std::string ArgBytes(const char* arg) {
    std::string s(arg);
    if (s.compare(0, 4, "hex:") != 0) return s;
    std::string out;
    for (size_t i = 4; i + 1 < s.size(); i += 2)
        out.push_back(static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16)));
    return out;
}

// An owned file handle.
class File {
public:
    File(const char* path, DWORD access, DWORD disposition)
        : h_(CreateFileA(path, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~File() {
        if (ok()) CloseHandle(h_);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// Reads a whole file into out; false when it cannot be opened or read.
inline bool ReadWhole(const char* path, std::string* out) {
    File f(path, GENERIC_READ, OPEN_EXISTING);
    if (!f.ok()) return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f.get(), &size)) return false;
    out->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out->size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(out->size() - done > (1u << 30) ? (1u << 30) : out->size() - done);
        if (!ReadFile(f.get(), &(*out)[done], want, &got, nullptr) || got == 0) return false;
        done += got;
    }
    return true;
}

}  // namespace bench
