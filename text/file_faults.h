// Fault seam of the file layer: each call that opens, reads, writes, flushes, replaces, copies or
// time-stamps a file first asks whether it is to fail. The program arms nothing, so the answer is no.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <mutex>
#endif

namespace kx {

enum class FileCall { Open, Read, Write, Flush, Replace, Copy, TimeStamp };

// Decides, call by call, which file calls fail as a full disk or an I/O error would make them fail.
class FileFaultPlan {
public:
    virtual ~FileFaultPlan() {}
    virtual bool Fail(FileCall call) = 0;
};

// The plan in force for the whole process; none unless a test arms one.
inline FileFaultPlan*& ArmedFileFaultPlan() {
    static FileFaultPlan* plan = nullptr;
    return plan;
}

// True when the call about to be made is to fail instead. The run reads files on a thread of its
// own, so the plan is asked by one thread at a time.
inline bool InjectedFault(FileCall call) {
    FileFaultPlan* plan = ArmedFileFaultPlan();
    if (plan == nullptr) return false;
#ifdef _WIN32
    static SRWLOCK lock = SRWLOCK_INIT;
    AcquireSRWLockExclusive(&lock);
    const bool fail = plan->Fail(call);
    ReleaseSRWLockExclusive(&lock);
    return fail;
#else
    static std::mutex lock;
    std::lock_guard<std::mutex> hold(lock);
    return plan->Fail(call);
#endif
}

}  // namespace kx
