#pragma once
// One thread, kept for its owner's life, that runs one job at a time: a wait
// for the disk the caller goes on beside (a commit, an fsync).

#include <condition_variable>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

namespace tarvik {

class JobThread {
public:
    // `finished` runs on the thread after each job, once its result is known.
    explicit JobThread(std::function<void()> finished = {});
    // Waits for the job in hand.
    ~JobThread();
    JobThread(const JobThread&) = delete;
    JobThread& operator=(const JobThread&) = delete;

    // Runs `job` on the thread. The future holds what it threw. The previous
    // job's future must have been waited for.
    std::future<void> start(std::function<void()> job);

private:
    void loop();

    std::function<void()> finished_;
    std::mutex m_;
    std::condition_variable wake_;
    std::function<void()> job_;  // guarded by m_
    std::promise<void> result_;  // guarded by m_
    bool stop_ = false;          // guarded by m_
    std::thread thread_;
};

}  // namespace tarvik
