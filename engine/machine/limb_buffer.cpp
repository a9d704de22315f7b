// SPDX-License-Identifier: MIT
#include "limb_buffer.h"

#include <algorithm>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

namespace dorvanel {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t PageSize() {
    return static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

std::size_t RoundUp(std::size_t bytes, std::size_t unit) {
    return (bytes + unit - 1) / unit * unit;
}

void* MapBytes(std::size_t bytes) {
    void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    // Large tables fill hundreds of megabytes in order: huge pages cut the faults 512-fold.
    if (bytes >= kHugePage)
        madvise(p, bytes, MADV_HUGEPAGE);
#endif
    return p;
}

} // namespace

LimbBuffer::LimbBuffer(std::size_t capacity)
    : capacity_(capacity), mappedBytes_(RoundUp(capacity * sizeof(std::uint32_t) + 1, PageSize())) {
    data_ = static_cast<std::uint32_t*>(MapBytes(mappedBytes_));
}

LimbBuffer::~LimbBuffer() {
    Unmap();
}

LimbBuffer::LimbBuffer(LimbBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      mappedBytes_(std::exchange(other.mappedBytes_, 0)) {}

LimbBuffer& LimbBuffer::operator=(LimbBuffer&& other) noexcept {
    if (this != &other) {
        Unmap();
        data_ = std::exchange(other.data_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        mappedBytes_ = std::exchange(other.mappedBytes_, 0);
    }
    return *this;
}

void LimbBuffer::ReleaseBeyond(std::size_t used) {
    const std::size_t keep = RoundUp(used * sizeof(std::uint32_t) + 1, PageSize());
    if (keep < mappedBytes_)
        madvise(reinterpret_cast<char*>(data_) + keep, mappedBytes_ - keep, MADV_DONTNEED);
}

void LimbBuffer::ReleaseBetween(std::size_t from, std::size_t to) {
    const std::size_t begin = RoundUp(from * sizeof(std::uint32_t), PageSize());
    const std::size_t end = to * sizeof(std::uint32_t) / PageSize() * PageSize();
    if (begin < end)
        madvise(reinterpret_cast<char*>(data_) + begin, end - begin, MADV_DONTNEED);
}

void LimbBuffer::Unmap() {
    if (data_ != nullptr)
        munmap(data_, mappedBytes_);
    data_ = nullptr;
    capacity_ = 0;
    mappedBytes_ = 0;
}

void* AllocateLarge(std::size_t bytes) {
    if (bytes < kHugePage)
        return ::operator new(bytes);
    return MapBytes(RoundUp(bytes, PageSize()));
}

void FreeLarge(void* p, std::size_t bytes) noexcept {
    if (bytes < kHugePage)
        ::operator delete(p);
    else
        munmap(p, RoundUp(bytes, PageSize()));
}

BackgroundPageFaulting::BackgroundPageFaulting(std::uint32_t* data, std::size_t limbs) {
#ifdef MADV_POPULATE_WRITE
    const std::size_t bytes = limbs * sizeof(std::uint32_t);
    if (bytes < 4 * kHugePage)
        return; // not worth a thread
    thread_ = std::thread([this, begin = reinterpret_cast<char*>(data), bytes] {
        const std::size_t page = PageSize();
        char* const aligned =
            reinterpret_cast<char*>(reinterpret_cast<std::uintptr_t>(begin) / page * page);
        const std::size_t span = bytes + static_cast<std::size_t>(begin - aligned);
        for (std::size_t done = 0; done < span && !stop_.load(std::memory_order_relaxed);
             done += kHugePage) {
            const std::size_t chunk = std::min(kHugePage, span - done);
            if (madvise(aligned + done, RoundUp(chunk, page), MADV_POPULATE_WRITE) != 0)
                return; // an older kernel: the writer faults its own pages
        }
    });
#else
    (void)data;
    (void)limbs;
#endif
}

BackgroundPageFaulting::~BackgroundPageFaulting() {
    stop_.store(true, std::memory_order_relaxed);
    if (thread_.joinable())
        thread_.join();
}

} // namespace dorvanel
