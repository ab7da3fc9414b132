#include "base/CpuFeatures.h"

#include <atomic>

namespace lumetta::cpu {
namespace {

std::atomic<bool> gAllowed{true};

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The checks also confirm that the operating system saves the wider registers.
bool DetectAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}
bool DetectAvx512Vbmi() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("avx512vbmi");
}
#else
bool DetectAvx2() {
    return false;
}
bool DetectAvx512Vbmi() {
    return false;
}
#endif

} // namespace

bool HaveAvx2() {
    static const bool have = DetectAvx2();
    return have && gAllowed.load(std::memory_order_relaxed);
}

bool HaveAvx512Vbmi() {
    static const bool have = DetectAvx512Vbmi();
    return have && gAllowed.load(std::memory_order_relaxed);
}

void AllowVectorForms(bool allow) {
    gAllowed.store(allow, std::memory_order_relaxed);
}

} // namespace lumetta::cpu
