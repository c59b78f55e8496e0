// Directory walk over FindFirstFileW / FindNextFileW.
#include "engine/file_list.h"

#include <cwchar>

#include "text/file_utils.h"

namespace kx {

namespace {
bool IsDotEntry(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

// dir is the folder both as the file calls take it and as the replies show it.
void Walk(const ListedFile& dir, const std::vector<std::wstring>& patterns, bool subdir, FileList* out) {
    WIN32_FIND_DATAW entry;
    for (const std::wstring& item : patterns) {
        if (item.empty()) continue;
        FindIterator it;
        if (!it.Open((dir.path + item).c_str())) continue;
        while (it.Next(&entry)) out->push_back({dir.name + AnsiPath(entry.cFileName), dir.path + entry.cFileName});
    }
    if (!subdir) return;
    FindIterator it;
    if (!it.Open((dir.path + L"*.*").c_str())) return;
    while (it.Next(&entry)) {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        // A directory that is a link (junction, symbolic link) is not descended into, so a link
        // cycle cannot make the walk endless; it is still listed when a pattern matches its name.
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        Walk({dir.name + AnsiPath(entry.cFileName) + "\\", dir.path + entry.cFileName + L"\\"}, patterns, subdir, out);
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

FindIterator::FindIterator() : first_pending_(true), first_() {}

FindIterator::~FindIterator() { Close(); }

bool FindIterator::Open(const wchar_t* pattern_path) {
    if (handle_.valid()) return false;
    handle_.reset(FindFirstFileW(pattern_path, &first_));
    if (!handle_.valid()) return false;
    while (IsDotEntry(first_.cFileName)) {
        if (!FindNextFileW(handle_.get(), &first_)) {
            Close();
            return false;
        }
    }
    first_pending_ = true;
    return true;
}

bool FindIterator::Next(WIN32_FIND_DATAW* record) {
    if (!handle_.valid()) return false;
    if (first_pending_) {
        *record = first_;
        first_pending_ = false;
        return true;
    }
    while (FindNextFileW(handle_.get(), record)) {
        if (!IsDotEntry(record->cFileName)) return true;
    }
    return false;
}

void FindIterator::Close() {
    handle_.reset();
    first_pending_ = true;
}

FileList EnumerateFiles(const kxlib::string& directory, const kxlib::string& file_patterns, bool subdir) {
    std::vector<std::wstring> patterns;
    for (const kxlib::string& item : SplitPatterns(file_patterns)) patterns.push_back(WidePath(item.c_str()));
    FileList list;
    Walk({directory, WidePath(directory.c_str())}, patterns, subdir, &list);
    return list;
}

}  // namespace kx
