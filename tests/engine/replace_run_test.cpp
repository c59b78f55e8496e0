// The "Replace" run: log texts and counts, encodings and line breaks kept, backups, time stamps,
// and the guarantees that no file is left half-written, damaged or rewritten with lost characters.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "engine/job_settings.h"
#include "engine/read_ahead.h"
#include "engine/replace_run.h"
#include "engine/write_behind.h"
#include "log_texts.h"
#include "run_fixture.h"
#include "test_support.h"

using kxtest::kFailed;
using kxtest::kNoHit;
using kxtest::ReadFileBytes;
using kxtest::Replaced;
using kxtest::WriteFileBytes;

namespace {
class ReplaceRun : public kxtest::RunFixture {
protected:
    ReplaceRun() : RunFixture("run") {}
};
}  // namespace

TEST_F(ReplaceRun, LogLinesAndCounts) {
    WriteFileBytes(dir / "a.txt", "old old\r\n");
    WriteFileBytes(dir / "b.txt", "nothing here\r\n");
    WriteFileBytes(dir / "c.txt", "aaaa aaa\n");
    Find("old", "new");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "new new\r\n");
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 2));
    EXPECT_EQ(std::string(job.notice_log.c_str()), dir / "b.txt" + kNoHit + dir / "c.txt" + kNoHit);

    Find("aa", "aa-aa");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(dir / "c.txt"), "aa-aaaa-aa aa-aaa\n") << "touching matches count 2, no re-match inside";
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "c.txt", 3));
}

TEST_F(ReplaceRun, NoFilesAndListedTwice) {
    Find("x", "y");
    EXPECT_FALSE(job.Replace());
    EXPECT_STREQ(job.Log(), "");
    EXPECT_EQ(std::string(job.notice_log.c_str()), kxtest::kNoFiles);
    WriteFileBytes(dir / "a.txt", "x");
    job.SetFilePattern("*.txt;a.*");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 1));
    EXPECT_EQ(std::string(job.notice_log.c_str()), dir / "a.txt" + kNoHit) << "the second pass finds y only";
}

TEST_F(ReplaceRun, EncodingMarkAndLineBreaksKeptOutsideTheReplacedWords) {
    const std::string sjis_crlf = "\x93\xFA\x96\x7B old \x95\x5C\r\nline2 old\r\n";
    const std::string utf8_bom = "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC old\nx\n";
    const std::string utf16le = std::string(
        "\xFF\xFE"
        "o\0l\0d\0\r\0\n\0\xE5\x65",
        14);
    const std::string eucjp_lf = "\xC6\xFC\xCB\xDC old\n\xA4\xA2\n";
    WriteFileBytes(dir / "sjis.txt", sjis_crlf);
    WriteFileBytes(dir / "utf8.txt", utf8_bom);
    WriteFileBytes(dir / "utf16.txt", utf16le);
    WriteFileBytes(dir / "euc.txt", eucjp_lf);
    Find("old", "NEW");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(dir / "sjis.txt"), "\x93\xFA\x96\x7B NEW \x95\x5C\r\nline2 NEW\r\n");
    EXPECT_EQ(ReadFileBytes(dir / "utf8.txt"), "\xEF\xBB\xBF\xE6\x97\xA5\xE6\x9C\xAC NEW\nx\n");
    EXPECT_EQ(ReadFileBytes(dir / "utf16.txt"), std::string("\xFF\xFE"
                                                            "N\0E\0W\0\r\0\n\0\xE5\x65",
                                                            14));
    EXPECT_EQ(ReadFileBytes(dir / "euc.txt"), "\xC6\xFC\xCB\xDC NEW\n\xA4\xA2\n");
    EXPECT_EQ(TemporaryFilesLeft(), 0);
}

TEST_F(ReplaceRun, PrescribedLineBreakOnlyForChangedFiles) {
    WriteFileBytes(dir / "hit.txt", "a old\r\nb\r\n");
    WriteFileBytes(dir / "miss.txt", "a\r\nb\r\n");
    job.SetLineBreak("lf");
    Find("old", "new");
    job.Replace();
    EXPECT_EQ(ReadFileBytes(dir / "hit.txt"), "a new\nb\n");
    EXPECT_EQ(ReadFileBytes(dir / "miss.txt"), "a\r\nb\r\n");
}

