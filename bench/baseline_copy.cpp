// The physical limit of a run, measured under the same Wine: every listed file is read whole, and
// each file marked for writing is written unchanged to a temporary file beside it, flushed and put
// in the original's place, the way the run writes a changed file.
//   bench_copy LIST     LIST: one line per file, "R <path>" (read only) or "W <path>" (read and rewrite)
// Prints one JSON line: seconds, bytes read, bytes written, peak working set.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "bench/bench_util.h"

namespace {

std::string DirectoryOf(const std::string& path) {
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
}

bool WriteThroughTemporary(const std::string& path, const std::string& bytes) {
    char temporary[MAX_PATH + 16];
    if (!GetTempFileNameA(DirectoryOf(path).c_str(), "kxb", 0, temporary)) return false;
    {
        bench::File out(temporary, GENERIC_WRITE, CREATE_ALWAYS);
        if (!out.ok()) return false;
        DWORD written = 0;
        if (!WriteFile(out.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written != bytes.size())
            return false;
        FlushFileBuffers(out.get());
    }
    if (ReplaceFileA(path.c_str(), temporary, nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) return true;
    return MoveFileExA(temporary, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_copy LIST\n");
        return 2;
    }
    std::ifstream list(argv[1]);
    std::string line, bytes;
    unsigned long long read = 0, written = 0;
    int failures = 0;
    const double start = bench::Now();
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() < 3) continue;
        const std::string path = line.substr(2);
        if (!bench::ReadWhole(path.c_str(), &bytes)) {
            ++failures;
            continue;
        }
        read += bytes.size();
        if (line[0] == 'W') {
            if (WriteThroughTemporary(path, bytes)) written += bytes.size();
            else ++failures;
        }
    }
    const double seconds = bench::Now() - start;
    std::printf(
        "{\"seconds\": %.6f, \"bytes_read\": %llu, \"bytes_written\": %llu, \"failures\": %d, \"peak\": %llu}\n",
        seconds, read, written, failures, static_cast<unsigned long long>(bench::PeakMemory()));
    return failures ? 1 : 0;
}
