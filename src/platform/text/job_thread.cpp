#include "platform/text/job_thread.h"

#include <utility>

namespace tarvik {

JobThread::JobThread(std::function<void()> finished) : finished_(std::move(finished)) {}

JobThread::~JobThread()
{
    {
        const std::lock_guard lock(m_);
        stop_ = true;
    }
    wake_.notify_one();
    if (thread_.joinable())
        thread_.join();
}

std::future<void> JobThread::start(std::function<void()> job)
{
    std::future<void> result;
    {
        const std::lock_guard lock(m_);
        job_ = std::move(job);
        result_ = {};
        result = result_.get_future();
    }
    // Made with the first job: most owners never start one.
    if (!thread_.joinable())
        thread_ = std::thread([this] { loop(); });
    wake_.notify_one();
    return result;
}

void JobThread::loop()
{
    for (;;) {
        std::function<void()> job;
        std::promise<void> done;
        {
            std::unique_lock lock(m_);
            wake_.wait(lock, [&] { return stop_ || job_; });
            if (!job_)
                return;
            job = std::exchange(job_, nullptr);
            done = std::move(result_);
        }
        try {
            job();
            done.set_value();
        } catch (...) {
            done.set_exception(std::current_exception());
        }
        if (finished_)
            finished_();
    }
}

}  // namespace tarvik
