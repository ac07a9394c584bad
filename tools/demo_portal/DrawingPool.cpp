#include "DrawingPool.h"

namespace demo {

DrawingPool::DrawingPool(unsigned threads)
{
    for (unsigned i = 0; i < threads; ++i)
        threads_.emplace_back([this](std::stop_token stop) { Work(stop); });
}

DrawingPool::~DrawingPool()
{
    for (std::jthread& t : threads_)
        t.request_stop();
    threads_.clear(); // joins
}

void DrawingPool::Post(Job job)
{
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void DrawingPool::Work(std::stop_token stop)
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            if (!wake_.wait(lock, stop, [this] { return !jobs_.empty(); }))
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job(stop);
    }
}

} // namespace demo
