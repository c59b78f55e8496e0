// A stage of the run's pipeline: a thread of its own with one lock and one condition that the stage
// and the run wait on and wake each other by.
#pragma once

#include <windows.h>

#include "text/win32_handles.h"

namespace kx {

class PipelineStage {
public:
    PipelineStage(const PipelineStage&) = delete;
    PipelineStage& operator=(const PipelineStage&) = delete;

protected:
    PipelineStage();
    // A derived stage calls Stop in its own destructor, before its members go.
    virtual ~PipelineStage();

    // Starts the thread; false when there is none, and the caller does the stage's work itself.
    bool Start();
    bool started() const { return thread_.valid(); }
    // Asks the thread to stop, wakes it and waits until it has returned.
    void Stop();
    // The thread's work; it returns when stopping() says so.
    virtual void Run() = 0;

    // The lock held for one scope.
    class Hold {
    public:
        explicit Hold(PipelineStage* stage) : stage_(stage) { EnterCriticalSection(&stage_->lock_); }
        ~Hold() { LeaveCriticalSection(&stage_->lock_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        PipelineStage* stage_;
    };
    // With the lock held: waits for a change; wakes every waiter after one.
    void Wait() { SleepConditionVariableCS(&changed_, &lock_, INFINITE); }
    void WakeAll() { WakeAllConditionVariable(&changed_); }
    // With the lock held: true once Stop was asked.
    bool stopping() const { return stop_; }

private:
    static DWORD WINAPI ThreadMain(void* self);

    CRITICAL_SECTION lock_;
    CONDITION_VARIABLE changed_;
    KernelHandle thread_;
    bool stop_ = false;
};

}  // namespace kx
