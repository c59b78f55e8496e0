// Faults injected into the write path of a run: over a mixed corpus, the Nth file call of the run
// (open, read, write, flush, replace, copy, time stamp) is made to fail, for every N the run makes,
// as a single failing call, as a failure of every later call of that kind (a disk that stays full),
// and as a failure of every later call (a device that is gone). After
// each run every original is either untouched or holds exactly the content a run without faults
// gives it, its log line says which, no temporary file is left, backups are whole, and every file
// of the list has its line. Bindery's whole-file writes (key files and key listings) get the same
// sweep: after each failed write the old file is exactly as it was and no temporary file is left.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "crash_guard.h"
#include "engine/job_settings.h"
#include "file_fault_support.h"
#include "key_file_samples.h"
#include "log_texts.h"
#include "test_support.h"
#include "text/charset.h"
#include "text/file_faults.h"
#include "text/text_file.h"

namespace {

using kx::FileCall;

const char* CallName(FileCall c) {
    switch (c) {
        case FileCall::Open:
            return "open";
        case FileCall::Read:
            return "read";
        case FileCall::Write:
            return "write";
        case FileCall::Flush:
            return "flush";
        case FileCall::Replace:
            return "replace";
        case FileCall::Copy:
            return "copy";
        default:
            return "time stamp";
    }
}

// How long an injected failure lasts.
enum class Lasting {
    kOneCall,   // the Nth call fails, the ones after it succeed again
    kSameKind,  // the Nth call and every later call of its kind fail (a full disk: writes keep failing)
    kAll,       // every call from the Nth on fails (the device is gone)
};

const char* LastingName(Lasting l) {
    return l == Lasting::kOneCall ? "one call" : l == Lasting::kSameKind ? "same kind" : "all calls";
}

// Counts the file calls and fails from the Nth one on, as long as the failure lasts.
class NthCallFails : public kx::FileFaultPlan {
public:
    NthCallFails(uint32_t n, Lasting lasting) : n_(n), lasting_(lasting) {}
    bool Fail(FileCall call) override {
        ++calls_;
        if (calls_ == n_) first_failed_ = call;
        bool fail = false;
        if (n_ != 0 && calls_ >= n_) {
            fail =
                calls_ == n_ || lasting_ == Lasting::kAll || (lasting_ == Lasting::kSameKind && call == first_failed_);
        }
        if (fail) ++failed_;
        return fail;
    }
    uint32_t calls() const { return calls_; }
    uint32_t failed() const { return failed_; }
    FileCall first_failed() const { return first_failed_; }

private:
    uint32_t n_;
    Lasting lasting_;
    uint32_t calls_ = 0;
    uint32_t failed_ = 0;
    FileCall first_failed_ = FileCall::Open;
};

const std::string kFind = "検索";
const std::string kReplace = "置換後";

// Internal text (Shift_JIS, LF) of about `bytes` bytes with a hit on every other line, with or
// without half-width katakana (which would keep a JIS file from being recognised).
std::string Text(size_t bytes, bool half_width = true) {
    std::string t;
    for (int line = 0; t.size() < bytes; ++line) {
        t += std::to_string(line) + " \x82\xA0\x82\xA2\x83\x5C\x95\x5C ";
        if (line % 2 == 0) t += kFind + (half_width ? " ｶﾀｶﾅ ascii" : " ascii");
        t += "\n";
    }
    return t;
}

// One file of the corpus: its name and the bytes it starts with.
struct CorpusFile {
    std::string name;
    std::string bytes;
    bool read_only = false;
};

std::vector<CorpusFile> MakeCorpus() {
    using namespace kx;
    std::vector<CorpusFile> c;
    c.push_back({"sjis_crlf.txt", kxtest::Encoded(Text(300), kCharSetSjis, kLineBreakCrLf)});
    c.push_back({"sjis_lf_big.txt", kxtest::Encoded(Text(20000), kCharSetSjis, kLineBreakLf)});
    c.push_back({"sjis_cr.txt", kxtest::Encoded(Text(200), kCharSetSjis, kLineBreakCr)});
    c.push_back({"euc_lf.txt", kxtest::Encoded(Text(5000), kCharSetEucJp, kLineBreakLf)});
    c.push_back({"jis_crlf.txt", kxtest::Encoded(Text(700, false), kCharSetJis, kLineBreakCrLf)});
    c.push_back({"utf8_mark.txt", kxtest::Encoded(Text(900), kCharSetUtf8Bom, kLineBreakCrLf)});
    c.push_back({"utf8_big.txt", kxtest::Encoded(Text(9000), kCharSetUtf8, kLineBreakLf)});
    c.push_back({"utf16le.txt", kxtest::Encoded(Text(5000), kCharSetUtf16LeBom, kLineBreakCrLf)});
    c.push_back({"utf16be.txt", kxtest::Encoded(Text(400), kCharSetUtf16BeBom, kLineBreakLf)});
    c.push_back({"no_hit.txt", "nothing to find here\r\n"});
    c.push_back({"empty.txt", ""});
    c.push_back({"with_nul.txt", std::string("a\0b ", 4) + kFind + "\r\n"});
    // Ill-formed UTF-8 (an encoded surrogate) cannot be kept and is refused.
    c.push_back({"lossy.txt", "\xEF\xBB\xBF\xC3\xA9t\xED\xA0\x80 \xE6\xA4\x9C\xE7\xB4\xA2\n"});
    // Characters the code page lacks, held by stand-in codes; in UTF-16 the file's own U+E757 comes
    // after the code it would have clashed with was given out, so the file is read twice.
    std::string rare = "\xEF\xBB\xBF";
    for (int i = 0; i < 300; ++i)
        rare += "\xC3\xA9t\xC3\xA9\xC2\xA0\xF0\x9F\x98\x80 \xE6\xA4\x9C\xE7\xB4\xA2\xE2\x80\x94\n";
    c.push_back({"utf8_rare.txt", rare});
    c.push_back({"utf16_rare.txt", std::string("\xFF\xFE\x00\xAC"
                                               "x\0\x1C\x69\x22\x7D\x57\xE7\x3D\xD8\x00\xDE\n\0",
                                               18)});
    CorpusFile read_only{"read_only.txt", kxtest::Encoded(Text(100), kCharSetSjis, kLineBreakCrLf)};
    read_only.read_only = true;
    c.push_back(read_only);
    c.push_back({"old_backup.txt", kxtest::Encoded(Text(150), kCharSetSjis, kLineBreakCrLf)});
    c.push_back({"old_backup.txt.bak", "an older backup\r\n"});
    return c;
}

void Lay(const kxtest::ScratchDir& dir, const std::vector<CorpusFile>& corpus) {
    for (const CorpusFile& f : corpus) {
        const std::string path = dir / f.name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_TRUE(kxtest::WriteFileBytes(path, f.bytes)) << f.name;
        if (f.read_only) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

std::set<std::string> Names(const kxtest::ScratchDir& dir) {
    std::set<std::string> names;
    WIN32_FIND_DATAA d;
    HANDLE h = FindFirstFileA((dir / "*").c_str(), &d);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        std::string n = d.cFileName;
        if (n != "." && n != "..") names.insert(n);
    } while (FindNextFileA(h, &d));
    FindClose(h);
    return names;
}

// The log lines of a run, each under the file name it begins with.
std::map<std::string, std::string> LinesByFile(const kx::JobSettings& job, const std::string& dir, int* lines) {
    std::map<std::string, std::string> out;
    *lines = 0;
    for (const kxlib::string* log : {&job.replaced_log, &job.notice_log}) {
        std::string text(log->c_str(), log->length());
        size_t start = 0, end;
        while ((end = text.find('\n', start)) != std::string::npos) {
            std::string line = text.substr(start, end - start);
            start = end + 1;
            ++*lines;
            if (line.compare(0, dir.size(), dir) != 0) continue;
            std::string rest = line.substr(dir.size());
            size_t dot = rest.find(".txt");
            out[rest.substr(0, dot + 4)] = rest.substr(dot + 4);
        }
    }
    return out;
}

class FaultSweep : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(932u, GetACP());
        corpus_ = MakeCorpus();
        for (const CorpusFile& f : corpus_) ASSERT_TRUE(f.name == "empty.txt" || !f.bytes.empty()) << f.name;
    }

