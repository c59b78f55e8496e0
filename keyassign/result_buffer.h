// The one text buffer shared by the exports that answer a composed text; each such call
// overwrites what the previous one left there.
#pragma once

#include <cstddef>
#include <string>

namespace bindery {

class ResultBuffer {
public:
    ResultBuffer() { text_.reserve(10000); }

    void Clear() { text_.clear(); }
    void Append(const char* text) { text_.append(text); }
    void Append(char c) { text_.push_back(c); }
    bool Empty() const { return text_.empty(); }
    const std::string& text() const { return text_; }
    const char* c_str() const { return text_.c_str(); }

private:
    std::string text_;
};

}  // namespace bindery
