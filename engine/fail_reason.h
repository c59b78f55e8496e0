// Why the run refuses a file: decided where the run finds out (reading, or getting ready to write),
// and told by the preview of a run.
#pragma once

#include <cstdint>

namespace kx {

enum class FailReason : int32_t {
    kNone = 0,
    kUnreadable,   // the file could not be opened or read
    kTooLarge,     // beyond what a run can hold
    kLossy,        // reading would lose characters (one the code page lacks, an invalid sequence)
    kBinary,       // the text holds a NUL byte
    kReadOnly,     // the file is read-only
    kUnencodable,  // the new text holds a character the file's encoding cannot hold
    kHeld,         // another program holds the file so that it cannot be replaced
    kNotWritten,   // writing or putting the new file in place failed
};

// A one-word name of the reason, as the preview writes it.
inline const char* FailReasonName(FailReason reason) {
    switch (reason) {
        case FailReason::kNone:
            return "none";
        case FailReason::kUnreadable:
            return "unreadable";
        case FailReason::kTooLarge:
            return "too-large";
        case FailReason::kLossy:
            return "lossy";
        case FailReason::kBinary:
            return "binary";
        case FailReason::kReadOnly:
            return "read-only";
        case FailReason::kUnencodable:
            return "unencodable";
        case FailReason::kHeld:
            return "held";
        case FailReason::kNotWritten:
            return "not-written";
    }
    return "unknown";
}

}  // namespace kx
