// The serializer's output: a fixed buffer on the stack that moves to the heap
// once the text outgrows it.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>

class JSONOutputBuffer {
public:
    JSONOutputBuffer() = default;
    JSONOutputBuffer(const JSONOutputBuffer&) = delete;
    JSONOutputBuffer& operator=(const JSONOutputBuffer&) = delete;
    ~JSONOutputBuffer()
    {
        if (data_ != stack_) std::free(data_);
    }

    // Room for `extra` more bytes; false when the heap refuses.
    bool reserve(size_t extra) noexcept { return size_ + extra <= capacity_ || grow(extra); }
    char* cursor() noexcept { return data_ + size_; }
    void advance(size_t n) noexcept { size_ += n; }
    // Callers reserve first.
    void put(char c) noexcept { data_[size_++] = c; }
    void put(const char* s, size_t n) noexcept
    {
        std::memcpy(data_ + size_, s, n);
        size_ += n;
    }
    const char* data() const noexcept { return data_; }
    size_t size() const noexcept { return size_; }

private:
    bool grow(size_t extra) noexcept
    {
        size_t capacity = capacity_ * 2;
        while (capacity < size_ + extra) capacity *= 2;
        char* grown;
        if (data_ == stack_) {
            grown = static_cast<char*>(std::malloc(capacity));
            if (grown) std::memcpy(grown, stack_, size_);
        } else {
            grown = static_cast<char*>(std::realloc(data_, capacity));
        }
        if (!grown) return false;
        data_ = grown;
        capacity_ = capacity;
        return true;
    }

    char stack_[16384];
    char* data_ = stack_;
    size_t size_ = 0;
    size_t capacity_ = sizeof stack_;
};
