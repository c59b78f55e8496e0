// The one owner of every kind of handle: UniqueHandle<Traits> holds one handle and releases it when
// it goes or is given another. Traits name the handle type, its empty value and how it is released,
// so a file, a find handle, a thread, an event, a registry key, a GDI object and a loaded library
// are all owned the same way (Win32's kinds are in text/win32_handles.h).
#pragma once

namespace kx {

template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() : handle_(Traits::Empty()) {}
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    bool valid() const { return handle_ != Traits::Empty(); }
    Handle get() const { return handle_; }
    // The handle's address, for a call that takes an array of handles.
    const Handle* address() const { return &handle_; }
    // Gives the handle up without releasing it.
    Handle release() {
        Handle handle = handle_;
        handle_ = Traits::Empty();
        return handle;
    }
    void reset(Handle handle = Traits::Empty()) {
        if (valid()) Traits::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_;
};

}  // namespace kx
