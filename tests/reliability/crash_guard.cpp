// Linked into every reliability test program: a fault (an access violation, a stack overflow) ends the
// program at once with a message and a failing exit code, instead of waiting for a debugger to come.
#include "crash_guard.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string& CurrentInput() {
    static std::string what;
    return what;
}

LONG WINAPI ReportAndEnd(EXCEPTION_POINTERS* info) {
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    std::fprintf(stderr, "\n*** fault 0x%08lX at %p", static_cast<unsigned long>(record->ExceptionCode),
                 record->ExceptionAddress);
    if (record->ExceptionCode == EXCEPTION_ACCESS_VIOLATION && record->NumberParameters >= 2)
        std::fprintf(stderr, " (%s %p)", record->ExceptionInformation[0] ? "write to" : "read of",
                     reinterpret_cast<void*>(record->ExceptionInformation[1]));
    std::fprintf(stderr, "\n");
    if (!CurrentInput().empty()) std::fprintf(stderr, "*** while trying: %s\n", CurrentInput().c_str());
    std::fflush(stderr);
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 99);
    return EXCEPTION_EXECUTE_HANDLER;
}

struct CrashGuard {
    CrashGuard() {
        SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
        SetUnhandledExceptionFilter(ReportAndEnd);
    }
} crash_guard;

}  // namespace

void kxtest::NoteInput(const std::string& what) { CurrentInput() = what; }
