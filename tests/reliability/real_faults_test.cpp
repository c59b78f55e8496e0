// Real faults met by a run: a read-only file, a file another process holds open, directories that
// vanish while the run is under way. After each, no original is truncated or lost, no temporary file
// is left, the file that could not be done has the failure line, and the run goes on with the others.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "e2e/process_helpers.h"
#include "engine/job_settings.h"
#include "file_fault_support.h"
#include "log_texts.h"
#include "test_support.h"
#include "text/file_faults.h"

namespace {

const std::string kFind = "検索";
const std::string kReplace = "置換";
const std::string kOld = "a " + kFind + " b\r\n" + kFind + "\r\n";
const std::string kNew = "a " + kReplace + " b\r\n" + kReplace + "\r\n";
using kxtest::kFailedWords;
const std::string kReplacedTwo = kxtest::kReplacedIn + "2" + kxtest::kReplacedWords;

// A job over one directory, run in this process.
class RunOver {
public:
    RunOver(const std::string& dir, const char* options) {
        job_.Set(options);
        job_.SetDir(dir.c_str());
        job_.SetFilePattern("*.txt");
        job_.SetFindStr(kFind.c_str());
        job_.SetReplaceStr(kReplace.c_str());
    }
    bool Replace() { return job_.Replace(); }
    // The line of a path, without the path.
    std::string LineOf(const std::string& path) const {
        for (const kxlib::string* log : {&job_.replaced_log, &job_.notice_log}) {
            std::string text(log->c_str(), log->length());
            size_t at = text.find(path);
            while (at != std::string::npos && at != 0 && text[at - 1] != '\n') at = text.find(path, at + 1);
            if (at == std::string::npos) continue;
            size_t end = text.find('\n', at);
            std::string rest = text.substr(at + path.size(), end - at - path.size());
            // Not the line of a longer path that begins with this one.
            if (rest.compare(0, 2, "内") == 0 || rest.compare(0, 2, "の") == 0 || rest.compare(0, 2, "に") == 0)
                return rest;
        }
        return "<no line>";
    }
    int Lines() const {
        int n = 0;
        for (const kxlib::string* log : {&job_.replaced_log, &job_.notice_log})
            for (uint32_t i = 0; i < log->length(); ++i) n += (*log)[i] == '\n';
        return n;
    }

private:
    kx::JobSettings job_;
};

// Every temporary file of the run left anywhere under dir.
std::vector<std::string> Leftovers(const std::string& dir) {
    std::vector<std::string> found;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return found;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::string& f : Leftovers(dir + name + "\\")) found.push_back(f);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0) {
            found.push_back(dir + name);
        }
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return found;
}

