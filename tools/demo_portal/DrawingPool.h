#pragma once
// A few threads that draw pictures for requests, so a picture being drawn
// never holds up the server's loop and the requests it is serving.
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

namespace demo {

class DrawingPool {
public:
    using Job = std::function<void(std::stop_token)>;

    explicit DrawingPool(unsigned threads);
    // Asks the drawings under way to stop and waits for them; queued jobs
    // never run.
    ~DrawingPool();
    DrawingPool(const DrawingPool&) = delete;
    DrawingPool& operator=(const DrawingPool&) = delete;

    // Runs job on one of the threads, in the order posted.
    void Post(Job job);

private:
    void Work(std::stop_token stop);

    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::deque<Job> jobs_;
    std::vector<std::jthread> threads_; // last: they stop before the queue goes
};

} // namespace demo
