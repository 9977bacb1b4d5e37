#include "cli/find/work_pool.h"

#include <algorithm>

WorkPool::WorkPool(int threads) {
    for (int t = 1; t < threads; ++t) helpers_.emplace_back([this] { help(); });
}

WorkPool::~WorkPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

void WorkPool::run(size_t count, const std::function<void(size_t)>& work) {
    if (helpers_.empty() || count < 2) {
        for (size_t i = 0; i < count; ++i) work(i);
        return;
    }
    Job job{&work, count};
    std::unique_lock<std::mutex> lock(mutex_);
    open_.push_back(&job);
    changed_.notify_all();
    while (job.finished < job.count) {
        if (job.next < job.count) {
            doItem(job, lock);
        } else if (!doAnyItem(lock)) {
            changed_.wait(lock);
        }
    }
}

void WorkPool::doItem(Job& job, std::unique_lock<std::mutex>& lock) {
    const size_t i = job.next++;
    if (job.next == job.count) open_.erase(std::find(open_.begin(), open_.end(), &job));
    const std::function<void(size_t)>& work = *job.work;
    lock.unlock();
    work(i);
    lock.lock();
    // The job's owner may return as soon as this is counted: the job is not touched after.
    if (++job.finished == job.count) changed_.notify_all();
}

bool WorkPool::doAnyItem(std::unique_lock<std::mutex>& lock) {
    if (open_.empty()) return false;
    doItem(*open_.back(), lock);
    return true;
}

void WorkPool::help() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stopping_ || !open_.empty(); });
        if (stopping_) return;
        doAnyItem(lock);
    }
}
