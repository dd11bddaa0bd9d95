#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace yomida {

// Runs a fixed number of numbered tasks on a few worker threads, started at once, while the
// owner goes on with its own work and asks how far they have come. Destroying the pool drops
// the tasks not yet begun and waits for the running ones, so it never outlives what they use.
class TaskPool {
public:
    // One task: its number, and the worker slot running it (at most `workers`, the number asked
    // for), so that a task can keep per-worker scratch state without a lock.
    using Task = std::function<void(size_t index, size_t slot)>;
    // Starts a worker thread; tests hand in one that fails.
    using ThreadStarter = std::function<std::jthread(std::function<void()>)>;

    // One worker per core, never more than there are tasks.
    static size_t DefaultWorkers(size_t tasks);

    // Starts up to `workers` threads. A thread that cannot be started only leaves fewer to do
    // the work; with none at all, the tasks run on the owner's thread in Step() and Wait().
    TaskPool(size_t tasks, Task task, size_t workers, const ThreadStarter& start = {});
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    size_t Total() const { return total_; }
    // Tasks ended, the dropped ones included.
    size_t Done() const { return done_.load(std::memory_order_acquire); }
    bool Finished() const { return Done() == total_; }
    bool Cancelled() const { return stop_.stop_requested(); }
    size_t Workers() const { return threads_.size(); }
    // Worker slots: one per worker asked for, and the last for the owner's thread.
    size_t Slots() const { return ownerSlot_ + 1; }

    // Without workers, runs the next task on the calling thread; with them, does nothing.
    // Returns Finished().
    [[nodiscard]] bool Step();
    // Runs or waits for every task to end. Rethrows the first failure a task raised.
    void Wait();
    // Tasks not yet begun are dropped; running ones end as they will.
    void Cancel() { stop_.request_stop(); }
    // The first failure a task raised, or null.
    std::exception_ptr Failure() const;

private:
    void Work(size_t slot);
    // Takes and runs (or drops) one task; false when none was left.
    bool RunNext(size_t slot);

    const size_t total_;
    const Task task_;
    const size_t ownerSlot_;
    std::stop_source stop_;
    std::atomic<size_t> next_{0};
    std::atomic<size_t> done_{0};
    mutable std::mutex mutex_;
    std::condition_variable finished_;
    std::exception_ptr failure_;
    // Last, so that the threads are joined before anything they use goes.
    std::vector<std::jthread> threads_;
};

}  // namespace yomida
