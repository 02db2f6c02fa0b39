#include "edit/PictureJobs.h"

#include "core/widgets/ImageControl.h"

#include <QtConcurrent/QtConcurrentRun>

namespace {
qint64 keyOf(const TImage *image)
{
    return image ? image->Bitmap().cacheKey() : 0;
}
} // namespace

void TOrvane1::PictureJobsDeleter::operator()(PictureJobs *jobs) const
{
    delete jobs;
}

TOrvane1::PictureJobs::PictureJobs(TImage *target, TImage *source) : m_target(target), m_source(source)
{
    QObject::connect(&m_watcher, &QFutureWatcherBase::finished, &m_watcher, [this] { finished(); });
}

TOrvane1::PictureJobs::~PictureJobs()
{
    m_watcher.disconnect();
    m_watcher.waitForFinished();
}

void TOrvane1::PictureJobs::schedule(std::function<QImage()> job, std::function<void()> applied)
{
    Request request{std::move(job), std::move(applied), keyOf(m_target), keyOf(m_source)};
    if (m_running)
        m_waiting = std::move(request);
    else
        start(std::move(request));
}

void TOrvane1::PictureJobs::drop()
{
    m_waiting.reset();
    if (m_running)
        m_dropRunning = true;
}

void TOrvane1::PictureJobs::wait()
{
    while (m_running) {
        m_watcher.waitForFinished();
        finished();
    }
}

void TOrvane1::PictureJobs::start(Request request)
{
    std::function<QImage()> job = request.job;
    m_running = std::move(request);
    m_dropRunning = false;
    m_watcher.setFuture(QtConcurrent::run([job]() -> QImage {
        try {
            return job();
        } catch (...) {
            return QImage();
        }
    }));
}

void TOrvane1::PictureJobs::finished()
{
    if (!m_running || !m_watcher.isFinished())
        return;
    const Request done = std::move(*m_running);
    m_running.reset();
    const QImage result = m_watcher.result();
    const qint64 targetNow = keyOf(m_target);
    const bool targetUntouched = targetNow == done.targetKey || targetNow == m_ownKey;
    if (!m_dropRunning && targetUntouched && keyOf(m_source) == done.sourceKey) {
        m_target->setBitmap(result);
        m_ownKey = keyOf(m_target);
        if (done.applied)
            done.applied();
    }
    m_dropRunning = false;
    if (m_waiting) {
        Request next = std::move(*m_waiting);
        m_waiting.reset();
        start(std::move(next));
    }
}
