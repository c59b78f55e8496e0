// The named event of the waiting server.
#include "command/named_event.h"

#include <utility>

namespace kx {

NamedEvent::~NamedEvent() = default;

bool NamedEvent::create() {
    if (handle_.valid()) return false;
    KernelHandle h(CreateEventA(nullptr, TRUE, FALSE, name_.c_str()));
    if (!h.valid() || GetLastError() == ERROR_ALREADY_EXISTS) return false;
    handle_ = std::move(h);
    return true;
}

bool NamedEvent::signal() {
    const KernelHandle h(OpenEventA(EVENT_ALL_ACCESS, TRUE, name_.c_str()));
    if (!h.valid()) return false;
    SetEvent(h.get());
    return true;
}

int NamedEvent::wait(DWORD seconds) {
    DWORD r = MsgWaitForMultipleObjects(1, handle_.address(), FALSE, seconds * 1000, QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) return 1;
    if (r == WAIT_OBJECT_0 + 1) return 0;
    return 2;
}

}  // namespace kx
