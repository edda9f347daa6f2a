#pragma once
// A value of several words published whole: one writer at a time (serialised by
// a mutex), readers never block and never see a half-written value. Every
// word is an atomic, so the scheme is free of data races in the C++ sense.
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <type_traits>

template <typename T>
class Seqlocked {
    static_assert(std::is_trivially_copyable_v<T>);
    static constexpr size_t kWords = (sizeof(T) + sizeof(uint64_t) - 1) / sizeof(uint64_t);

public:
    Seqlocked() { store(T{}); }
    explicit Seqlocked(const T& value) { store(value); }
    Seqlocked(const Seqlocked&) = delete;
    Seqlocked& operator=(const Seqlocked&) = delete;

    void store(const T& value)
    {
        std::array<uint64_t, kWords> words{};
        std::memcpy(words.data(), &value, sizeof(T));
        std::lock_guard lock(writer_);
        const uint32_t s = seq_.load(std::memory_order_relaxed);
        seq_.store(s + 1, std::memory_order_relaxed);
        // Release stores: a reader that sees any new word also sees the odd count.
        for (size_t i = 0; i < kWords; ++i) words_[i].store(words[i], std::memory_order_release);
        seq_.store(s + 2, std::memory_order_release);
    }

    T load() const
    {
        uint32_t version;
        return load(version);
    }

    // The value and the version it was published under.
    T load(uint32_t& version) const
    {
        std::array<uint64_t, kWords> words;
        for (;;) {
            const uint32_t s1 = seq_.load(std::memory_order_acquire);
            version = s1;
            if (s1 & 1) continue;
            // Acquire loads keep the second look at the count after the words.
            for (size_t i = 0; i < kWords; ++i) words[i] = words_[i].load(std::memory_order_acquire);
            if (seq_.load(std::memory_order_relaxed) == s1) break;
        }
        T value;
        std::memcpy(static_cast<void*>(&value), words.data(), sizeof(T));
        return value;
    }

    // Changes with every store; odd while one is in progress.
    uint32_t version() const { return seq_.load(std::memory_order_acquire); }

private:
    std::atomic<uint32_t> seq_{0};
    std::array<std::atomic<uint64_t>, kWords> words_{};
    std::mutex writer_;
};