TEST_F(ReplaceRun, BackupIsMadeOnceAndNeverOverwritten) {
    job.Set("casesense,backup");
    WriteFileBytes(dir / "a.txt", "one old");
    WriteFileBytes(dir / "b.txt", "two old");
    WriteFileBytes(dir / "b.txt.bak", "earlier backup");
    WriteFileBytes(dir / "c.txt", "no hit");
    Find("old", "new");
    job.Replace();
    EXPECT_EQ(ReadFileBytes(dir / "a.txt.bak"), "one old");
    EXPECT_EQ(ReadFileBytes(dir / "b.txt.bak"), "earlier backup");
    EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "two new");
    EXPECT_EQ(ReadFileBytes(dir / "c.txt.bak"), "<missing>");
}

// The file to be backed up can no longer be copied when its new text is written (another program
// locked it after it was read, or it was removed): an older backup stays as it was, and no copy of
// the run's own is left behind.
TEST_F(ReplaceRun, BackupCopyThatFailsNeverTouchesAnOlderBackup) {
    const std::string path = dir / "a.txt";
    const std::wstring list_path(path.begin(), path.end());  // the scratch paths are ASCII
    kx::FileWrite write;
    write.path = &list_path;
    write.output.assign("new");
    write.count = 1;
    write.char_set = kx::kCharSetSjis;
    write.line_break = kx::kLineBreakCrLf;
    write.backup = true;

    WriteFileBytes(path, "old");
    WriteFileBytes(path + ".bak", "older backup");
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(kx::WriteChanged(write).ok);
    CloseHandle(h);
    EXPECT_EQ(ReadFileBytes(path), "old");
    EXPECT_EQ(ReadFileBytes(path + ".bak"), "older backup");
    EXPECT_EQ(TemporaryFilesLeft(), 0);

    DeleteFileA(path.c_str());
    kx::WriteChanged(write);
    EXPECT_EQ(ReadFileBytes(path + ".bak"), "older backup");
    EXPECT_EQ(TemporaryFilesLeft(), 0);

    // Without an older backup, a copy that cannot be made leaves no backup at all, and a later
    // successful one is whole.
    DeleteFileA((path + ".bak").c_str());
    kx::WriteChanged(write);
    EXPECT_EQ(ReadFileBytes(path + ".bak"), "<missing>");
    WriteFileBytes(path, "old");
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    write.read_only = true;
    EXPECT_FALSE(kx::WriteChanged(write).ok) << "a read-only file is refused, its backup made";
    write.read_only = false;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(path + ".bak"), "old");
    EXPECT_TRUE(kx::WriteChanged(write).ok);
    EXPECT_EQ(ReadFileBytes(path), "new");
    EXPECT_EQ(ReadFileBytes(path + ".bak"), "old");
    SetFileAttributesA((path + ".bak").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(TemporaryFilesLeft(), 0);
}

// Files beyond what a run can hold are refused from their size alone: sparse files of that size and
// of just over 4 GB (whose size in its low 32 bits is small) cost no disk and are never read.
TEST_F(ReplaceRun, FileTooLargeForTheRunIsRefusedWithoutBeingRead) {
    auto sparse = [&](const std::string& name, uint64_t size) {
        HANDLE h = CreateFileA((dir / name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD done = 0;
        WriteFile(h, "old ", 4, &done, nullptr);
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        ASSERT_TRUE(SetFilePointerEx(h, at, nullptr, FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(h));
        CloseHandle(h);
    };
    sparse("big.txt", kx::kLargestRunFile + 1);
    sparse("huge.txt", (1ull << 32) + 16);
    WriteFileBytes(dir / "small.txt", "old");
    Find("old", "new");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(std::string(job.notice_log.c_str()), dir / "big.txt" + kFailed + dir / "huge.txt" + kFailed);
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "small.txt", 1));
    WIN32_FILE_ATTRIBUTE_DATA facts;
    ASSERT_TRUE(GetFileAttributesExA((dir / "huge.txt").c_str(), GetFileExInfoStandard, &facts));
    EXPECT_EQ(facts.nFileSizeHigh, 1u);
    EXPECT_EQ(facts.nFileSizeLow, 16u);
    EXPECT_EQ(ReadFileBytes(dir / "small.txt"), "new");
}

// A file the process has no memory for gets its failure line, untouched, and the run goes on with
// the others: the 32-bit address space is filled with reservations (no memory is used), leaving
// only pieces too small for the large file's text.
TEST_F(ReplaceRun, FileThereIsNoMemoryForGetsItsFailureLine) {
#ifdef _WIN64
    GTEST_SKIP() << "a 64-bit address space cannot be filled";
#else
    const std::string big(48u << 20, 'x');
    WriteFileBytes(dir / "a.txt", "old");
    WriteFileBytes(dir / "b.txt", "old " + big);
    WriteFileBytes(dir / "c.txt", "old");
    Find("old", "new");
    std::vector<void*> reserved;
    for (SIZE_T piece : {SIZE_T(64u << 20), SIZE_T(16u << 20)}) {
        while (void* p = VirtualAlloc(nullptr, piece, MEM_RESERVE, PAGE_NOACCESS)) reserved.push_back(p);
    }
    // Room again for the threads and the small files: a few pieces of 16 MB, each too small for the text.
    for (int i = 0; i < 4 && !reserved.empty(); ++i) {
        VirtualFree(reserved.back(), 0, MEM_RELEASE);
        reserved.pop_back();
    }
    const bool ran = job.Replace();
    for (void* p : reserved) VirtualFree(p, 0, MEM_RELEASE);
    EXPECT_TRUE(ran);
    EXPECT_EQ(std::string(job.notice_log.c_str()), dir / "b.txt" + kFailed);
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "a.txt", 1) + Replaced(dir / "c.txt", 1));
    EXPECT_EQ(ReadFileBytes(dir / "b.txt"), "old " + big);
    EXPECT_EQ(TemporaryFilesLeft(), 0);
