#include "cli/find/work_pool.h"

WorkPool::WorkPool(int threads) {
    for (int t = 1; t < threads; ++t) helpers_.emplace_back([this] { help(); });
}

WorkPool::~WorkPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : helpers_) t.join();
}

void WorkPool::run(size_t count, const std::function<void(size_t)>& work) {
    if (helpers_.empty() || count < 2) {
        for (size_t i = 0; i < count; ++i) work(i);
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    work_ = &work;
    count_ = count;
    next_ = 0;
    finished_ = 0;
    ++round_;
    wake_.notify_all();
    while (next_ < count_) {
        const size_t i = next_++;
        lock.unlock();
        work(i);
        lock.lock();
        ++finished_;
    }
    done_.wait(lock, [this] { return finished_ == count_; });
    work_ = nullptr;
}

void WorkPool::help() {
    std::unique_lock<std::mutex> lock(mutex_);
    unsigned long seen = 0;
    for (;;) {
        wake_.wait(lock, [&] { return stopping_ || (work_ && round_ != seen && next_ < count_); });
        if (stopping_) return;
        seen = round_;
        while (work_ && next_ < count_) {
            const size_t i = next_++;
            const std::function<void(size_t)>& work = *work_;
            lock.unlock();
            work(i);
            lock.lock();
            if (++finished_ == count_) done_.notify_all();
        }
    }
}
