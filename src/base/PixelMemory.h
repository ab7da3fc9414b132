#pragma once
// Storage for large pixel buffers.
//
// First touch of fresh memory is the expensive part of working on big photos (a 96 MB buffer
// costs ~300 ms to fault in with 4 KB pages, ~9 ms with 2 MB pages). Large blocks are therefore
// mapped 2 MB-aligned with transparent huge pages advised, and a few freed blocks are kept for
// reuse so that scratch bitmaps of the same size do not fault their pages in again.
#include <cstddef>

namespace lumetta::PixelMemory {

// Returns zero-filled storage of at least `bytes` bytes, aligned to 64 bytes (2 MB for large
// blocks), or nullptr when it cannot be had. `bytes` of 0 gives nullptr.
void* Acquire(std::size_t bytes);
// Gives back storage obtained from Acquire with the same byte count.
void Release(void* p, std::size_t bytes) noexcept;
// Drops every cached block (tests and low-memory situations).
void Trim() noexcept;
// Bytes currently held in the reuse cache.
std::size_t CachedBytes() noexcept;
// False in builds made with LUMETTA_MALLOC_PIXELS (sanitizer and fuzzing builds): there every
// block comes from malloc, no block is cached, and the address sanitizer sees an overrun of a
// large picture as it sees one of a small one.
bool Caches() noexcept;

} // namespace lumetta::PixelMemory