#endif
}

TEST_F(ReplaceRun, TimeStampsKeptToTheMillisecond) {
    job.Set("casesense,keep_timestamp");
    WriteFileBytes(dir / "a.txt", "old");
    WriteFileBytes(dir / "b.txt", "none");
    SYSTEMTIME st = {2019, 4, 0, 1, 12, 34, 56, 789};
    FILETIME ft;
    SystemTimeToFileTime(&st, &ft);
    for (const char* name : {"a.txt", "b.txt"}) {
        HANDLE h = CreateFileA((dir / name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        SetFileTime(h, nullptr, &ft, &ft);
        CloseHandle(h);
    }
    Find("old", "new");
    job.Replace();
    for (const char* name : {"a.txt", "b.txt"}) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExA((dir / name).c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &ft), 0) << name;
    }
    EXPECT_EQ(ReadFileBytes(dir / "a.txt"), "new");
}

TEST_F(ReplaceRun, UnwritableLossyAndBinaryFilesAreReportedAndUntouched) {
    WriteFileBytes(dir / "ro.txt", "old");
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    // UTF-8 with an encoded surrogate: ill-formed, it cannot be written back as it is.
    const std::string emoji = "\xEF\xBB\xBFold \xED\xA0\xBD\xED\xB8\x80\n";
    WriteFileBytes(dir / "emoji.txt", emoji);
    const std::string binary("old\0old", 7);
    WriteFileBytes(dir / "bin.txt", binary);
    WriteFileBytes(dir / "ok.txt", "old");
    Find("old", "new");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(dir / "ro.txt"), "old");
    EXPECT_NE(GetFileAttributesA((dir / "ro.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u) << "not made writable";
    EXPECT_EQ(ReadFileBytes(dir / "emoji.txt"), emoji);
    EXPECT_EQ(ReadFileBytes(dir / "bin.txt"), binary);
    EXPECT_EQ(ReadFileBytes(dir / "ok.txt"), "new");
    std::string notice = job.notice_log.c_str();
    for (const char* name : {"ro.txt", "emoji.txt", "bin.txt"})
        EXPECT_NE(notice.find(dir / name + kFailed), std::string::npos) << name;
    EXPECT_EQ(std::string(job.Log()), Replaced(dir / "ok.txt", 1));
    EXPECT_EQ(TemporaryFilesLeft(), 0);
    SetFileAttributesA((dir / "ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(ReplaceRun, ReplacementTheEncodingCannotHoldIsRefused) {
    // EUC-JP has no form for the user-defined character F0 40: the file keeps its old content.
    const std::string euc = "\xC6\xFC\xCB\xDC old\n\xA4\xA2\n";
    WriteFileBytes(dir / "euc.txt", euc);
    WriteFileBytes(dir / "utf8.txt", "\xEF\xBB\xBFold\n");
    Find("old", "\xF0\x40");
    EXPECT_TRUE(job.Replace());
    EXPECT_EQ(ReadFileBytes(dir / "euc.txt"), euc);
    EXPECT_EQ(std::string(job.notice_log.c_str()), dir / "euc.txt" + kFailed);
    EXPECT_EQ(ReadFileBytes(dir / "utf8.txt"), "\xEF\xBB\xBF\xEE\x80\x80\n") << "a private-use character in UTF-8";
    EXPECT_EQ(TemporaryFilesLeft(), 0);
}

TEST_F(ReplaceRun, FileHeldOpenWithoutSharingIsReportedAndUntouched) {
    WriteFileBytes(dir / "locked.txt", "old");
    HANDLE h = CreateFileA((dir / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Find("old", "new");
    job.Replace();
    CloseHandle(h);
    EXPECT_EQ(ReadFileBytes(dir / "locked.txt"), "old");
    EXPECT_EQ(std::string(job.notice_log.c_str()), dir / "locked.txt" + kFailed);
    EXPECT_EQ(TemporaryFilesLeft(), 0);
}

// The run reads ahead and writes behind on threads of its own; the files and the log must come out
// exactly as one file after the other gives them. The tree has files larger than what is read ahead
// and held for writing, files listed twice, refused files and files without a hit.
TEST_F(ReplaceRun, OverlappedRunGivesWhatOneFileAfterTheOtherGives) {
    kxtest::ScratchDir copy("run-one-by-one");
    auto both = [&](const std::string& name, const std::string& bytes) {
        ASSERT_TRUE(WriteFileBytes(dir / name, bytes));
        ASSERT_TRUE(WriteFileBytes(copy / name, bytes));
    };
    std::string wide = "\xFF\xFE";
    for (char c : std::string("an old line\r\n")) wide += std::string(1, c) + '\0';
    for (int i = 0; i < 60; ++i) {
        std::string text;
        for (int line = 0; line < (i * 37) % 500; ++line)
            text += line % 7 == i % 7 ? "old あ line\r\n" : "\x95\x5C plain\n";
        both("f" + std::to_string(i) + ".txt", i % 5 == 0 ? wide + std::string(static_cast<size_t>(i) * 2, 'x') : text);
    }
    std::string big;  // beyond what is read ahead, and its new text beyond what is held for writing
    while (big.size() < (17u << 20)) big += "old 漢字 line of a large file\r\n";
    both("large.txt", big);
    both("binary.txt", std::string("old\0", 4));
    both("lossy.txt", "\xEF\xBB\xBFold \xED\xA0\xBD\xED\xB8\x80\n");
    both("emoji.txt", "\xEF\xBB\xBFold \xF0\x9F\x98\x80\n");
    both("grows.txt", "old");
    for (const kxtest::ScratchDir* d : {&dir, &copy})
        SetFileAttributesA((*d / "f7.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    // "grows.txt" is listed twice: its second entry must see what the first wrote.
    job.Set("casesense,backup");
    job.SetFilePattern("*.txt;grows.txt");
    Find("old", "old old");
    EXPECT_TRUE(job.Replace());

    kx::JobSettings one;
    one.Set("casesense,backup");
    ASSERT_TRUE(one.SetFindStr("old"));
    one.SetReplaceStr("old old");
    std::string replaced, notice;
    WIN32_FIND_DATAA d;
    std::vector<std::string> names;
    HANDLE h = FindFirstFileA((copy / "*.txt").c_str(), &d);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do names.push_back(d.cFileName);
    while (FindNextFileA(h, &d));
    FindClose(h);
    names.push_back("grows.txt");
    for (const std::string& name : names) {
        kx::FileOutcome outcome = kx::ProcessFile(one, kx::WidePath((copy / name).c_str()));
        const std::string line_path = dir / name;
        if (!outcome.ok) notice += line_path + kFailed;
        else if (outcome.count == 0) notice += line_path + kNoHit;
        else replaced += Replaced(line_path, outcome.count);
    }
    EXPECT_EQ(replaced, std::string(job.Log()));
    EXPECT_EQ(notice, std::string(job.notice_log.c_str()));
    EXPECT_NE(std::string::npos, replaced.find(Replaced(dir / "grows.txt", 2)))
        << "the second entry saw the first's text";
    for (const std::string& name : names) {
        EXPECT_TRUE(ReadFileBytes(dir / name) == ReadFileBytes(copy / name)) << name;
        EXPECT_TRUE(ReadFileBytes(dir / name + ".bak") == ReadFileBytes(copy / name + ".bak")) << name;
    }
    EXPECT_EQ(TemporaryFilesLeft(), 0);
    for (const kxtest::ScratchDir* d : {&dir, &copy})
        SetFileAttributesA((*d / "f7.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(ReplaceAll, DoubleByteSafeAndEmptyMatchesAdvance) {
    ASSERT_EQ(GetACP(), 932u);
    kx::Matcher m;
    m.SetOption("use_regular", false);
    ASSERT_TRUE(m.SetFindString("\\"));
    kxlib::string out;
    // "表" (95 5C) keeps its trail byte; only the real backslash is replaced.
    EXPECT_EQ(kx::ReplaceAll(m, kxlib::string("/"), kxlib::string("\x95\x5C\\x"), &out), 1);
    EXPECT_EQ(std::string(out.c_str()), "\x95\x5C/x");
}
