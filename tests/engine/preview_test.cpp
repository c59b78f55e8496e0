// The "Preview" run: nothing in the tree changes (bytes, names, time stamps), its counts are those the
// next "Replace" logs, every refused file is told with its reason, and the changed lines are shown as
// they read and as they would read, joined and split lines included, within the bounds of the reply.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <string>

#include "engine/job_settings.h"
#include "engine/preview.h"
#include "log_texts.h"
#include "run_fixture.h"
#include "test_support.h"

using kxtest::ReadFileBytes;
using kxtest::WriteFileBytes;

namespace {

// Every entry of a directory: name, bytes, attributes and the three times.
std::map<std::string, std::string> Snapshot(const std::string& dir) {
    std::map<std::string, std::string> entries;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir + "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return entries;
    do {
        std::string name = d.cFileName;
        if (name == "." || name == "..") continue;
        char facts[96];
        std::snprintf(facts, sizeof facts, "|%lx|%lx%08lx|%lx%08lx|%lx%08lx", d.dwFileAttributes,
                      d.ftCreationTime.dwHighDateTime, d.ftCreationTime.dwLowDateTime,
                      d.ftLastAccessTime.dwHighDateTime, d.ftLastAccessTime.dwLowDateTime,
                      d.ftLastWriteTime.dwHighDateTime, d.ftLastWriteTime.dwLowDateTime);
        entries[name] = ReadFileBytes(dir + name) + facts;
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return entries;
}

// Sets the write time to a day long past and the access time an hour ahead: reading the file then
// leaves its access time as it is where the file system updates it only when it is older than the
// last change (Linux's relatime), so any time that changes was set by the run.
void SetOldTimes(const std::string& path) {
    SYSTEMTIME written = {2020, 3, 0, 1, 10, 0, 0, 0};
    FILETIME w, a;
    SystemTimeToFileTime(&written, &w);
    GetSystemTimeAsFileTime(&a);
    ULARGE_INTEGER ahead;
    ahead.LowPart = a.dwLowDateTime;
    ahead.HighPart = a.dwHighDateTime;
    ahead.QuadPart += 3600ull * 10000000ull;
    a.dwLowDateTime = ahead.LowPart;
    a.dwHighDateTime = ahead.HighPart;
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, &a, &w);
    CloseHandle(h);
}

class PreviewRun : public kxtest::RunFixture {
protected:
    PreviewRun() : RunFixture("preview") {}
    void Job(const char* options, const char* find, const char* replace) {
        job.Set(options);
        ASSERT_TRUE(job.SetFindStr(find));
        job.SetReplaceStr(replace);
    }
    std::string Preview() {
        EXPECT_TRUE(job.Preview());
        return job.PreviewReply();
    }
};

}  // namespace

