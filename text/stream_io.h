// Binary file handles under the text readers and writers: the one owner of a file handle, block
// reads, and a buffered output that remembers every byte that did not reach the file.
#pragma once

#include <cstdint>
#include <cstring>
#include <utility>

#include "text/file_faults.h"

namespace kx {

// Owns one file handle opened for binary reading or writing; closes it on destruction. Reads and
// writes go straight to the system: the readers and writers keep buffers of their own.
class FileStream {
public:
    FileStream() {}
    ~FileStream() { Close(); }
    FileStream(FileStream&& other) noexcept : handle_(other.handle_), writing_(other.writing_) {
        other.handle_ = kNoHandle();
    }
    FileStream& operator=(FileStream&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = other.handle_;
            writing_ = other.writing_;
            other.handle_ = kNoHandle();
        }
        return *this;
    }
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    // Opens path for reading ("rb": an existing file) or writing ("wb": created or truncated; "wx":
    // created, never an existing file), shared with readers and writers as the runtime's streams
    // are; false when it cannot be opened.
    bool Open(const wchar_t* path, const char* mode);
    // The same for an ANSI path.
    bool Open(const char* path, const char* mode);
    bool is_open() const { return handle_ != kNoHandle(); }
    // Reads up to n bytes; fewer only at the end of the file. *failed is set on a read error.
    uint32_t ReadBlock(void* buffer, uint32_t n, bool* failed);
    // Writes n bytes; answers how many reached the file.
    uint32_t WriteBlock(const void* bytes, uint32_t n);
    // Closes; a file opened for writing is first flushed to the disk. True when both succeeded (and
    // when nothing was open).
    bool Close();

private:
    static void* kNoHandle() { return reinterpret_cast<void*>(static_cast<intptr_t>(-1)); }
    void* handle_ = kNoHandle();
    bool writing_ = false;  // opened for writing: Close also makes the bytes reach the disk
};

// Copies n bytes. The runs the writers put are short (about a line), and the C library's copy, a call
// that first steps byte by byte to an alignment on some runtimes (Wine's among them), took most of a
// writer's time; these fixed-size copies compile to plain moves.
inline void CopyBytes(unsigned char* to, const unsigned char* from, size_t n) {
    if (n >= 8) {
        const size_t last = n - 8;
        for (size_t i = 0; i < last; i += 8) std::memcpy(to + i, from + i, 8);
        std::memcpy(to + last, from + last, 8);  // the tail, overlapping what is already copied
    } else if (n >= 4) {
        std::memcpy(to, from, 4);
        std::memcpy(to + n - 4, from + n - 4, 4);
    } else if (n > 0) {
        to[0] = from[0];
        to[n / 2] = from[n / 2];
        to[n - 1] = from[n - 1];
    }
}

// First CR or LF unit in [p, end), or end. Units of one or two bytes are looked at a machine word at
// a time: a unit equal to cr or lf gives a zero unit in the word xor-ed with it, found by the borrow
// it takes (the lowest unit so marked is always a true one).
template <typename Unit> const Unit* FindLineBreak(const Unit* p, const Unit* end, Unit cr, Unit lf) {
    typedef size_t Word;
    const Word ones = ~Word(0) / ((Word(1) << (8 * sizeof(Unit))) - 1);  // 1 in every unit
    const Word highs = ones << (8 * sizeof(Unit) - 1);                   // high bit of every unit
    const Word crs = ones * cr, lfs = ones * lf;
    const size_t per_word = sizeof(Word) / sizeof(Unit);
    while (static_cast<size_t>(end - p) >= per_word) {
        Word word;
        std::memcpy(&word, p, sizeof word);
        const Word a = word ^ crs, b = word ^ lfs;
        const Word marks = ((a - ones) & ~a & highs) | ((b - ones) & ~b & highs);
        if (marks != 0) return p + static_cast<size_t>(__builtin_ctzll(marks)) / (8 * sizeof(Unit));
        p += per_word;
    }
    while (p != end && *p != cr && *p != lf) ++p;
    return p;
}

