// The named event of the waiting server: created by the one waiting process (so a second one sees it
// exists), signalled by name from a stopping process, waited on together with the message queue.
#pragma once

#include <windows.h>

#include "text/kxstring.h"
#include "text/win32_handles.h"

namespace kx {

class NamedEvent {
public:
    explicit NamedEvent(const char* name) : name_(name) {}
    virtual ~NamedEvent();
    NamedEvent(const NamedEvent&) = delete;
    NamedEvent& operator=(const NamedEvent&) = delete;

    // Creates the event (manual reset, not signalled); false when it exists already or cannot be made.
    bool create();
    // Opens the event by name and signals it; false when no such event exists.
    bool signal();
    // Sleeps until the event is signalled (1), input arrives in the thread's queue (0), or the
    // time-out passes or the wait fails (2).
    int wait(DWORD seconds);

    const kxlib::string& name() const { return name_; }
    HANDLE handle() const { return handle_.get(); }

private:
    kxlib::string name_;
    KernelHandle handle_;
};

}  // namespace kx