    // Lays the corpus out afresh and runs the job over it under the plan.
    void Run(kx::FileFaultPlan* plan) {
        kxtest::RemoveTree(dir_.path());
        CreateDirectoryA(dir_.path().c_str(), nullptr);
        Lay(dir_, corpus_);
        job_.reset(new kx::JobSettings);
        job_->Set("casesense,backup,keep_timestamp");
        job_->SetDir(dir_.path().c_str());
        job_->SetFilePattern("*.txt");
        ASSERT_TRUE(job_->SetFindStr(kFind.c_str()));
        job_->SetReplaceStr(kReplace.c_str());
        kxtest::Armed armed(plan);
        EXPECT_TRUE(job_->Replace());
    }

    std::map<std::string, std::string> Contents() {
        std::map<std::string, std::string> out;
        for (const std::string& n : Names(dir_)) out[n] = kxtest::ReadFileBytes(dir_ / n);
        return out;
    }

    std::vector<CorpusFile> corpus_;
    kxtest::ScratchDir dir_{"fault-sweep"};
    std::unique_ptr<kx::JobSettings> job_;
};

TEST_F(FaultSweep, EveryCallOfARunFailingLeavesNoFileDamaged) {
    // The run without faults: what every file becomes, its log line, and how many calls it makes.
    NthCallFails counter(0, Lasting::kOneCall);
    Run(&counter);
    const uint32_t total = counter.calls();
    const std::map<std::string, std::string> reference = Contents();
    int reference_lines = 0;
    const std::map<std::string, std::string> reference_log = LinesByFile(*job_, dir_.path(), &reference_lines);
    ASSERT_GT(total, 50u);
    std::map<std::string, std::string> original;
    size_t listed = 0;
    for (const CorpusFile& f : corpus_) {
        original[f.name] = f.bytes;
        if (f.name.size() > 4 && f.name.compare(f.name.size() - 4, 4, ".txt") == 0) ++listed;
    }
    ASSERT_EQ(static_cast<int>(listed), reference_lines);
    // The corpus is what it is meant to be: files rewritten, files refused, files left alone.
    int rewritten = 0, refused = 0;
    for (const auto& line : reference_log) {
        if (reference.at(line.first) != original.at(line.first)) ++rewritten;
        if (line.second == kxtest::kFailedWords) ++refused;
    }
    ASSERT_EQ(12, rewritten);
    ASSERT_EQ(3, refused);  // NUL byte, ill-formed UTF-8, read-only

    uint32_t injected = 0, runs = 0;
    std::map<std::string, int> by_kind;
    for (Lasting lasting : {Lasting::kOneCall, Lasting::kSameKind, Lasting::kAll}) {
        for (uint32_t n = 1; n <= total; ++n) {
            const std::string where = std::string(LastingName(lasting)) + " failing from call " + std::to_string(n);
            kxtest::NoteInput(where);
            NthCallFails plan(n, lasting);
            Run(&plan);
            ++runs;
            injected += plan.failed();
            if (plan.failed()) ++by_kind[CallName(plan.first_failed())];
            SCOPED_TRACE(where + " (" + CallName(plan.first_failed()) + ")");

            const std::map<std::string, std::string> now = Contents();
            int lines = 0;
            const std::map<std::string, std::string> log = LinesByFile(*job_, dir_.path(), &lines);
            ASSERT_EQ(reference_lines, lines) << "one line per listed file";
            for (const auto& entry : now) {
                const std::string& name = entry.first;
                if (original.count(name)) continue;
                // Nothing new but a backup of a corpus file, holding that file's old bytes.
                ASSERT_EQ(".bak", name.substr(name.size() < 4 ? 0 : name.size() - 4)) << "left behind: " << name;
                const std::string of = name.substr(0, name.size() - 4);
                ASSERT_TRUE(original.count(of)) << name;
                ASSERT_EQ(original.at(of), entry.second) << "backup of " << of;
            }
            for (const auto& file : original) {
                const std::string& name = file.first;
                ASSERT_TRUE(now.count(name)) << "lost: " << name;
                const std::string& bytes = now.at(name);
                const bool untouched = bytes == file.second;
                ASSERT_TRUE(untouched || bytes == reference.at(name)) << "damaged: " << name;
                if (!log.count(name)) continue;  // not a listed file (the old backup)
                const std::string& line = log.at(name);
                if (untouched && reference.at(name) != file.second) {
                    EXPECT_EQ(kxtest::kFailedWords, line) << name << " kept its old content";
                } else if (!untouched) {
                    EXPECT_EQ(reference_log.at(name), line) << name << " was rewritten";
                } else {
                    EXPECT_TRUE(line == reference_log.at(name) || line == kxtest::kFailedWords) << name;
                }
            }
            DWORD attributes = GetFileAttributesA((dir_ / "read_only.txt").c_str());
            ASSERT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY));
            if (HasFatalFailure()) return;
        }
    }
    kxtest::NoteInput("");
    std::printf("[ faults   ] %u runs, %u calls per run, %u faults injected:", runs, total, injected);
    for (const auto& k : by_kind) std::printf(" %s %d", k.first.c_str(), k.second);
    std::printf("\n");
    RecordProperty("runs", static_cast<int>(runs));
    RecordProperty("faults", static_cast<int>(injected));
}

