#include "base/CpuFeatures.h"

#include <atomic>

namespace lumetta::cpu {
namespace {

std::atomic<VectorLevel> gLimit{VectorLevel::Avx512};

bool Allowed(VectorLevel level) {
    return int(gLimit.load(std::memory_order_relaxed)) >= int(level);
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The checks also confirm that the operating system saves the wider registers.
bool DetectAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
bool DetectAvx512() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
}
bool DetectAvx512Vbmi() {
    return DetectAvx512() && __builtin_cpu_supports("avx512vbmi");
}
bool DetectAvx512Vnni() {
    return DetectAvx512() && __builtin_cpu_supports("avx512vnni");
}
#else
bool DetectAvx2() {
    return false;
}
bool DetectAvx512() {
    return false;
}
bool DetectAvx512Vbmi() {
    return false;
}
bool DetectAvx512Vnni() {
    return false;
}
#endif

} // namespace

bool HaveAvx2() {
    static const bool have = DetectAvx2();
    return have && Allowed(VectorLevel::Avx2);
}

bool HaveAvx512() {
    static const bool have = DetectAvx512();
    return have && Allowed(VectorLevel::Avx512);
}

bool HaveAvx512Vbmi() {
    static const bool have = DetectAvx512Vbmi();
    return have && Allowed(VectorLevel::Avx512);
}

bool HaveAvx512Vnni() {
    static const bool have = DetectAvx512Vnni();
    return have && Allowed(VectorLevel::Avx512);
}

void LimitVectorForms(VectorLevel level) {
    gLimit.store(level, std::memory_order_relaxed);
}

} // namespace lumetta::cpu
