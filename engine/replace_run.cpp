// The "Replace" run and the processing of one file.
#include "engine/replace_run.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>

#include "engine/file_list.h"
#include "engine/messages.h"
#include "engine/read_ahead.h"
#include "text/codepage.h"
#include "text/file_faults.h"
#include "text/file_replace.h"
#include "text/file_utils.h"
#include "text/stream_io.h"
#include "text/text_file.h"

namespace kx {

namespace {
// The directory part of a path, with its trailing backslash; ".\" for a bare name.
std::wstring DirectoryOf(const std::wstring& path) {
    const size_t last = path.find_last_of(L"\\/:");
    if (last == std::wstring::npos) return L".\\";
    return path.substr(0, last + 1);
}

// A temporary file beside the original ("kxq", up to four hex digits, ".tmp"), created new, so that
// it is always a file of this run's own; deleted on destruction unless it was put in place.
class TemporaryFile {
public:
    TemporaryFile() {}
    ~TemporaryFile() {
        if (path_.empty()) return;
        // A copy of a read-only file is read-only too, and such a file cannot be deleted as it is.
        SetFileAttributesW(path_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path_.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Writes text in the given encoding to a new file under a free name beside original and makes
    // sure it reached the disk. False when no file could be created or not every byte got there.
    bool Write(const std::wstring& original, CharSetCode char_set, LineBreakCode line_break, const kxlib::string& text,
               const StandIns* stand_ins) {
        TextFile file;
        auto open = [&](const std::wstring& candidate) {
            return file.OpenNew(candidate.c_str(), char_set, line_break);
        };
        if (!CreateBeside(original, open)) return false;
        // Stand-in codes go back to the characters they stand for (a writer that cannot do that is
        // refused: the characters would be lost).
        if (!file.writer->UseStandIns(stand_ins)) return false;
        file.writer->Write(text.c_str(), static_cast<int32_t>(text.length()));
        // A character the file's encoding cannot hold (one brought in by the replacement) would be
        // written as a substitute: the file is refused instead.
        const bool lossless = !file.writer->lossy();
        // Closing the writer flushes the file to the disk and tells whether every byte got there.
        return file.Close() && lossless;
    }

    // Creates an empty file under a free name beside original, for a copy to land in.
    bool Reserve(const std::wstring& original) {
        // Once opened the file is this run's own, whatever its closing answers: the copy overwrites it.
        auto create = [](const std::wstring& candidate) {
            FileStream stream;
            if (!stream.Open(candidate.c_str(), "wx")) return false;
            stream.Close();
            return true;
        };
        return CreateBeside(original, create);
    }

    const std::wstring& path() const { return path_; }
    void Release() { path_.clear(); }

private:
    // Names are tried from a counter that the writing threads share until create(candidate) makes a
    // new file under one; false when it fails for another reason than a name that is taken.
    template <typename Create> bool CreateBeside(const std::wstring& original, Create create) {
        const std::wstring directory = DirectoryOf(original);
        static volatile LONG next = static_cast<LONG>(GetTickCount() ^ GetCurrentProcessId());
        for (uint32_t attempt = 0; attempt < 0x10000; ++attempt) {
            wchar_t name[16];
            std::swprintf(name, 16, L"kxq%X.tmp", static_cast<unsigned>(InterlockedIncrement(&next) & 0xFFFF));
            const std::wstring candidate = directory + name;
            if (create(candidate)) {
                path_ = candidate;
                return true;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
        }
        return false;  // every name taken
    }

    std::wstring path_;
};

// Copies the file to its path with ".bak" appended unless that file exists. The copy is made under a
// temporary name of its own and only then given the backup's name, without replacing anything: a
// failed or cut-short copy removes nothing but that temporary file, so an older backup is never lost
// and a partial copy never stands as the backup that later runs keep.
void MakeBackup(const std::wstring& path) {
    const std::wstring backup = path + L".bak";
    if (GetFileAttributesW(backup.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    TemporaryFile copy;
    if (!copy.Reserve(path)) return;
    if (InjectedFault(FileCall::Copy) || !CopyFileW(path.c_str(), copy.path().c_str(), FALSE)) return;
    if (InjectedFault(FileCall::Replace) || !MoveFileExW(copy.path().c_str(), backup.c_str(), MOVEFILE_WRITE_THROUGH))
        return;
    copy.Release();
}

// Puts the finished temporary file in the original's place in one step.
bool PutInPlace(const std::wstring& original, const std::wstring& temporary) {
    return ReplaceExistingFile(original.c_str(), temporary.c_str());
}

}  // namespace

// The map each file's reading starts from: the job's own codes (those standing for characters of
// its strings), and the other user-defined codes its find and replace strings use kept from being
// given out.
StandIns ReservedStandIns(const JobSettings& job) {
    StandIns reserved = job.stand_ins;
    const kxlib::string& find = job.matcher.find_string();
    reserved.Reserve(find.c_str(), find.length());
    reserved.Reserve(job.replace_string.c_str(), job.replace_string.length());
    return reserved;
}

int32_t ReplaceAll(Matcher& matcher, const kxlib::string& replace_string, const kxlib::string& text,
                   kxlib::string* output, MatchObserver* observer) {
    const char* base = text.c_str();
    const uint32_t total = text.length();
    uint32_t p = 0;
    int32_t count = 0;
    // The text is searched in place from each resume offset; the output grows by half again when it
    // outgrows its reserve, so neither costs more than in proportion to the text and the hits.
    matcher.BeginText(base, total);
    while (p <= total && matcher.SearchFrom(p)) {
        if (count == 0) {
            // Room for the text twice over (up to a bound; beyond it the output grows as it fills),
            // taken only once there is a hit.
            const uint64_t kBound = 256u << 20;
            const uint64_t room = output->length() + 2 * (total < kBound ? total : kBound) + 10;
            if (room < 0xFFFFFFFFu && output->capacity() < room) output->reserve(static_cast<uint32_t>(room));
        }
        int32_t m = matcher.MatchPosition();
        uint32_t matched = matcher.MatchedText().length();
        uint32_t at = m < 0 ? 0 : static_cast<uint32_t>(m);
        if (at > total - p) at = total - p;
        kxlib::append_growing(*output, base + p, at);
        const char* replacement = matcher.ExpandReplacement(replace_string.c_str());
        const uint32_t replacement_length = static_cast<uint32_t>(std::strlen(replacement));
        if (observer) observer->Matched(p + at, matched, output->length(), replacement_length);
        kxlib::append_growing(*output, replacement, replacement_length);
        ++count;
        p += at + matched;
        if (matched == 0) {
            // An empty match at the resume offset: carry the next character over unchanged and
            // search on behind it, so the run always advances.
            if (p >= total) break;
            uint32_t step = (IsLeadByte(static_cast<unsigned char>(base[p])) && p + 1 < total) ? 2 : 1;
            kxlib::append_growing(*output, base + p, step);
            p += step;
        }
    }
    matcher.EndText();
    // Without a hit the new text is the text itself: an empty output just shares its bytes.
    if (count == 0 && output->empty()) {
        *output = text;
        return 0;
    }
    if (p < total) kxlib::append_growing(*output, base + p, total - p);
    return count;
}

FileOutcome SearchReading(JobSettings& job, const std::wstring& path, const FileReading& reading, size_t index,
                          std::unique_ptr<FileWrite>* write, MatchObserver* preview) {
    if (!reading.sound) return {false, 0, reading.reason};
    std::unique_ptr<FileWrite> changed(new FileWrite);
    const int32_t n = ReplaceAll(job.matcher, job.replace_string, reading.text, &changed->output, preview);
    if (n == 0) {
        if (job.keep_timestamp && !preview) SetLastAccessTime(path.c_str(), reading.t_access);
        return {true, 0};
    }
    changed->index = index;
    changed->path = &path;
    changed->count = n;
    changed->stand_ins = reading.stand_ins;
    changed->char_set = job.char_set != kCharSetAuto ? job.char_set : reading.file_char_set;
    changed->line_break = job.line_break != kLineBreakAuto ? job.line_break : reading.file_line_break;
    changed->backup = job.backup;
    changed->keep_timestamp = job.keep_timestamp;
    changed->read_only = reading.read_only;
    changed->t_write = reading.t_write;
    changed->t_access = reading.t_access;
    *write = std::move(changed);
    return {true, n};
}

FileOutcome WriteChanged(const FileWrite& write) {
    const std::wstring& path = *write.path;
    const int32_t n = write.count;
    if (write.backup) MakeBackup(path);
    // A read-only file is refused as it is, never made writable (Wine lets root write it anyway).
    if (write.read_only) return {false, n, FailReason::kReadOnly};
    TemporaryFile temporary;
    if (!temporary.Write(path, write.char_set, write.line_break, write.output, write.stand_ins.get()))
        return {false, n, FailReason::kNotWritten};
    if (!PutInPlace(path, temporary.path())) return {false, n, FailReason::kNotWritten};
    temporary.Release();
    if (write.keep_timestamp) {
        SetLastAccessTime(path.c_str(), write.t_access);
        SetLastWriteTime(path.c_str(), write.t_write);
    }
    return {true, n};
}

FileOutcome CheckChanged(const FileWrite& write) {
    const int32_t n = write.count;
    if (write.read_only) return {false, n, FailReason::kReadOnly};
    // The new text is encoded as it would be written, stand-in codes and all, into the null device.
    TextFile sink;
    if (!sink.Open(L"NUL", TextFile::kWrite, write.char_set, write.line_break))
        return {false, n, FailReason::kNotWritten};
    if (!sink.writer->UseStandIns(write.stand_ins.get())) return {false, n, FailReason::kNotWritten};
    sink.writer->Write(write.output.c_str(), write.output.length());
    const bool lossless = !sink.writer->lossy();
    sink.Close();
    if (!lossless) return {false, n, FailReason::kUnencodable};
    if (!CanBeReplaced(write.path->c_str())) return {false, n, FailReason::kHeld};
    return {true, n};
}

FileOutcome ProcessFile(JobSettings& job, const std::wstring& path) {
    std::unique_ptr<FileReading> reading =
        ReadForRun(path.c_str(), job.char_set, job.keep_timestamp, ReservedStandIns(job));
    std::unique_ptr<FileWrite> write;
    FileOutcome outcome = SearchReading(job, path, *reading, 0, &write);
    return write ? WriteChanged(*write) : outcome;
}

bool JobSettings::Replace() {
    kx::FileList files = EnumerateFiles(directory, file_patterns, subdir);
    replaced_log.assign("");
    notice_log.assign("");
    if (files.empty()) {
        notice_log.assign(kNoFilesNotice);
        return false;
    }
    // Three stages overlap: files are read and decoded ahead on one thread, searched here, and the
    // changed ones written behind on another; the log still follows the list's order.
    std::vector<FileOutcome> outcomes(files.size(), FileOutcome{false, 0});
    ReadAhead ahead(files, char_set, keep_timestamp, ReservedStandIns(*this));
    {
        WriteBehind behind(&outcomes, &ahead);
        for (size_t i = 0; i < files.size(); ++i) {
            std::unique_ptr<FileWrite> write;
            try {
                std::unique_ptr<FileReading> reading = ahead.Take(i);
                // A text beyond what is read ahead is searched with no other new text held for writing
                // (and nothing read ahead), so that the run's memory peak stays that of its largest file.
                if (reading->text.length() > ReadAhead::kAheadBytes) behind.Drain();
                outcomes[i] = SearchReading(*this, files[i].path, *reading, i, &write);
            } catch (const std::bad_alloc&) {
                // A file the process has no memory for gets its failure line, untouched; the run
                // goes on with the others.
                outcomes[i] = FileOutcome{false, 0, FailReason::kTooLarge};
                write.reset();
            }
            if (write) {
                behind.Hand(std::move(write));
            } else {
                ahead.Finished(i);
            }
        }
        behind.Drain();
    }
    for (size_t i = 0; i < files.size(); ++i) {
        const kxlib::string& path = files[i].name;
        const FileOutcome& outcome = outcomes[i];
        if (!outcome.ok) {
            kxlib::append_growing(notice_log, path);
            kxlib::append_growing(notice_log, kFailedLineEnd, sizeof kFailedLineEnd - 1);
        } else if (outcome.count == 0) {
            kxlib::append_growing(notice_log, path);
            kxlib::append_growing(notice_log, kNoHitLineEnd, sizeof kNoHitLineEnd - 1);
        } else {
            kxlib::append_growing(replaced_log, path);
            kxlib::append_growing(replaced_log, kReplacedIn, sizeof kReplacedIn - 1);
            kxlib::append_growing(replaced_log, kxlib::lexical_cast<kxlib::string, int>(outcome.count));
            kxlib::append_growing(replaced_log, kReplacedLineEnd, sizeof kReplacedLineEnd - 1);
        }
    }
    return true;
}

}  // namespace kx
