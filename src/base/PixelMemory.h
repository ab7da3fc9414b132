#pragma once
// Storage for large pixel buffers.
//
// First touch of fresh memory is the expensive part of working on big photos (a 96 MB buffer
// costs ~300 ms to fault in with 4 KB pages, ~9 ms with 2 MB pages). Large blocks are therefore
// mapped 2 MB-aligned with transparent huge pages advised, and a few freed blocks are kept for
// reuse so that scratch bitmaps of the same size do not fault their pages in again. A block that
// is not taken again within its lifetime (a few seconds) goes back to the system, so that the
// memory of a closed or replaced photo does not stay with the program. Safe to use from any
// thread.
#include <chrono>
#include <cstddef>

namespace lumetta::PixelMemory {

// How long a freed block waits in the reuse cache.
inline constexpr std::chrono::milliseconds kDefaultLifetime{5000};

// Returns storage of at least `bytes` bytes, aligned to 64 bytes (2 MB for large blocks), or
// nullptr when it cannot be had. `bytes` of 0 gives nullptr. The storage is zero-filled unless
// `zeroed` is false, for a caller that writes every byte itself (a reused block then keeps
// whatever it held).
void* Acquire(std::size_t bytes, bool zeroed = true);
// Gives back storage obtained from Acquire with the same byte count.
void Release(void* p, std::size_t bytes) noexcept;
// Drops every cached block (tests and low-memory situations).
void Trim() noexcept;
// Bytes currently held in the reuse cache.
std::size_t CachedBytes() noexcept;
// For tests: how long freed blocks wait in the cache (0 keeps none).
void SetCacheLifetime(std::chrono::milliseconds lifetime);
// False in builds made with LUMETTA_MALLOC_PIXELS (sanitizer and fuzzing builds): there every
// block comes from malloc, no block is cached, and the address sanitizer sees an overrun of a
// large picture as it sees one of a small one.
bool Caches() noexcept;

} // namespace lumetta::PixelMemory