// Fixed buffer of output units (bytes, or 16-bit units already in file byte order) in front of a
// stream, with the line-break rule of the writers: a CR, an LF or a CR LF pair of the internal text
// becomes the line-break text once.
template <typename Unit> class StreamOutput {
public:
    static const uint32_t kCapacity = 65536 / sizeof(Unit);

    explicit StreamOutput(FileStream file) : file_(std::move(file)) {}
    ~StreamOutput() { Finish(); }
    StreamOutput(const StreamOutput&) = delete;
    StreamOutput& operator=(const StreamOutput&) = delete;

    // The line-break text, and the units CR and LF as they stand in the file (byte-swapped units
    // for a big-endian file), by which PutText knows line breaks.
    void SetBreak(const Unit* units, uint32_t n, Unit cr, Unit lf) {
        break_length_ = n;
        for (uint32_t i = 0; i < n; ++i) break_[i] = units[i];
        cr_ = cr;
        lf_ = lf;
    }

    void Put(Unit u) {
        if (fill_ == kCapacity) Flush();
        buffer_[fill_++] = u;
    }

    // Puts n units as they are, as n calls of Put would, and unless n is 0 ends any CR LF pair: an LF
    // after them is a line break of its own.
    void PutUnits(const Unit* units, uint32_t n) {
        if (n == 0) return;
        after_cr_ = false;
        while (n > 0) {
            if (fill_ == kCapacity) Flush();
            const uint32_t room = kCapacity - fill_;
            const uint32_t part = n < room ? n : room;
            CopyBytes(reinterpret_cast<unsigned char*>(buffer_ + fill_), reinterpret_cast<const unsigned char*>(units),
                      part * sizeof(Unit));
            fill_ += part;
            units += part;
            n -= part;
        }
    }

    // Puts n units in file order, each CR and LF among them taken as TakeBreak takes it and every
    // other unit put as it is.
    void PutText(const Unit* units, uint32_t n) {
        const Unit* end = units + n;
        while (units != end) {
            const Unit* stop = FindLineBreak(units, end, cr_, lf_);
            PutUnits(units, static_cast<uint32_t>(stop - units));
            if (stop == end) break;
            TakeBreak(*stop == cr_ ? '\r' : '\n');
            units = stop + 1;
        }
    }

    // c is a unit of the internal text (before any byte swap). True when it was a line-break unit,
    // which has then been dealt with.
    bool TakeBreak(uint32_t c) {
        if (c == '\n') {
            if (!after_cr_) PutBreak();
            after_cr_ = false;
            return true;
        }
        if (c == '\r') {
            PutBreak();
            after_cr_ = true;
            return true;
        }
        after_cr_ = false;
        return false;
    }

    // Marks the output as incomplete: something meant for the file could not be produced.
    void Fail() { failed_ = true; }

    // Units put so far (flushed or not).
    uint64_t produced() const { return flushed_ + fill_; }

    // Writes out the buffer and closes the stream. True when every unit reached the file; later
    // calls give the same answer.
    bool Finish() {
        if (file_.is_open()) {
            Flush();
            if (!file_.Close()) failed_ = true;
        }
        return !failed_;
    }

private:
    void PutBreak() {
        for (uint32_t i = 0; i < break_length_; ++i) Put(break_[i]);
    }

    // Up to ten writes for what is buffered; whatever is still missing after them is a failure.
    void Flush() {
        const char* bytes = reinterpret_cast<const char*>(buffer_);
        const size_t total = fill_ * sizeof(Unit);
        size_t done = 0;
        for (int call = 0; call < 10 && done < total && !failed_; ++call)
            done += InjectedFault(FileCall::Write)
                        ? 0
                        : file_.WriteBlock(bytes + done, static_cast<uint32_t>(total - done));
        if (done < total) failed_ = true;
        flushed_ += fill_;
        fill_ = 0;
    }

    FileStream file_;
    Unit buffer_[kCapacity];
    uint32_t fill_ = 0;
    uint64_t flushed_ = 0;
    Unit break_[2] = {};
    uint32_t break_length_ = 0;
    Unit cr_ = '\r', lf_ = '\n';
    bool after_cr_ = false;
    bool failed_ = false;
};

}  // namespace kx
