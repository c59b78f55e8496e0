// Every reader over any bytes, read in blocks and lines of a size the input picks: each answer
// stays inside the buffer and ends with its NUL, and reading in pieces gives the same loss and,
// for a text read without loss, the very text that reading the whole file at once gives.
#include <string>

#include "fuzz_support.h"
#include "reader_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    kxfuzz::Input in(data, size);
    const kx::CharSetCode char_set = kxfuzz::CharSetOf(in.Byte());
    const uint8_t steer = in.Byte();
    const kx::LineBreakCode line_break = static_cast<kx::LineBreakCode>(steer % 3);
    const uint32_t buffer_size = kx::kMinReadBuffer + (steer >> 2) % 40;
    const bool by_lines = (steer & 0x80) != 0;

    auto whole = kxfuzz::ReaderOf(char_set, line_break, in.rest(), in.left());
    kxlib::string all;
    const bool read_all = whole->ReadAll(&all);

    auto pieces = kxfuzz::ReaderOf(char_set, line_break, in.rest(), in.left());
    std::string text;
    std::string buffer(buffer_size + 8, '\x7f');
    for (;;) {
        const int32_t n = by_lines ? pieces->ReadLine(&buffer[0], buffer_size) : pieces->Read(&buffer[0], buffer_size);
        FUZZ_CHECK(n >= -1 && n < static_cast<int32_t>(buffer_size));
        if (n <= 0) {
            FUZZ_CHECK((n == -1) == pieces->failed());
            break;
        }
        FUZZ_CHECK(buffer[static_cast<size_t>(n)] == '\0');
        FUZZ_CHECK(buffer[buffer_size] == '\x7f');  // nothing past the buffer's end
        text.append(buffer.data(), static_cast<size_t>(n));
    }
    FUZZ_CHECK(read_all == !pieces->failed());
    FUZZ_CHECK(whole->lossy() == pieces->lossy());
    // A broken sequence becomes the platform's replacement for the stretch around it, which may
    // depend on where a block ended; a text so marked is never written back.
    if (!whole->lossy()) FUZZ_CHECK(text == std::string(all.c_str(), all.length()));
    return 0;
}
