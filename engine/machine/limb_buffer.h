// SPDX-License-Identifier: MIT
// Memory for the limbs of a table of counts: reserved without being touched, so that an
// upper-bound estimate costs nothing until it is used. And for the other large arrays a table
// fills once.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace dorvanel {

class LimbBuffer {
public:
    LimbBuffer() = default;
    // Throws std::bad_alloc when the address space cannot be reserved.
    explicit LimbBuffer(std::size_t capacity);
    ~LimbBuffer();
    LimbBuffer(LimbBuffer&& other) noexcept;
    LimbBuffer& operator=(LimbBuffer&& other) noexcept;
    LimbBuffer(const LimbBuffer&) = delete;
    LimbBuffer& operator=(const LimbBuffer&) = delete;

    std::uint32_t* data() { return data_; }
    const std::uint32_t* data() const { return data_; }
    std::size_t capacity() const { return capacity_; }

    // Gives the memory past the first `used` limbs back to the system.
    void ReleaseBeyond(std::size_t used);
    // Gives back the whole pages between limbs `from` and `to`, which read as 0 afterwards.
    void ReleaseBetween(std::size_t from, std::size_t to);

private:
    void Unmap();

    std::uint32_t* data_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t mappedBytes_ = 0;
};

// Memory for a large array filled once, such as a table's summaries of its counts: in huge
// pages where the system gives them, so that first touching it faults once every 2 MB rather
// than every 4 KB. Smaller arrays come from the heap. Throws std::bad_alloc.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* p, std::size_t bytes) noexcept;

template <typename T> struct LargeArrayAllocator {
    using value_type = T;
    LargeArrayAllocator() = default;
    template <typename U> LargeArrayAllocator(const LargeArrayAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(AllocateLarge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { FreeLarge(p, n * sizeof(T)); }
    friend bool operator==(const LargeArrayAllocator&, const LargeArrayAllocator&) { return true; }
};
template <typename T> using LargeArray = std::vector<T, LargeArrayAllocator<T>>;

// Faults a buffer's pages in on another thread, in the order a writer fills them, so that the
// writer does not stall on first-touch page faults. Contents are never changed. Stops when
// destroyed; the buffer must not move or shrink while one exists.
class BackgroundPageFaulting {
public:
    BackgroundPageFaulting(std::uint32_t* data, std::size_t limbs);
    ~BackgroundPageFaulting();
    BackgroundPageFaulting(const BackgroundPageFaulting&) = delete;
    BackgroundPageFaulting& operator=(const BackgroundPageFaulting&) = delete;

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace dorvanel
