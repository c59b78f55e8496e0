// A disk that fills up: runs on a small filesystem (KESTREL_SMALL_DISK, mounted by small_disk.sh)
// with too little room left for the temporary copy of the larger files. They keep their old content
// and get the failure line; the small file that fits is rewritten; nothing half written is left, no
// temporary file and no cut-short backup. Bindery's key file on a disk too full for the new one
// keeps its old content.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/job_settings.h"
#include "key_file_samples.h"
#include "log_texts.h"
#include "test_support.h"

namespace {

const std::string kFind = "検索";
const std::string kReplace = "置換後";  // longer than what it replaces
using kxtest::kFailedWords;

std::string Content(size_t bytes) {
    std::string t;
    for (int i = 0; t.size() < bytes; ++i) t += std::to_string(i) + " " + kFind + " あい\r\n";
    return t;
}

std::string Replaced(std::string t) {
    for (size_t at = 0; (at = t.find(kFind, at)) != std::string::npos; at += kReplace.size())
        t.replace(at, kFind.size(), kReplace);
    return t;
}

// The folder of the small filesystem, or empty when there is none here.
std::string SmallDisk() {
    const char* where = std::getenv("KESTREL_SMALL_DISK");
    if (!where || !*where) return "";
    std::string dir = where;
    for (char& c : dir)
        if (c == '/') c = '\\';
    if (dir.back() != '\\') dir += '\\';
    ULARGE_INTEGER free_bytes, total;
    if (!GetDiskFreeSpaceExA(dir.c_str(), &free_bytes, &total, nullptr) || total.QuadPart > (16u << 20)) return "";
    return dir;
}

uint64_t FreeBytes(const std::string& dir) {
    ULARGE_INTEGER free_bytes, total;
    GetDiskFreeSpaceExA(dir.c_str(), &free_bytes, &total, nullptr);
    return free_bytes.QuadPart;
}

// Fills the disk until only `room` bytes are left (to the filesystem's block size).
void FillTo(const std::string& dir, uint64_t room) {
    HANDLE h = CreateFileA((dir + "filler.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    std::vector<char> block(4096, 'f');
    while (FreeBytes(dir) > room) {
        DWORD written = 0;
        if (!WriteFile(h, block.data(), 4096, &written, nullptr) || written == 0) break;
    }
    CloseHandle(h);
}

void Empty(const std::string& dir) {
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        SetFileAttributesA((dir + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) kxtest::RemoveTree(dir + name + "\\");
        else DeleteFileA((dir + name).c_str());
    } while (FindNextFileA(h, &d));
    FindClose(h);
}

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = d.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return names;
}

std::string LineOf(const kx::JobSettings& job, const std::string& path) {
    for (const kxlib::string* log : {&job.replaced_log, &job.notice_log}) {
        std::string text(log->c_str(), log->length());
        size_t at = text.find(path + "\x82");
        if (at == std::string::npos) at = text.find(path + "\x93");
        if (at != std::string::npos) return text.substr(at + path.size(), text.find('\n', at) - at - path.size());
    }
    return "<no line>";
}

TEST(SmallDisk, FullDiskKeepsEveryOriginal) {
    const std::string dir = SmallDisk();
    if (dir.empty()) GTEST_SKIP() << "no small filesystem here: the fault seam covers a full disk";
    for (uint64_t room : {40u << 10, 0u}) {
        SCOPED_TRACE("room left: " + std::to_string(room));
        Empty(dir);
        const std::string big = Content(120 << 10), small = Content(3000);
        ASSERT_TRUE(kxtest::WriteFileBytes(dir + "big1.txt", big));
        ASSERT_TRUE(kxtest::WriteFileBytes(dir + "big2.txt", big));
        ASSERT_TRUE(kxtest::WriteFileBytes(dir + "small.txt", small));
        FillTo(dir, room);
        std::printf("[ disk     ] %llu bytes free before the run\n", static_cast<unsigned long long>(FreeBytes(dir)));

        kx::JobSettings job;
        job.Set("casesense,backup,keep_timestamp");
        job.SetDir(dir.c_str());
        job.SetFilePattern("*.txt");
        ASSERT_TRUE(job.SetFindStr(kFind.c_str()));
        job.SetReplaceStr(kReplace.c_str());
        EXPECT_TRUE(job.Replace());

        for (const char* name : {"big1.txt", "big2.txt"}) {
            EXPECT_EQ(big, kxtest::ReadFileBytes(dir + name)) << name;
            EXPECT_EQ(kFailedWords, LineOf(job, dir + name)) << name;
        }
        const std::string now = kxtest::ReadFileBytes(dir + "small.txt");
        if (room > 0) {
            EXPECT_EQ(Replaced(small), now);
        } else {
            EXPECT_EQ(small, now);
            EXPECT_EQ(kFailedWords, LineOf(job, dir + "small.txt"));
        }
        // Nothing else but whole backups.
        for (const std::string& name : Names(dir)) {
            if (name == "big1.txt" || name == "big2.txt" || name == "small.txt" || name == "filler.bin") continue;
            ASSERT_TRUE(name.size() > 4 && name.compare(name.size() - 4, 4, ".bak") == 0) << "left behind: " << name;
            const std::string of = name.substr(0, name.size() - 4);
            EXPECT_EQ(of == "small.txt" ? small : big, kxtest::ReadFileBytes(dir + name))
                << "cut-short backup " << name;
        }
    }
    Empty(dir);
}

TEST(SmallDisk, FullDiskKeepsTheOldKeyFile) {
    const std::string dir = SmallDisk();
    if (dir.empty()) GTEST_SKIP() << "no small filesystem here: the fault seam covers a full disk";
    Empty(dir);
    // The store is loaded from a key file with a long macro list, elsewhere; the key file on the
    // small disk has no macro data, and the disk has less room than the longer file needs even
    // once the old one's room is counted in.
    kxtest::ScratchDir source_dir("small-disk-source");
    const std::string source = source_dir / "source.key";
    ASSERT_TRUE(kxtest::WriteFileBytes(source, kxtest::SampleKeyFile(80, 200)));
    const std::string old_key = kxtest::SampleKeyFile(0, 0);
    const std::string target = dir + "user.key";
    ASSERT_TRUE(kxtest::WriteFileBytes(target, old_key));
    FillTo(dir, 4096);
    ASSERT_LT(FreeBytes(dir) + old_key.size() + 4096, kxtest::ReadFileBytes(source).size());

    kxtest::InProcessBindery b;
    ASSERT_EQ(1, b.keys.ReadKeyFile(source.c_str(), 1));
    EXPECT_EQ(0, b.keys.WriteToKeyFile(target.c_str(), 2));
    const std::string now = kxtest::ReadFileBytes(target);
    EXPECT_TRUE(now == old_key) << "the old key file now holds " << now.size() << " other bytes";
    std::vector<std::string> names = Names(dir);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"filler.bin", "user.key"}), names) << "a temporary file was left";
    // The old file is still a key file.
    kxtest::InProcessBindery reader;
    EXPECT_EQ(1, reader.keys.ReadKeyFile(target.c_str(), 0));
    Empty(dir);
}

}  // namespace
