// The writing stage of the run.
#include "engine/write_behind.h"

#include <new>

namespace kx {

WriteBehind::WriteBehind(std::vector<FileOutcome>* outcomes, ReadAhead* ahead) : outcomes_(outcomes), ahead_(ahead) {
    Start();
}

WriteBehind::~WriteBehind() { Stop(); }

void WriteBehind::Hand(std::unique_ptr<FileWrite> write) {
    if (!started()) {
        Record(write->index, WriteChanged(*write));
        return;
    }
    const uint64_t bytes = write->output.length();
    Hold hold(this);
    while (waiting_.size() >= kWaitingFiles || (held_ > 0 && held_ + bytes > kBehindBytes)) Wait();
    held_ += bytes;
    waiting_.push_back(std::move(write));
    WakeAll();
}

void WriteBehind::Drain() {
    bool out_of_memory;
    {
        Hold hold(this);
        while (!waiting_.empty() || busy_) Wait();
        out_of_memory = out_of_memory_;
        out_of_memory_ = false;
    }
    if (out_of_memory) throw std::bad_alloc();
}

void WriteBehind::Record(size_t index, FileOutcome outcome) {
    {
        Hold hold(this);
        (*outcomes_)[index] = outcome;
    }
    ahead_->Finished(index);
}

void WriteBehind::Run() {
    for (;;) {
        std::unique_ptr<FileWrite> write;
        {
            Hold hold(this);
            while (!stopping() && waiting_.empty()) Wait();
            if (stopping()) return;
            write = std::move(waiting_.front());
            waiting_.pop_front();
            busy_ = true;
            WakeAll();
        }
        FileOutcome outcome = {false, write->count};
        bool out_of_memory = false;
        try {
            outcome = WriteChanged(*write);
        } catch (const std::bad_alloc&) {
            out_of_memory = true;  // the file is left as it was
        }
        const size_t index = write->index;
        const uint64_t bytes = write->output.length();
        write.reset();
        Record(index, outcome);
        Hold hold(this);
        held_ -= bytes;
        busy_ = false;
        if (out_of_memory) out_of_memory_ = true;
        WakeAll();
    }
}

}  // namespace kx
