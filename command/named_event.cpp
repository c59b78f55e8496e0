// The named event of the waiting server.
#include "command/named_event.h"

namespace kx {

NamedEvent::~NamedEvent() {
    if (handle_) CloseHandle(handle_);
}

bool NamedEvent::create() {
    if (handle_) return false;
    HANDLE h = CreateEventA(nullptr, TRUE, FALSE, name_.c_str());
    if (!h) return false;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(h);
        return false;
    }
    handle_ = h;
    return true;
}

bool NamedEvent::signal() {
    HANDLE h = OpenEventA(EVENT_ALL_ACCESS, TRUE, name_.c_str());
    if (!h) return false;
    SetEvent(h);
    CloseHandle(h);
    return true;
}

int NamedEvent::wait(DWORD seconds) {
    DWORD r = MsgWaitForMultipleObjects(1, &handle_, FALSE, seconds * 1000, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return 1;
    if (r == WAIT_OBJECT_0 + 1) return 0;
    return 2;
}

}  // namespace kx
