#include "base/Parallel.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace lumetta {

namespace {
// More threads than this gain nothing on the memory-bound passes that use them.
constexpr int kMaxWorkers = 8;
} // namespace

int WorkerLimit() {
    static const int limit = std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxWorkers);
    return limit;
}

void ForEachBand(std::size_t count, std::size_t minPerBand, std::size_t granule,
                 const std::function<void(std::size_t, std::size_t)>& work) {
    if (count == 0) return;
    granule = std::max<std::size_t>(granule, 1);
    const std::size_t byWork = count / std::max<std::size_t>(minPerBand, 1);
    const std::size_t bands =
        std::clamp<std::size_t>(std::min<std::size_t>(byWork, std::size_t(WorkerLimit())), 1,
                                (count + granule - 1) / granule);
    if (bands == 1) {
        work(0, count);
        return;
    }
    // Band b starts at b * count / bands, rounded down to the granule.
    std::vector<std::size_t> starts(bands + 1);
    for (std::size_t b = 0; b < bands; ++b)
        starts[b] = count * b / bands / granule * granule;
    starts[bands] = count;

    std::vector<std::exception_ptr> errors(bands);
    auto run = [&](std::size_t b) {
        if (starts[b] >= starts[b + 1]) return;
        try {
            work(starts[b], starts[b + 1]);
        } catch (...) {
            errors[b] = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(bands - 1);
    try {
        for (std::size_t b = 1; b < bands; ++b)
            helpers.emplace_back(run, b);
    } catch (...) {
        // No thread to be had: what did not start runs here.
        for (std::size_t b = helpers.size() + 1; b < bands; ++b)
            run(b);
    }
    run(0);
    for (std::thread& helper : helpers)
        helper.join();
    for (const std::exception_ptr& error : errors)
        if (error) std::rethrow_exception(error);
}

} // namespace lumetta
