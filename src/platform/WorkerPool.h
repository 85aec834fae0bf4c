#pragma once
// A few threads that run queued tasks in the order they were queued. Tasks must not touch
// what the queuing thread uses meanwhile; each hands its result back through its future.

#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

namespace vextral {

class WorkerPool {
  public:
    // At least one thread.
    explicit WorkerPool(unsigned threads);
    // Tasks not yet started are dropped (their futures report a broken promise); the running
    // ones end first: no thread outlives the pool.
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The number of processor cores (at least 1).
    static unsigned CoreCount();

    template <typename Function>
    std::future<std::invoke_result_t<Function>> Submit(Function function) {
        using Result = std::invoke_result_t<Function>;
        auto task = std::make_shared<std::packaged_task<Result()>>(std::move(function));
        auto future = task->get_future();
        Push([task] { (*task)(); });
        return future;
    }

  private:
    void Push(std::function<void()> task);
    void Work();

    std::mutex mutex_;
    std::condition_variable queued_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace vextral
