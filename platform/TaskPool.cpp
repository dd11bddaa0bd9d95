#include "platform/TaskPool.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace yomida {

size_t TaskPool::DefaultWorkers(size_t tasks) {
    return std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), tasks);
}

TaskPool::TaskPool(size_t tasks, Task task, size_t workers, const ThreadStarter& start)
    : total_(tasks), task_(std::move(task)), ownerSlot_(workers) {
    threads_.reserve(workers);
    for (size_t slot = 0; slot < workers; ++slot) {
        auto body = [this, slot] { Work(slot); };
        try {
            threads_.push_back(start ? start(body) : std::jthread(body));
        } catch (const std::system_error&) {
            // The system is out of threads: the workers already running, or the owner's
            // thread, do the rest.
            break;
        } catch (...) {
            Cancel();
            throw;
        }
    }
}

TaskPool::~TaskPool() {
    Cancel();
    threads_.clear();
}

bool TaskPool::RunNext(size_t slot) {
    const size_t i = next_.fetch_add(1, std::memory_order_relaxed);
    if (i >= total_) {
        return false;
    }
    if (!stop_.stop_requested()) {
        try {
            task_(i, slot);
        } catch (...) {
            const std::lock_guard lock(mutex_);
            if (!failure_) {
                failure_ = std::current_exception();
            }
        }
    }
    bool last = false;
    {
        const std::lock_guard lock(mutex_);
        last = done_.fetch_add(1, std::memory_order_acq_rel) + 1 == total_;
    }
    if (last) {
        finished_.notify_all();
    }
    return true;
}

void TaskPool::Work(size_t slot) {
    while (RunNext(slot)) {
    }
}

bool TaskPool::Step() {
    if (threads_.empty()) {
        if (Cancelled()) {
            Work(ownerSlot_);  // dropping the rest takes no time
        } else {
            RunNext(ownerSlot_);
        }
    }
    return Finished();
}

void TaskPool::Wait() {
    if (threads_.empty()) {
        Work(ownerSlot_);
    }
    {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [this] { return done_.load(std::memory_order_acquire) == total_; });
    }
    if (const std::exception_ptr failure = Failure()) {
        std::rethrow_exception(failure);
    }
}

std::exception_ptr TaskPool::Failure() const {
    const std::lock_guard lock(mutex_);
    return failure_;
}

}  // namespace yomida
