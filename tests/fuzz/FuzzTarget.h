#pragma once
// One fuzz target: a function taking any bytes that must never crash, hang, exhaust memory or
// let anything but a lumetta::Error out, and whose checks (FUZZ_CHECK) must hold for every input.
//
// Built two ways from the same source: with libFuzzer (scripts/fuzz.sh; clang, address and
// undefined-behaviour sanitizers), where the target is LLVMFuzzerTestOneInput of its own
// program, and into the ordinary test build, where every target is a function of one replay
// program that feeds it the seed corpus and the regression inputs (ctest fuzz_replay_*).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/Bitmap32.h"

#ifdef LUMETTA_FUZZ_REPLAY
#define LUMETTA_FUZZ_TARGET(name) int Fuzz_##name(const std::uint8_t* data, std::size_t size)
#else
#define LUMETTA_FUZZ_TARGET(name)                                                                  \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
#endif

// Every target, for the replay program (keep in step with tests/fuzz/CMakeLists.txt).
#define LUMETTA_FUZZ_TARGETS(X)                                                                    \
    X(bmp)                                                                                         \
    X(jpeg)                                                                                        \
    X(png) X(gif) X(tiff) X(tga) X(pnm) X(pcx) X(container) X(objectpack) X(ini) X(eventlog)       \
        X(compose) X(alphablock)

// A broken promise: reported like a crash.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);     \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace lumetta::fuzz {

// Reads numbers from the front of the input; past its end every number is 0.
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t U8() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= std::uint32_t(U8()) << (8 * i);
        return v;
    }
    std::int32_t I32() { return std::int32_t(U32()); }
    const std::uint8_t* Rest() const { return data_ + pos_; }
    std::size_t RestSize() const { return size_ - pos_; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A folder of this process's own for files a target writes, made on first use.
const std::string& ScratchFolder();
// Writes the bytes to a file in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string& name, const std::uint8_t* data, std::size_t size);

// True when `after` still is `before`: the same shared pixels, or both empty.
bool Unchanged(const TBitmap32& after, const TBitmap32& before);

// The decoder targets: the bytes as a file of that extension (and, for PNG, as an object image).
int FuzzDecoder(const char* extension, const std::uint8_t* data, std::size_t size);

} // namespace lumetta::fuzz
