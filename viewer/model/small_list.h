// SmallList: the short lists of the text view (highlight rules, match spans, tab positions, menu
// items) keep their first 20 entries inside the owner and move to a growing heap array after that.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace kx {

template <typename T, int32_t Inline = 20> class SmallList {
public:
    SmallList() = default;
    SmallList(const SmallList&) = delete;
    SmallList& operator=(const SmallList&) = delete;

    int32_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* data() { return heap_ ? heap_.get() : inline_; }
    const T* data() const { return heap_ ? heap_.get() : inline_; }
    T& operator[](int32_t i) { return data()[i]; }
    const T& operator[](int32_t i) const { return data()[i]; }
    T* begin() { return data(); }
    T* end() { return data() + size_; }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size_; }
    int32_t capacity() const { return capacity_; }
    bool on_heap() const { return heap_ != nullptr; }

    // Appends; the 21st entry moves the list to a heap array of 40, which doubles whenever full.
    void push_back(T value) {
        if (size_ == capacity_) grow();
        data()[size_++] = std::move(value);
    }
    // Empties the list; entries are reset so that owned objects are released at once.
    void clear() {
        for (int32_t i = 0; i < size_; ++i) data()[i] = T();
        size_ = 0;
    }

private:
    void grow() {
        const int32_t next = heap_ ? capacity_ * 2 : Inline * 2;
        std::unique_ptr<T[]> bigger(new T[next]);
        T* old = data();
        for (int32_t i = 0; i < size_; ++i) bigger[i] = std::move(old[i]);
        for (int32_t i = 0; i < Inline; ++i) inline_[i] = T();
        heap_ = std::move(bigger);
        capacity_ = next;
    }

    T inline_[Inline] = {};
    std::unique_ptr<T[]> heap_;
    int32_t size_ = 0;
    int32_t capacity_ = Inline;
};

}  // namespace kx
