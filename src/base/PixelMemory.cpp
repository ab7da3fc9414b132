#include "base/PixelMemory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace lumetta::PixelMemory {
namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Blocks from this size on are mapped directly and may use huge pages.
constexpr std::size_t kLargeBlock = std::size_t(1) << 20;
// What the reuse cache may hold at most.
constexpr std::size_t kCacheLimitBytes = std::size_t(384) << 20;
constexpr std::size_t kCacheLimitBlocks = 6;

struct CachedBlock {
    void* p;
    std::size_t mapped; // bytes mapped (multiple of kHugePage)
    std::size_t dirty;  // bytes that may be non-zero
};

std::vector<CachedBlock>& Cache() {
    // Never destroyed: bitmaps with static lifetime may give their storage back after the
    // end of main.
    static auto* cache = new std::vector<CachedBlock>;
    return *cache;
}
std::size_t gCachedBytes = 0;
// The cache is shared by every thread that makes bitmaps (the batch decorator runs one photo
// per thread); clearing and unmapping happen outside the lock.
std::mutex& CacheMutex() {
    static auto* mutex = new std::mutex;
    return *mutex;
}

std::size_t RoundUp(std::size_t n, std::size_t to) {
    return (n + to - 1) / to * to;
}

void* MapLarge(std::size_t mapped) {
    // Over-map by one huge page so the block can start on a 2 MB boundary.
    const std::size_t total = mapped + kHugePage;
    void* raw = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    auto base = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = RoundUp(base, kHugePage);
    if (aligned > base) munmap(raw, aligned - base);
    const std::uintptr_t end = base + total;
    const std::uintptr_t alignedEnd = aligned + mapped;
    if (end > alignedEnd) munmap(reinterpret_cast<void*>(alignedEnd), end - alignedEnd);
    void* p = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
    madvise(p, mapped, MADV_HUGEPAGE);
#endif
    return p;
}

} // namespace

void* Acquire(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    if (bytes < kLargeBlock) {
        void* p = std::aligned_alloc(64, RoundUp(bytes, 64));
        if (p) std::memset(p, 0, bytes);
        return p;
    }
    const std::size_t mapped = RoundUp(bytes, kHugePage);
    CachedBlock b{nullptr, 0, 0};
    {
        std::lock_guard lock(CacheMutex());
        auto& cache = Cache();
        // Reuse the smallest cached block that fits and wastes at most a quarter of itself.
        int best = -1;
        for (int i = 0; i < int(cache.size()); ++i) {
            const auto& c = cache[i];
            if (c.mapped >= mapped && c.mapped - mapped <= c.mapped / 4 &&
                (best < 0 || c.mapped < cache[best].mapped))
                best = i;
        }
        if (best >= 0) {
            b = cache[best];
            cache.erase(cache.begin() + best);
            gCachedBytes -= b.mapped;
        }
    }
    if (b.p) {
        // Memory already faulted in is cheap to clear; the untouched tail is still zero. Clear
        // every dirty byte that stays in the block, not only the ones asked for: Release
        // records only the new size as dirty, so a later, larger request would otherwise get
        // the previous owner's pixels beyond it.
        std::memset(b.p, 0, b.dirty < mapped ? b.dirty : mapped);
        if (b.mapped > mapped) {
            munmap(static_cast<char*>(b.p) + mapped, b.mapped - mapped);
        }
        return b.p;
    }
    return MapLarge(mapped);
}

void Release(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (bytes < kLargeBlock) {
        std::free(p);
        return;
    }
    const std::size_t mapped = RoundUp(bytes, kHugePage);
    std::lock_guard lock(CacheMutex());
    auto& cache = Cache();
    if (mapped <= kCacheLimitBytes) {
        while (!cache.empty() &&
               (gCachedBytes + mapped > kCacheLimitBytes || cache.size() >= kCacheLimitBlocks)) {
            munmap(cache.front().p, cache.front().mapped);
            gCachedBytes -= cache.front().mapped;
            cache.erase(cache.begin());
        }
        try {
            cache.push_back({p, mapped, bytes});
            gCachedBytes += mapped;
            return;
        } catch (...) {}
    }
    munmap(p, mapped);
}

void Trim() noexcept {
    std::lock_guard lock(CacheMutex());
    for (auto& b : Cache())
        munmap(b.p, b.mapped);
    Cache().clear();
    gCachedBytes = 0;
}

std::size_t CachedBytes() noexcept {
    std::lock_guard lock(CacheMutex());
    return gCachedBytes;
}

} // namespace lumetta::PixelMemory
