#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvra::server {

// A few threads for slow work (password checks) with a bounded queue in front: what
// does not fit is refused at once instead of waiting, so a flood of such work cannot
// take every processor or grow without end.
class WorkQueue {
  public:
    WorkQueue(unsigned threads, std::size_t capacity);
    // Drops what is still queued and waits for the jobs that run.
    ~WorkQueue();
    WorkQueue(const WorkQueue&) = delete;
    WorkQueue& operator=(const WorkQueue&) = delete;

    // False (and `job` is not run) when `capacity` jobs are already waiting.
    bool submit(std::function<void()> job);

  private:
    void work();

    std::size_t capacity_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> jobs_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace kelvra::server
