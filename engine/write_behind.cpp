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
    Hold hold(this);
    while (!waiting_.empty() || busy_) Wait();
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
        // A file the process has no memory left to write is left as it was, with its failure line.
        FileOutcome outcome = {false, write->count, FailReason::kTooLarge};
        try {
            outcome = WriteChanged(*write);
        } catch (const std::bad_alloc&) {
        }
        const size_t index = write->index;
        const uint64_t bytes = write->output.length();
        write.reset();
        Record(index, outcome);
        Hold hold(this);
        held_ -= bytes;
        busy_ = false;
        WakeAll();
    }
}

}  // namespace kx
