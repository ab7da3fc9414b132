// ForEachBand: every item exactly once, bands on granule boundaries, errors carried back.
#include "base/Parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <utility>
#include <vector>

using namespace lumetta;

namespace {

TEST(ForEachBand, CoversEveryItemOnceInWholeGranules) {
    for (auto [count, minPerBand, granule] :
         {std::tuple<std::size_t, std::size_t, std::size_t>{1, 1, 1},
          {10, 1, 8},
          {1000, 1, 16},
          {1000, 600, 1},
          {12345, 7, 3},
          {5, 100, 1}}) {
        std::vector<std::atomic<int>> seen(count);
        std::mutex lock;
        std::vector<std::pair<std::size_t, std::size_t>> bands;
        ForEachBand(count, minPerBand, granule, [&](std::size_t begin, std::size_t end) {
            for (std::size_t i = begin; i < end; ++i)
                ++seen[i];
            std::lock_guard guard(lock);
            bands.push_back({begin, end});
        });
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(seen[i], 1) << i;
        for (auto [begin, end] : bands) {
            EXPECT_LT(begin, end);
            EXPECT_EQ(begin % granule, 0u);
        }
        if (count < 2 * minPerBand) {
            EXPECT_EQ(bands.size(), 1u);
        }
        EXPECT_LE(bands.size(), std::size_t(WorkerLimit()));
    }
    ForEachBand(0, 1, 1, [](std::size_t, std::size_t) { ADD_FAILURE(); });
}

TEST(ForEachBand, AnErrorInAnyBandReachesTheCaller) {
    std::atomic<int> ran{0};
    EXPECT_THROW(ForEachBand(1000, 1, 1,
                             [&](std::size_t begin, std::size_t) {
                                 ++ran;
                                 if (begin > 0 || WorkerLimit() == 1)
                                     throw std::runtime_error("band failed");
                             }),
                 std::runtime_error);
    EXPECT_EQ(ran, WorkerLimit()); // the other bands still ran to their end
}

} // namespace
