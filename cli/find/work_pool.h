#pragma once
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Threads that stay for the length of a scan, so that work too small to be worth a thread of
// its own (the trials of one run of bytes, a millisecond or two) can still be shared out.
class WorkPool {
public:
    // A pool of `threads` in all, the caller's included: threads - 1 helpers.
    explicit WorkPool(int threads);
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // Calls work(i) for every i in [0, count), on the helpers and the calling thread, and
    // returns when all are done. One call at a time.
    void run(size_t count, const std::function<void(size_t)>& work);

private:
    void help();

    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable wake_, done_;
    const std::function<void(size_t)>* work_ = nullptr;
    size_t count_ = 0, next_ = 0, finished_ = 0;
    unsigned long round_ = 0;
    bool stopping_ = false;
};