TEST(RealFaults, ReadOnlyFileIsRefusedAndKept) {
    kxtest::ScratchDir dir("read-only");
    for (const char* name : {"a.txt", "ro.txt", "c.txt"}) ASSERT_TRUE(kxtest::WriteFileBytes(dir / name, kOld));
    ASSERT_TRUE(SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    RunOver run(dir.path(), "casesense,backup,keep_timestamp");
    EXPECT_TRUE(run.Replace());
    EXPECT_EQ(kFailedWords, run.LineOf(dir / "ro.txt"));
    EXPECT_EQ(kOld, kxtest::ReadFileBytes(dir / "ro.txt"));
    EXPECT_NE(0u, GetFileAttributesA((dir / "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    for (const char* name : {"a.txt", "c.txt"}) {
        EXPECT_EQ(kNew, kxtest::ReadFileBytes(dir / name)) << name;
        EXPECT_EQ(kReplacedTwo, run.LineOf(dir / name)) << name;
    }
    EXPECT_TRUE(Leftovers(dir.path()).empty());
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Another program holding a file open: without sharing it cannot even be read; sharing only reading,
// as an editor might, it can be read but must not be half replaced.
TEST(RealFaults, FileHeldOpenByAnotherProcess) {
    for (const char* share : {"none", "read", "all"}) {
        SCOPED_TRACE(share);
        kxtest::ScratchDir dir((std::string("held-") + share).c_str());
        for (const char* name : {"before.txt", "held.txt", "after.txt"})
            ASSERT_TRUE(kxtest::WriteFileBytes(dir / name, kOld));
        const std::string tag = std::to_string(GetCurrentProcessId()) + share;
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, ("KestrelHolderReady" + tag).c_str());
        HANDLE release = CreateEventA(nullptr, TRUE, FALSE, ("KestrelHolderRelease" + tag).c_str());
        ASSERT_TRUE(ready && release);
        kxtest::Program holder;
        ASSERT_TRUE(holder.Start("file_holder.exe", "\"" + dir / "held.txt" + "\" " + share + " KestrelHolderReady" +
                                                        tag + " KestrelHolderRelease" + tag));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 20000));

        RunOver run(dir.path(), "casesense,backup");
        EXPECT_TRUE(run.Replace());
        const std::string line = run.LineOf(dir / "held.txt");
        SetEvent(release);
        EXPECT_EQ(0, holder.Wait());
        CloseHandle(ready);
        CloseHandle(release);
        const std::string held = kxtest::ReadFileBytes(dir / "held.txt");

        if (std::string(share) == "none") {
            EXPECT_EQ(kFailedWords, line);
        }
        // Either the old content with the failure line, or the new content with its count.
        if (held == kOld) {
            EXPECT_EQ(kFailedWords, line);
        } else {
            EXPECT_EQ(kNew, held);
            EXPECT_EQ(kReplacedTwo, line);
        }
        if (held != kOld) {
            EXPECT_EQ(kOld, kxtest::ReadFileBytes(dir / "held.txt.bak"));
        }
        for (const char* name : {"before.txt", "after.txt"}) {
            EXPECT_EQ(kNew, kxtest::ReadFileBytes(dir / name)) << name;
            EXPECT_EQ(kReplacedTwo, run.LineOf(dir / name)) << name;
        }
        for (const std::string& left : Leftovers(dir.path())) ADD_FAILURE() << "left behind: " << left;
        std::printf("[ held     ] sharing %s: %s\n", share, held == kOld ? "refused, kept" : "replaced whole");
    }
}

// Runs an action at the first file opening of the run and fails nothing.
class AtFirstOpen : public kx::FileFaultPlan {
public:
    explicit AtFirstOpen(std::function<void()> action) : action_(std::move(action)) {}
    bool Fail(kx::FileCall call) override {
        if (call == kx::FileCall::Open && action_) {
            std::function<void()> once = std::move(action_);
            action_ = nullptr;
            once();
        }
        return false;
    }

private:
    std::function<void()> action_;
};

TEST(RealFaults, DirectoryVanishesWhileTheRunIsUnderWay) {
    kxtest::ScratchDir dir("vanishing");
    ASSERT_TRUE(CreateDirectoryA((dir / "sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((dir / "sub\\deeper").c_str(), nullptr));
    const std::vector<std::string> top = {"first.txt", "last.txt"};
    const std::vector<std::string> below = {"sub\\a.txt", "sub\\b.txt", "sub\\deeper\\c.txt"};
    for (const std::vector<std::string>* names : {&top, &below})
        for (const std::string& name : *names) ASSERT_TRUE(kxtest::WriteFileBytes(dir / name, kOld));

    // The listing holds every file; the subdirectory goes as soon as the first file is opened.
    AtFirstOpen vanish([&] { kxtest::RemoveTree(dir / "sub\\"); });
    RunOver run(dir.path(), "casesense,subdir,backup");
    {
        kxtest::Armed armed(&vanish);
        EXPECT_TRUE(run.Replace());
    }
    EXPECT_EQ(5, run.Lines());
    for (const std::string& name : top) {
        EXPECT_EQ(kNew, kxtest::ReadFileBytes(dir / name)) << name;
        EXPECT_EQ(kReplacedTwo, run.LineOf(dir / name)) << name;
    }
    for (const std::string& name : below) EXPECT_EQ(kFailedWords, run.LineOf(dir / name)) << name;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((dir / "sub").c_str()));
    EXPECT_TRUE(Leftovers(dir.path()).empty());

    // The whole start directory goes: every file fails, and nothing is made where it was.
    kxtest::ScratchDir gone("vanishing-all");
    for (const std::string& name : top) ASSERT_TRUE(kxtest::WriteFileBytes(gone / name, kOld));
    AtFirstOpen remove_all([&] { kxtest::RemoveTree(gone.path()); });
    RunOver all(gone.path(), "casesense,backup,keep_timestamp");
    {
        kxtest::Armed armed(&remove_all);
        EXPECT_TRUE(all.Replace());
    }
    for (const std::string& name : top) EXPECT_EQ(kFailedWords, all.LineOf(gone / name)) << name;
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(gone.path().c_str()));
}

}  // namespace
