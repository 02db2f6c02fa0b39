#pragma once
// Background runs that each end in one picture replacing a picture control's
// bitmap (the working picture while a slider or grip is dragged, the Batch
// preview). One run at a time; a request made while one runs waits, and a
// newer request replaces the waiting one, so the latest always wins and
// superseded requests never run. Results are applied on the GUI thread, and
// only when neither the target nor the picture the run was computed from
// changed meanwhile by anything but these runs; a stale result is dropped.
#include "core/TOrvane1.h"

#include <QFutureWatcher>
#include <QImage>
#include <functional>
#include <optional>

struct TOrvane1::PictureJobs {
    // target receives the results; source is the picture the runs start from.
    PictureJobs(TImage *target, TImage *source);
    ~PictureJobs();
    PictureJobs(const PictureJobs &) = delete;
    PictureJobs &operator=(const PictureJobs &) = delete;

    // job runs on a worker thread and may only use what it captured;
    // applied runs on the GUI thread after its result was shown.
    void schedule(std::function<QImage()> job, std::function<void()> applied = {});
    // Forgets the waiting request and drops the running one's result
    // (a synchronous edit is about to replace the target).
    void drop();
    // Handles the running and waiting requests until none is left.
    void wait();
    bool busy() const { return m_running.has_value(); }

private:
    struct Request {
        std::function<QImage()> job;
        std::function<void()> applied;
        qint64 targetKey = 0;
        qint64 sourceKey = 0;
    };
    void start(Request request);
    void finished();

    TImage *m_target;
    TImage *m_source;
    QFutureWatcher<QImage> m_watcher;
    std::optional<Request> m_running, m_waiting;
    bool m_dropRunning = false;
    qint64 m_ownKey = -1; // the target's picture as the last applied result left it
};
