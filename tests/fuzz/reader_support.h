// The readers and writers of every character set over bytes the fuzz targets give: a reader gets the
// bytes as the first block of its file, a writer writes to a scratch file of the process.
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
inline kx::CharSetCode CharSetOf(uint8_t pick) {
    static const kx::CharSetCode kSets[] = {kx::kCharSetSjis,    kx::kCharSetEucJp,      kx::kCharSetJis,
                                            kx::kCharSetUtf8,    kx::kCharSetUtf8Bom,    kx::kCharSetUtf16Le,
                                            kx::kCharSetUtf16Be, kx::kCharSetUtf16LeBom, kx::kCharSetUtf16BeBom};
    return kSets[pick % (sizeof kSets / sizeof kSets[0])];
}

// A reader of the bytes, all of them its file's first block.
inline std::unique_ptr<kx::TextReader> ReaderOf(kx::CharSetCode char_set, kx::LineBreakCode line_break,
                                                const uint8_t* bytes, size_t n) {
    kx::FileHead head;
    head.bytes.reset(new unsigned char[kx::kStreamBlock]);
    head.count = static_cast<uint32_t>(n < kx::kStreamBlock ? n : kx::kStreamBlock);
    if (head.count > 0) std::memcpy(head.bytes.get(), bytes, head.count);
    return kx::MakeReader(char_set, line_break, kx::FileStream(), std::move(head));
}

// A scratch file of this process: in memory when the system has /dev/shm, since a writer's Close
// makes its bytes reach the disk.
inline const std::string& ScratchPath() {
    static const std::string path = [] {
        const char* dir = getenv("TMPDIR");
        if (dir == nullptr || dir[0] == '\0') dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(dir) + "/kestrel-fuzz-" + std::to_string(static_cast<long>(getpid())) + ".txt";
    }();
    return path;
}

}  // namespace kxfuzz
