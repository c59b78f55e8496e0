// Directory walk over FindFirstFileA / FindNextFileA.
#include "engine/file_list.h"

#include <cstring>

namespace kx {

namespace {
bool IsDotEntry(const char* name) { return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0; }

void Walk(const kxlib::string& dir, const std::vector<kxlib::string>& patterns, bool subdir, FileList* out) {
    WIN32_FIND_DATAA entry;
    for (const kxlib::string& item : patterns) {
        if (item.empty()) continue;
        FindIterator it;
        if (!it.Open((dir + item).c_str())) continue;
        while (it.Next(&entry)) out->push_back(dir + entry.cFileName);
    }
    if (!subdir) return;
    FindIterator it;
    if (!it.Open((dir + "*.*").c_str())) return;
    while (it.Next(&entry)) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        // A directory that is a link (junction, symbolic link) is not descended into, so a link
        // cycle cannot make the walk endless; it is still listed when a pattern matches its name.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        Walk(dir + entry.cFileName + "\\", patterns, subdir, out);
    }
}
}  // namespace

std::vector<kxlib::string> SplitPatterns(const kxlib::string& file_patterns) {
    std::vector<kxlib::string> items;
    uint32_t start = 0;
    for (;;) {
        int32_t sep = file_patterns.find(";", start);
        if (sep == -1) {
            items.push_back(file_patterns.substr(start));
            return items;
        }
        items.push_back(file_patterns.substr(start, static_cast<uint32_t>(sep) - start));
        start = static_cast<uint32_t>(sep) + 1;
    }
}

FindIterator::FindIterator() : handle_(INVALID_HANDLE_VALUE), first_pending_(true), first_() {}

FindIterator::~FindIterator() { Close(); }

bool FindIterator::Open(const char* pattern_path) {
    if (handle_ != INVALID_HANDLE_VALUE) return false;
    handle_ = FindFirstFileA(pattern_path, &first_);
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    while (IsDotEntry(first_.cFileName)) {
        if (!FindNextFileA(handle_, &first_)) {
            Close();
            return false;
        }
    }
    first_pending_ = true;
    return true;
}

bool FindIterator::Next(WIN32_FIND_DATAA* record) {
    if (handle_ == INVALID_HANDLE_VALUE) return false;
    if (first_pending_) {
        *record = first_;
        first_pending_ = false;
        return true;
    }
    while (FindNextFileA(handle_, record)) {
        if (!IsDotEntry(record->cFileName)) return true;
    }
    return false;
}

void FindIterator::Close() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
    handle_ = INVALID_HANDLE_VALUE;
    first_pending_ = true;
}

FileList EnumerateFiles(const kxlib::string& directory, const kxlib::string& file_patterns, bool subdir) {
    FileList list;
    Walk(directory, SplitPatterns(file_patterns), subdir, &list);
    return list;
}

}  // namespace kx
