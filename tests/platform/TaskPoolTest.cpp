#include "platform/TaskPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <semaphore>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace yomida {
namespace {

TEST(TaskPool, EveryTaskRunsOnceInItsSlotAndFailuresComeBackToTheOwner) {
    std::vector<std::atomic<int>> runs(500);
    std::atomic<bool> slotsInRange{true};
    {
        TaskPool pool(
            runs.size(),
            [&](size_t i, size_t slot) {
                slotsInRange = slotsInRange && slot < 3;
                ++runs[i];
            },
            3);
        pool.Wait();
        EXPECT_TRUE(pool.Finished());
        EXPECT_EQ(pool.Done(), runs.size());
    }
    for (const std::atomic<int>& n : runs) {
        ASSERT_EQ(n.load(), 1);
    }
    EXPECT_TRUE(slotsInRange);

    std::atomic<int> ran{0};
    TaskPool failing(
        20,
        [&](size_t i, size_t) {
            if (i == 7) {
                throw std::runtime_error("task 7");
            }
            ++ran;
        },
        2);
    EXPECT_THROW(failing.Wait(), std::runtime_error);
    EXPECT_EQ(ran.load(), 19) << "one failure does not stop the others";
    EXPECT_TRUE(failing.Finished());
}

TEST(TaskPool, WithoutWorkersTheOwnerRunsOneTaskAStep) {
    std::vector<size_t> order;
    TaskPool pool(
        3, [&](size_t i, size_t slot) { order.push_back(i * 10 + slot); }, 0);
    EXPECT_EQ(pool.Workers(), 0u);
    EXPECT_EQ(pool.Done(), 0u) << "nothing runs before the owner steps";
    EXPECT_FALSE(pool.Step());
    EXPECT_EQ(pool.Done(), 1u);
    EXPECT_FALSE(pool.Step());
    EXPECT_TRUE(pool.Step());
    EXPECT_TRUE(pool.Step()) << "a step past the end does nothing";
    EXPECT_EQ(order, (std::vector<size_t>{0, 10, 20}));
}

TEST(TaskPool, AThreadThatCannotStartLeavesTheWorkToTheOthers) {
    int starts = 0;
    const auto secondFails = [&](std::function<void()> body) {
        if (++starts > 1) {
            throw std::system_error(
                std::make_error_code(std::errc::resource_unavailable_try_again));
        }
        return std::jthread(std::move(body));
    };
    std::atomic<int> ran{0};
    TaskPool fewer(
        100, [&](size_t, size_t) { ++ran; }, 4, secondFails);
    EXPECT_EQ(fewer.Workers(), 1u);
    fewer.Wait();
    EXPECT_EQ(ran.load(), 100);

    const auto noneStarts = [](std::function<void()>) -> std::jthread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    std::vector<size_t> slots;
    TaskPool none(
        5, [&](size_t, size_t slot) { slots.push_back(slot); }, 4, noneStarts);
    EXPECT_EQ(none.Workers(), 0u);
    none.Wait();
    EXPECT_EQ(slots, (std::vector<size_t>(5, 4))) << "the owner's slot, after the workers'";
}

TEST(TaskPool, CancelDropsWhatHasNotBegunAndTheEndWaitsForWhatHas) {
    std::binary_semaphore started{0};
    std::binary_semaphore release{0};
    std::atomic<int> ran{0};
    // One at a time; the first says it has started and waits to be released.
    const auto firstWaits = [&](size_t i, size_t) {
        if (i == 0) {
            started.release();
            release.acquire();
        }
        ++ran;
    };
    {
        TaskPool pool(50, firstWaits, 1);
        started.acquire();
        pool.Cancel();
        EXPECT_FALSE(pool.Finished()) << "the running task has not ended";
        release.release();
        pool.Wait();
        EXPECT_TRUE(pool.Cancelled());
        EXPECT_EQ(pool.Done(), 50u);
    }
    EXPECT_EQ(ran.load(), 1);

    // Destroyed while a task runs: the task ends before the pool's state goes.
    ran = 0;
    {
        TaskPool pool(50, firstWaits, 1);
        started.acquire();
        release.release();
    }
    EXPECT_GE(ran.load(), 1);
}

}  // namespace
}  // namespace yomida