// One of Bindery's whole-file writes, run on a store loaded from a key file with macro data and
// with one key changed, so that what it writes differs from what was there.
struct KeyFileWrite {
    const char* what;
    const char* target;  // file written, in the scratch folder
    bool target_exists;  // an old file is there before the write
    int (*write)(kxtest::InProcessBindery& b, const char* path);
};

const KeyFileWrite kKeyFileWrites[] = {
    {"key file with macros", "user.key", true,
     [](kxtest::InProcessBindery& b, const char* path) { return b.keys.WriteToKeyFile(path, 2); }},
    {"key file without macros", "user.key", true,
     [](kxtest::InProcessBindery& b, const char* path) { return b.keys.WriteToKeyFile(path, 0); }},
    {"key listing", "keys.txt", true,
     [](kxtest::InProcessBindery& b, const char* path) { return b.keys.MakeKeyText(path, "keytxt"); }},
    {"new key file, never overwriting", "new.key", false,
     [](kxtest::InProcessBindery& b, const char* path) { return b.keys.WriteToKeyFile(path, 1); }},
};

class KeyFileFaultSweep : public ::testing::Test {
protected:
    // Lays out the old files afresh, loads a store and runs the write under the plan; its result.
    int Run(const KeyFileWrite& w, kx::FileFaultPlan* plan) {
        kxtest::RemoveTree(dir_.path());
        CreateDirectoryA(dir_.path().c_str(), nullptr);
        EXPECT_TRUE(kxtest::WriteFileBytes(dir_ / "user.key", old_key_));
        EXPECT_TRUE(kxtest::WriteFileBytes(dir_ / "keys.txt", old_listing_));
        kxtest::InProcessBindery b;
        EXPECT_EQ(1, b.keys.ReadKeyFile((dir_ / "user.key").c_str(), 1));
        // Ctrl+O gets the command of Ctrl+S.
        EXPECT_EQ(1, b.keys.SetKeyassign(b.vocabulary.KeyName(127), b.vocabulary.CommandName(5)));
        kxtest::Armed armed(plan);
        return w.write(b, (dir_ / w.target).c_str());
    }