TEST_F(PreviewRun, WritesNothingTellsEveryRefusalAndCountsAsTheNextReplace) {
    WriteFileBytes(dir / "a.txt", "old one\r\nkeep\r\nold old\r\n");
    WriteFileBytes(dir / "b.txt", "nothing\r\n");
    WriteFileBytes(dir / "ro.txt", "old");
    WriteFileBytes(dir / "bin.txt", std::string("old\0old", 7));
    WriteFileBytes(dir / "emoji.txt", "\xEF\xBB\xBFold \xF0\x9F\x98\n");  // a cut-short UTF-8 sequence
    WriteFileBytes(dir / "euc.txt", "\xC6\xFC\xCB\xDC old\n\xA4\xA2\n");  // EUC-JP: no form for F0 40
    WriteFileBytes(dir / "z.txt", "old");
    for (const char* name : {"a.txt", "b.txt", "ro.txt", "bin.txt", "emoji.txt", "euc.txt", "z.txt"})
        SetOldTimes(dir / name);
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE held =
        CreateFileA((dir / "z.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    // A replace of the last run stays what "Log" and "Notices" tell.
    job.replaced_log.assign("earlier log");
    job.notice_log.assign("earlier notices");

    Job("casesense,backup,keep_timestamp", "old", "\xF0\x40");
    const auto before = Snapshot(dir.path());
    const std::string preview = Preview();
    EXPECT_EQ(Snapshot(dir.path()), before) << "no file, backup, temporary file or time stamp";
    EXPECT_STREQ(job.Log(), "earlier log");
    EXPECT_STREQ(job.Notices(), "earlier notices");

    // Files in list order, then the refused ones with their reasons.
    auto listed = [&](const std::string& line) { return preview.find(line + "\n") != std::string::npos; };
    EXPECT_TRUE(listed("file 3 " + dir / "a.txt")) << preview;
    EXPECT_TRUE(listed("- 1 old one"));
    EXPECT_TRUE(listed("+ 1 \xF0\x40 one"));
    EXPECT_TRUE(listed("- 3 old old"));
    EXPECT_TRUE(listed("+ 3 \xF0\x40 \xF0\x40"));
    EXPECT_EQ(preview.find("keep"), std::string::npos) << "unchanged lines are not shown";
    EXPECT_EQ(preview.find("b.txt"), std::string::npos) << "a file without a hit is not listed";
    EXPECT_TRUE(listed("fail read-only " + dir / "ro.txt"));
    EXPECT_TRUE(listed("fail binary " + dir / "bin.txt"));
    EXPECT_TRUE(listed("fail lossy " + dir / "emoji.txt"));
    EXPECT_TRUE(listed("fail unencodable " + dir / "euc.txt"));
    EXPECT_TRUE(listed("fail held " + dir / "z.txt"));
    EXPECT_LT(preview.find("a.txt"), preview.find("fail "));

    // The same job replaced: the counts are those of the preview, and so are the refusals.
    EXPECT_TRUE(job.Replace());
    CloseHandle(held);
    EXPECT_EQ(std::string(job.Log()), kxtest::Replaced(dir / "a.txt", 3));
    const std::string notices = job.Notices();
    for (const char* name : {"ro.txt", "bin.txt", "emoji.txt", "euc.txt", "z.txt"})
        EXPECT_NE(notices.find(dir / name + kxtest::kFailed), std::string::npos) << name;
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(PreviewRun, JoinedAndSplitLinesAreShownWithTheirNumbersInBothTexts) {
    WriteFileBytes(dir / "j.txt", "one\ntwo\nthree\nfour\nfive\n");
    Job("casesense", "two\n", "");
    EXPECT_EQ(Preview(), "file 1 " + dir / "j.txt" + "\n- 2 two\n- 3 three\n+ 2 three\n");

    // Split: the new lines are numbered in the new text, after the lines earlier changes added.
    WriteFileBytes(dir / "j.txt", "a x\r\nb\r\nc x\r\n");
    Job("casesense", "x", "1\n2");
    EXPECT_EQ(Preview(), "file 2 " + dir / "j.txt" + "\n- 1 a x\n+ 1 a 1\n+ 2 2\n- 3 c x\n+ 4 c 1\n+ 5 2\n");

    // Matches on one line make one change.
    WriteFileBytes(dir / "j.txt", "x x x\n");
    Job("casesense", "x", "y");
    EXPECT_EQ(Preview(), "file 3 " + dir / "j.txt" + "\n- 1 x x x\n+ 1 y y y\n");
}

TEST_F(PreviewRun, ReplyIsBoundedAndSaysWhatItLeavesOut) {
    std::string many;
    for (int i = 0; i < 30; ++i) many += "hit\nplain\n";
    WriteFileBytes(dir / "many.txt", many);
    // A long line of double-byte characters is cut at a character boundary.
    std::string long_line = "hit";
    for (int i = 0; i < 300; ++i) long_line += "あ";
    WriteFileBytes(dir / "wide.txt", long_line + "\n");
    Job("casesense", "hit", "HIT");
    const std::string preview = Preview();
    EXPECT_NE(preview.find("file 30 " + dir / "many.txt" + "\n"), std::string::npos) << preview;
    EXPECT_NE(preview.find("- 39 hit\n+ 39 HIT\n... 10 more changes in this file not shown\n"), std::string::npos);
    EXPECT_EQ(preview.find("- 41 hit"), std::string::npos);
    const std::string cut = "- 1 hit" + long_line.substr(3, 396) + "\n... line 1 is cut after 400 bytes\n";
    EXPECT_NE(preview.find(cut), std::string::npos);

    // Beyond its size the reply names how many files it leaves out.
    kx::PreviewWriter small(64);
    small.Refused("C:\\a-rather-long-path-name\\of-a-refused-file.txt", kx::FailReason::kReadOnly);
    small.Refused("C:\\b.txt", kx::FailReason::kHeld);
    small.Refused("C:\\c.txt", kx::FailReason::kHeld);
    EXPECT_EQ(std::string(small.Text().c_str()),
              "fail read-only C:\\a-rather-long-path-name\\of-a-refused-file.txt\n"
              "... 2 more files with hits or failures not shown: the preview is cut after 64 bytes\n");
}

TEST_F(PreviewRun, NoFilesAnswersFalseWithAnEmptyReply) {
    Job("casesense", "x", "y");
    EXPECT_FALSE(job.Preview());
    EXPECT_STREQ(job.PreviewReply(), "");
}
