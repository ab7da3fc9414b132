#include "base/PixelMemory.h"

#include <sys/mman.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace lumetta::PixelMemory {
namespace {

using Clock = std::chrono::steady_clock;

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
    Clock::time_point released;
};

// The cache and what guards it. Never destroyed: bitmaps with static lifetime may give their
// storage back after the end of main, and the thread that returns old blocks may still be
// waiting then.
struct State {
    std::mutex lock;
    std::condition_variable changed; // wakes the returning thread
    std::vector<CachedBlock> blocks;
    std::size_t bytes = 0;
    std::chrono::milliseconds lifetime = kDefaultLifetime;
    bool returning = false; // the returning thread runs
};

State& Cache() {
    static auto* state = new State;
    return *state;
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

// Takes the blocks that have waited `lifetime` or longer out of the cache (the caller holds the
// lock and unmaps them after letting it go).
std::vector<CachedBlock> TakeExpired(State& s, Clock::time_point now) {
    std::vector<CachedBlock> expired;
    for (std::size_t i = 0; i < s.blocks.size();) {
        if (now - s.blocks[i].released >= s.lifetime) {
            try {
                expired.push_back(s.blocks[i]);
            } catch (...) {
                break; // tried again on the next occasion
            }
            s.bytes -= s.blocks[i].mapped;
            s.blocks.erase(s.blocks.begin() + std::ptrdiff_t(i));
        } else {
            ++i;
        }
    }
    return expired;
}

void Unmap(const std::vector<CachedBlock>& blocks) noexcept {
    for (const CachedBlock& b : blocks)
        munmap(b.p, b.mapped);
}

// Gives cached blocks back to the system once they have waited their lifetime unused: the cache
// is for scratch pictures taken again within moments (a slider's next move, the next preview
// of a frame), not for holding a closed photo's memory.
void ReturnOldBlocks() {
    State& s = Cache();
    std::unique_lock lock(s.lock);
    for (;;) {
        if (s.blocks.empty()) {
            s.changed.wait(lock);
            continue;
        }
        Clock::time_point due = s.blocks.front().released;
        for (const CachedBlock& b : s.blocks)
            due = std::min(due, b.released);
        if (s.changed.wait_until(lock, due + s.lifetime) == std::cv_status::no_timeout) continue;
        const std::vector<CachedBlock> expired = TakeExpired(s, Clock::now());
        lock.unlock();
        Unmap(expired);
        lock.lock();
    }
}

// Starts the returning thread once; without one (no thread to be had) blocks still expire
// whenever the cache is used.
void StartReturning(State& s) {
    if (s.returning) return;
    try {
        std::thread(ReturnOldBlocks).detach();
        s.returning = true;
    } catch (...) {}
}

} // namespace

#ifdef LUMETTA_MALLOC_PIXELS
constexpr bool kCaches = false;
#else
constexpr bool kCaches = true;
#endif

void* Acquire(std::size_t bytes, bool zeroed) {
    if (bytes == 0) return nullptr;
    if (!kCaches || bytes < kLargeBlock) {
        void* p = std::aligned_alloc(64, RoundUp(bytes, 64));
        if (p && zeroed) std::memset(p, 0, bytes);
        return p;
    }
    const std::size_t mapped = RoundUp(bytes, kHugePage);
    State& s = Cache();
    CachedBlock b{};
    std::vector<CachedBlock> expired;
    {
        std::lock_guard guard(s.lock);
        expired = TakeExpired(s, Clock::now());
        // Reuse the smallest cached block that fits and wastes at most a quarter of itself.
        int best = -1;
        for (int i = 0; i < int(s.blocks.size()); ++i) {
            const CachedBlock& c = s.blocks[std::size_t(i)];
            if (c.mapped >= mapped && c.mapped - mapped <= c.mapped / 4 &&
                (best < 0 || c.mapped < s.blocks[std::size_t(best)].mapped))
                best = i;
        }
        if (best >= 0) {
            b = s.blocks[std::size_t(best)];
            s.blocks.erase(s.blocks.begin() + best);
            s.bytes -= b.mapped;
        }
    }
    Unmap(expired);
    if (!b.p) return MapLarge(mapped);
    // Memory already faulted in is cheap to clear; the untouched tail is still zero. Clear every
    // dirty byte that stays in the block, not only the ones asked for: Release records only the
    // new size as dirty, so a later, larger request would otherwise get the previous owner's
    // pixels beyond it. A caller that overwrites everything needs only the part beyond its
    // request cleared.
    const std::size_t keep = b.dirty < mapped ? b.dirty : mapped;
    if (zeroed)
        std::memset(b.p, 0, keep);
    else if (keep > bytes)
        std::memset(static_cast<char*>(b.p) + bytes, 0, keep - bytes);
    if (b.mapped > mapped) munmap(static_cast<char*>(b.p) + mapped, b.mapped - mapped);
    return b.p;
}

void Release(void* p, std::size_t bytes) noexcept {
    if (!p) return;
    if (!kCaches || bytes < kLargeBlock) {
        std::free(p);
        return;
    }
    const std::size_t mapped = RoundUp(bytes, kHugePage);
    State& s = Cache();
    std::vector<CachedBlock> dropped;
    bool kept = false;
    {
        std::lock_guard guard(s.lock);
        if (mapped <= kCacheLimitBytes && s.lifetime.count() > 0) {
            try {
                dropped = TakeExpired(s, Clock::now());
                // Make room by dropping the oldest blocks.
                while (!s.blocks.empty() && (s.bytes + mapped > kCacheLimitBytes ||
                                             s.blocks.size() >= kCacheLimitBlocks)) {
                    dropped.push_back(s.blocks.front());
                    s.bytes -= s.blocks.front().mapped;
                    s.blocks.erase(s.blocks.begin());
                }
                s.blocks.push_back({p, mapped, bytes, Clock::now()});
                s.bytes += mapped;
                kept = true;
                StartReturning(s);
                s.changed.notify_one();
            } catch (...) {}
        }
    }
    Unmap(dropped);
    if (!kept) munmap(p, mapped);
}

void Trim() noexcept {
    State& s = Cache();
    std::vector<CachedBlock> all;
    {
        std::lock_guard guard(s.lock);
        all.swap(s.blocks);
        s.bytes = 0;
    }
    Unmap(all);
}

std::size_t CachedBytes() noexcept {
    State& s = Cache();
    std::lock_guard guard(s.lock);
    return s.bytes;
}

void SetCacheLifetime(std::chrono::milliseconds lifetime) {
    State& s = Cache();
    {
        std::lock_guard guard(s.lock);
        s.lifetime = lifetime;
    }
    s.changed.notify_one();
}

bool Caches() noexcept {
    return kCaches;
}

} // namespace lumetta::PixelMemory