    const std::string old_key_ = kxtest::SampleKeyFile(3, 40);
    const std::string old_listing_ = "an older listing\r\n";
    kxtest::ScratchDir dir_{"key-file-faults"};
};

// Counts the calls of each kind and lets them all succeed.
class CallCounter : public kx::FileFaultPlan {
public:
    bool Fail(FileCall call) override {
        ++calls_;
        kinds_.insert(CallName(call));
        return false;
    }
    uint32_t calls() const { return calls_; }
    const std::set<std::string>& kinds() const { return kinds_; }

private:
    uint32_t calls_ = 0;
    std::set<std::string> kinds_;
};

TEST_F(KeyFileFaultSweep, EveryFailedWriteLeavesTheOldFileAsItWas) {
    std::set<std::string> kinds;
    uint32_t runs = 0, failed_writes = 0;
    for (const KeyFileWrite& w : kKeyFileWrites) {
        SCOPED_TRACE(w.what);
        const std::string target = w.target;
        const std::map<std::string, std::string> old_files = {{"user.key", old_key_}, {"keys.txt", old_listing_}};
        const std::string before = w.target_exists ? old_files.at(target) : "<missing>";
        CallCounter counter;
        ASSERT_EQ(1, Run(w, &counter));
        const uint32_t total = counter.calls();
        kinds.insert(counter.kinds().begin(), counter.kinds().end());
        const std::string reference = kxtest::ReadFileBytes(dir_ / target);
        ASSERT_NE(before, reference);
        std::set<std::string> names_after_failure = {"user.key", "keys.txt"};
        std::set<std::string> names_after_success = names_after_failure;
        names_after_success.insert(target);

        for (Lasting lasting : {Lasting::kOneCall, Lasting::kSameKind, Lasting::kAll}) {
            for (uint32_t n = 1; n <= total; ++n) {
                NthCallFails plan(n, lasting);
                const int result = Run(w, &plan);
                ++runs;
                SCOPED_TRACE(std::string(LastingName(lasting)) + " failing from call " + std::to_string(n) + " (" +
                             CallName(plan.first_failed()) + ")");
                if (result == 0) {
                    ++failed_writes;
                    ASSERT_TRUE(before == kxtest::ReadFileBytes(dir_ / target)) << "the old file was damaged";
                    ASSERT_EQ(names_after_failure, Names(dir_)) << "a file was left behind";
                } else {
                    ASSERT_TRUE(reference == kxtest::ReadFileBytes(dir_ / target))
                        << "not what a write without faults writes";
                    ASSERT_EQ(names_after_success, Names(dir_)) << "a file was left behind";
                }
                for (const auto& file : old_files) {
                    if (file.first == target) continue;
                    ASSERT_TRUE(file.second == kxtest::ReadFileBytes(dir_ / file.first)) << file.first << " changed";
                }
            }
        }
    }
    // The seam sits at every file call the writes make.
    EXPECT_EQ((std::set<std::string>{"open", "write", "flush", "replace"}), kinds);
    EXPECT_GT(failed_writes, 0u);
    std::printf("[ faults   ] %u key-file writes, %u of them failed\n", runs, failed_writes);
}

}  // namespace
