// Helpers the reliability tests share: arming a file-fault plan for one scope, and files encoded
// the way the writers encode them, made before any plan is armed.
#pragma once

#include <string>

#include "test_support.h"
#include "text/charset.h"
#include "text/file_faults.h"
#include "text/text_file.h"

namespace kxtest {

// Arms a plan for one scope: every file call of the run asks it until the scope ends.
class Armed {
public:
    explicit Armed(kx::FileFaultPlan* plan) { kx::ArmedFileFaultPlan() = plan; }
    ~Armed() { kx::ArmedFileFaultPlan() = nullptr; }
    Armed(const Armed&) = delete;
    Armed& operator=(const Armed&) = delete;
};

// Encodes internal text the way the writers do, without going through any armed plan.
inline std::string Encoded(const std::string& text, kx::CharSetCode char_set, kx::LineBreakCode line_break) {
    ScratchDir dir("encode");
    const std::string path = dir / "x";
    kx::TextFile file;
    if (!file.Open(path.c_str(), kx::TextFile::kWrite, char_set, line_break)) return "";
    file.writer->Write(text.data(), static_cast<uint32_t>(text.size()));
    file.Close();
    return ReadFileBytes(path);
}

}  // namespace kxtest
