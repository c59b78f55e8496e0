// Reading a run's files, one by one or ahead of the run on a thread of its own.
#include "engine/read_ahead.h"

#include <new>
#include <string>
#include <unordered_map>

#include "text/charset.h"
#include "text/text_file.h"

namespace kx {

namespace {

const size_t kNone = static_cast<size_t>(-1);

// Buffers are reserved from the size up to a bound; beyond it they grow as they fill.
const uint32_t kReserveBound = 256u << 20;

uint64_t FileSize(const WIN32_FILE_ATTRIBUTE_DATA& facts) {
    return (static_cast<uint64_t>(facts.nFileSizeHigh) << 32) | facts.nFileSizeLow;
}

uint32_t ReserveSize(const WIN32_FILE_ATTRIBUTE_DATA& facts) {
    return facts.nFileSizeHigh != 0 || facts.nFileSizeLow > kReserveBound ? kReserveBound : facts.nFileSizeLow;
}

// Reads the whole decoded text, characters the code page lacks put in as codes of stand_ins. False
// when the file cannot be opened, when decoding lost anything (an invalid sequence, a character no
// stand-in code was left for) or when the text holds a NUL byte: such a file could not be written
// back without damage.
bool ReadWholeText(const wchar_t* path, CharSetCode char_set, uint32_t size, StandIns* stand_ins,
                   FileReading* reading) {
    TextFile file;
    reading->reason = FailReason::kUnreadable;
    if (!file.Open(path, TextFile::kRead, char_set, kLineBreakCrLf)) return false;
    reading->file_char_set = file.file_char_set;
    reading->file_line_break = file.file_line_break;
    reading->text.assign("");
    reading->text.reserve(size + 10);
    file.reader->UseStandIns(stand_ins);
    bool read = file.reader->ReadAll(&reading->text);
    bool sound = read && !file.reader->lossy() && !file.reader->has_nul();
    if (read) {
        reading->reason = file.reader->has_nul() ? FailReason::kBinary : sound ? FailReason::kNone : FailReason::kLossy;
    }
    file.Close();
    return sound;
}

}  // namespace

std::unique_ptr<FileReading> ReadForRun(const wchar_t* path, CharSetCode char_set, bool keep_timestamp,
                                        const StandIns& reserved) {
    std::unique_ptr<FileReading> reading(new FileReading);
    // Size and attributes in one look, without opening the file: the size only sizes the buffers,
    // the attributes tell a read-only file.
    WIN32_FILE_ATTRIBUTE_DATA facts;
    reading->reason = FailReason::kUnreadable;
    if (!GetFileAttributesExW(path, GetFileExInfoStandard, &facts)) return reading;
    reading->read_only = (facts.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    // A file beyond what the run can hold is refused from its size alone, before anything is read.
    if (FileSize(facts) > kLargestRunFile) {
        reading->reason = FailReason::kTooLarge;
        return reading;
    }
    if (keep_timestamp) {
        reading->t_write = GetLastWriteTime(path);
        reading->t_access = GetLastAccessTime(path);
    }
    std::shared_ptr<StandIns> stand_ins = std::make_shared<StandIns>(reserved);
    reading->sound = ReadWholeText(path, char_set, ReserveSize(facts), stand_ins.get(), reading.get());
    if (reading->sound && stand_ins->clashed() && !stand_ins->job_clashed()) {
        // A code given out turned up later as one of the file's own characters: read again with
        // every own code known from the start (no clash can happen then).
        stand_ins = std::make_shared<StandIns>(stand_ins->Restart());
        reading->sound = ReadWholeText(path, char_set, ReserveSize(facts), stand_ins.get(), reading.get());
    }
    // The file's own text holds a code that stands for a character of the job's strings (a
    // private-use character of a Unicode file; the user-defined bytes of any other file, whose
    // reader passes them as they are): the text could not tell the two apart, so the file is
    // refused rather than searched.
    if (reading->sound &&
        (stand_ins->job_clashed() || (!IsUnicodeCharSet(reading->file_char_set) &&
                                      stand_ins->HoldsJobCode(reading->text.c_str(), reading->text.length())))) {
        reading->sound = false;
        reading->reason = FailReason::kLossy;
    }
    if (!reading->sound) reading->text.assign("");
    if (reading->sound && !stand_ins->empty()) reading->stand_ins = std::move(stand_ins);
    return reading;
}

ReadAhead::ReadAhead(const FileList& files, CharSetCode char_set, bool keep_timestamp, const StandIns& reserved)
    : files_(files),
      char_set_(char_set),
      keep_timestamp_(keep_timestamp),
      reserved_(reserved),
      earlier_(files.size(), kNone),
      ready_(files.size()),
      sizes_(files.size(), 0),
      failed_(files.size(), false),
      finished_(files.size(), false) {
    std::unordered_map<std::wstring, size_t> last;
    for (size_t i = 0; i < files.size(); ++i) {
        auto found = last.emplace(files[i].path, i);
        if (!found.second) {
            earlier_[i] = found.first->second;
            found.first->second = i;
        }
    }
    // Without a thread every file is read when it is taken.
    Start();
}

ReadAhead::~ReadAhead() { Stop(); }

void ReadAhead::Run() {
    for (size_t i = 0; i < files_.size(); ++i) {
        const wchar_t* path = files_[i].path.c_str();
        // Only the size is looked at here, to keep within the bytes allowed ahead; the reading
        // itself looks again.
        WIN32_FILE_ATTRIBUTE_DATA facts;
        const uint64_t size = GetFileAttributesExW(path, GetFileExInfoStandard, &facts) ? ReserveSize(facts) : 0;
        {
            Hold hold(this);
            // A path listed before waits until the run is finished with it; a text that would go
            // beyond the bytes allowed ahead waits until the run asks for it; nothing is read while
            // the run works on such a text.
            while (!stopping() && ((earlier_[i] != kNone && !finished_[earlier_[i]]) ||
                                   (held_ + size > kAheadBytes && waiting_for_ != i) || large_ != kNone))
                Wait();
            if (stopping()) return;
        }
        std::unique_ptr<FileReading> reading;
        bool failed = false;
        try {
            reading = ReadForRun(path, char_set_, keep_timestamp_, reserved_);
        } catch (const std::bad_alloc&) {
            failed = true;  // the run meets it again when it takes this file
        }
        Hold hold(this);
        sizes_[i] = reading ? reading->text.length() : 0;
        held_ += sizes_[i];
        ready_[i] = std::move(reading);
        failed_[i] = failed;
        if (sizes_[i] > kAheadBytes) large_ = i;
        produced_ = i + 1;
        WakeAll();
    }
}

std::unique_ptr<FileReading> ReadAhead::Take(size_t i) {
    if (!started()) return ReadForRun(files_[i].path.c_str(), char_set_, keep_timestamp_, reserved_);
    std::unique_ptr<FileReading> reading;
    bool failed;
    {
        Hold hold(this);
        if (large_ != kNone && i > large_) large_ = kNone;  // the run is done with the large text
        waiting_for_ = i;
        WakeAll();
        while (produced_ <= i) Wait();
        waiting_for_ = kNone;
        reading = std::move(ready_[i]);
        failed = failed_[i];
        held_ -= sizes_[i];
        WakeAll();
    }
    if (failed) throw std::bad_alloc();
    return reading;
}

void ReadAhead::Finished(size_t i) {
    Hold hold(this);
    finished_[i] = true;
    WakeAll();
}

}  // namespace kx
