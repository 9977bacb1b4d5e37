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
    // returns when all are done. The work may call run again, on any thread (the runs of a
    // file, then the trials of each): a thread whose own work is being finished by others
    // meanwhile does any other work there is, the newest first, so no thread idles while a
    // long run's trials could be shared.
    void run(size_t count, const std::function<void(size_t)>& work);

private:
    struct Job {
        const std::function<void(size_t)>* work;
        size_t count, next = 0, finished = 0;
    };

    // Does the next item of `job`, which has one left; called and returns locked.
    void doItem(Job& job, std::unique_lock<std::mutex>& lock);
    // Does an item of the newest job that has one left, if any does.
    bool doAnyItem(std::unique_lock<std::mutex>& lock);
    void help();

    std::vector<std::thread> helpers_;
    std::mutex mutex_;
    std::condition_variable changed_;  // a job came, or one was finished
    std::vector<Job*> open_;           // jobs with items left, oldest first
    bool stopping_ = false;
};
