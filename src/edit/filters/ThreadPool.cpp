// The engine's worker threads: a few threads that take bands of a running
// job; the thread that starts a job works on it too, so nested or concurrent
// jobs never wait for a free worker. Idle workers sleep (no spinning), which
// keeps the interface thread and other programs responsive.
#include "edit/filters/Internal.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace orvane::filters::detail {
namespace {

struct Job {
    void (*call)(void *, int) = nullptr;
    void *ctx = nullptr;
    int bands = 0;
    std::atomic<int> next{0};
    std::atomic<int> done{0};
    std::mutex mutex;
    std::condition_variable finished;
    std::exception_ptr error;

    // Takes bands until none is left.
    void work()
    {
        for (int b = next.fetch_add(1); b < bands; b = next.fetch_add(1)) {
            try {
                call(ctx, b);
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!error)
                    error = std::current_exception();
            }
            if (done.fetch_add(1) + 1 == bands) {
                std::lock_guard<std::mutex> lock(mutex);
                finished.notify_all();
            }
        }
    }
};

class Workers {
public:
    void run(Job &job, int helpers)
    {
        ensure(helpers);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            for (int i = 0; i < helpers; ++i)
                m_queue.push_back(&job);
        }
        m_wake.notify_all();
        job.work();
        {
            std::unique_lock<std::mutex> lock(job.mutex);
            job.finished.wait(lock, [&] { return job.done.load() == job.bands; });
        }
        // The job lives on the caller's stack: no worker may still hold it.
        std::unique_lock<std::mutex> lock(m_mutex);
        for (auto it = m_queue.begin(); it != m_queue.end();)
            it = *it == &job ? m_queue.erase(it) : it + 1;
        m_idle.wait(lock, [&] {
            for (Job *j : m_current)
                if (j == &job)
                    return false;
            return true;
        });
    }

private:
    void ensure(int helpers)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        while (int(m_current.size()) < helpers) {
            const size_t index = m_current.size();
            m_current.push_back(nullptr);
            std::thread([this, index] { loop(index); }).detach();
        }
    }

    void loop(size_t index)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return !m_queue.empty(); });
            Job *job = m_queue.front();
            m_queue.pop_front();
            m_current[index] = job;
            lock.unlock();
            job->work();
            lock.lock();
            m_current[index] = nullptr;
            m_idle.notify_all();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake, m_idle;
    std::deque<Job *> m_queue;
    std::vector<Job *> m_current; // the job each worker is in, or null
};

// Never destroyed: workers sleep in it until the process ends.
Workers &workers()
{
    static Workers *w = new Workers;
    return *w;
}

} // namespace

void runBands(int bands, void (*call)(void *, int), void *ctx)
{
    if (bands <= 0)
        return;
    const int helpers = std::min(effectiveThreads(), bands) - 1;
    if (helpers <= 0) {
        for (int b = 0; b < bands; ++b)
            call(ctx, b);
        return;
    }
    Job job;
    job.call = call;
    job.ctx = ctx;
    job.bands = bands;
    workers().run(job, helpers);
    if (job.error)
        std::rethrow_exception(job.error);
}

} // namespace orvane::filters::detail
