// The readers and writers of every character set over bytes the fuzz targets give, as the text file
// layer makes them: a reader gets the bytes as the first block of its file, a writer writes to a
// scratch file of the process.
#pragma once

#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "text/charset.h"
#include "text/text_reader.h"
#include "text/text_writer.h"

namespace kxfuzz {

// The character sets a reader or writer is made for, picked by a byte.
inline int32_t CharSetOf(uint8_t pick) {
    static const int32_t kSets[] = {kx::kCharSetSjis,     kx::kCharSetEucJp,      kx::kCharSetJis,
                                    kx::kCharSetUtf8,     kx::kCharSetUtf8Bom,    kx::kCharSetUtf16Le,
                                    kx::kCharSetUtf16Be,  kx::kCharSetUtf16LeBom, kx::kCharSetUtf16BeBom};
    return kSets[pick % (sizeof kSets / sizeof kSets[0])];
}

inline std::unique_ptr<kx::TextReader> MakeReader(int32_t char_set, int32_t line_break, const uint8_t* bytes,
                                                  size_t n) {
    kx::FileHead head;
    head.bytes.reset(new unsigned char[kx::kStreamBlock]);
    head.count = static_cast<uint32_t>(n < kx::kStreamBlock ? n : kx::kStreamBlock);
    if (head.count > 0) std::memcpy(head.bytes.get(), bytes, head.count);
    kx::FileStream none;  // the whole text is in the first block
    using namespace kx;
    switch (char_set) {
        case kCharSetSjis:
            if (line_break != kLineBreakCr) return std::unique_ptr<TextReader>(new TextModeReader(std::move(none), std::move(head)));
            return std::unique_ptr<TextReader>(new CodePageReader(std::move(none), std::move(head)));
        case kCharSetUtf8:
        case kCharSetUtf8Bom: return std::unique_ptr<TextReader>(new Utf8Reader(std::move(none), std::move(head)));
        case kCharSetJis: return std::unique_ptr<TextReader>(new JisReader(std::move(none), std::move(head)));
        case kCharSetEucJp: return std::unique_ptr<TextReader>(new EucJpReader(std::move(none), std::move(head)));
        case kCharSetUtf16BeBom:
        case kCharSetUtf16Be: return std::unique_ptr<TextReader>(new Utf16Reader(std::move(none), std::move(head), true));
        default: return std::unique_ptr<TextReader>(new Utf16Reader(std::move(none), std::move(head), false));
    }
}

inline std::unique_ptr<kx::TextWriter> MakeWriter(int32_t char_set, int32_t line_break, kx::FileStream file) {
    using namespace kx;
    const BreakStyle style = static_cast<BreakStyle>(line_break);
    switch (char_set) {
        case kCharSetSjis:
            if (line_break == kLineBreakCrLf) return std::unique_ptr<TextWriter>(new TextModeWriter(std::move(file)));
            return std::unique_ptr<TextWriter>(new CodePageWriter(std::move(file), style));
        case kCharSetEucJp: return std::unique_ptr<TextWriter>(new EucJpWriter(std::move(file), style));
        case kCharSetJis: return std::unique_ptr<TextWriter>(new JisWriter(std::move(file), style));
        case kCharSetUtf8: return std::unique_ptr<TextWriter>(new Utf8Writer(std::move(file), style, false));
        case kCharSetUtf8Bom: return std::unique_ptr<TextWriter>(new Utf8Writer(std::move(file), style, true));
        case kCharSetUtf16BeBom: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, true, true));
        case kCharSetUtf16LeBom: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, false, true));
        case kCharSetUtf16Be: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, true, false));
        default: return std::unique_ptr<TextWriter>(new Utf16Writer(std::move(file), style, false, false));
    }
}

// A scratch file of this process: in memory when the system has /dev/shm, since a writer's Close
// makes its bytes reach the disk.
inline const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = getenv("TMPDIR");
        if (dir == nullptr || dir[0] == '\0') dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/kestrel-fuzz-" +
               std::to_string(static_cast<long>(getpid())) + ".txt";
    }();
    return path;
}

}  // namespace kxfuzz
