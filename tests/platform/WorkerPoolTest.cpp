#include "platform/WorkerPool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <vector>

namespace vextral::test {
namespace {

// Every task's result comes back through its own future; a pool that ends drops what it has
// not started, and no future is left waiting for ever.
TEST(WorkerPoolTest, ResultsComeBackAndAnEndedPoolLeavesNoFutureWaiting) {
    for (const unsigned threads : {0u, 1u, 3u}) {
        SCOPED_TRACE(threads);
        std::vector<std::future<int>> results;
        std::optional<WorkerPool> pool(std::in_place, threads);
        for (int i = 0; i < 64; ++i)
            results.push_back(pool->Submit([i] { return i * i; }));
        EXPECT_EQ(results.front().get(), 0);
        EXPECT_EQ(results[10].get(), 100);
        pool.reset();
        for (int i = 11; i < 64; ++i) {
            auto& result = results[static_cast<std::size_t>(i)];
            ASSERT_EQ(result.wait_for(std::chrono::seconds(0)), std::future_status::ready);
            try {
                EXPECT_EQ(result.get(), i * i);
            } catch (const std::future_error& error) {
                EXPECT_EQ(error.code(), std::future_errc::broken_promise);
            }
        }
    }
}

}  // namespace
}  // namespace vextral::test
