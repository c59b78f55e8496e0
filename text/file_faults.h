// Fault seam of the file layer: each call that opens, reads, writes, flushes, replaces, copies or
// time-stamps a file first asks whether it is to fail. The program arms nothing, so the answer is no.
#pragma once

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

// True when the call about to be made is to fail instead.
inline bool InjectedFault(FileCall call) {
    FileFaultPlan* plan = ArmedFileFaultPlan();
    return plan != nullptr && plan->Fail(call);
}

}  // namespace kx
