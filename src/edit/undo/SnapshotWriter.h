// Writes undo snapshots on one worker thread so the editor never waits for
// encoding. Writes happen in submission order (a later write of the same
// file wins), each atomically (temporary file in the same folder, then
// renamed over the target), in the format of the file's extension with the
// codec's default settings. Failures are reported, never dropped.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace orvane::undo {

// Encodes image into path; false with *error set when nothing was written.
using SnapshotEncoder = std::function<bool(const QImage &image, const QString &path, QString *error)>;

// The default encoder: the codec layer by the extension, atomically. A name
// without an extension is written as PNG, so its step can still be read back.
bool writeSnapshotFile(const QImage &image, const QString &path, QString *error);

struct WriteFailure {
    QString path;
    QString error;
};

class SnapshotWriter : public QObject {
    Q_OBJECT
public:
    explicit SnapshotWriter(QObject *parent = nullptr);
    explicit SnapshotWriter(SnapshotEncoder encoder, QObject *parent = nullptr);
    // Finishes every queued write, then stops the worker.
    ~SnapshotWriter() override;

    SnapshotWriter(const SnapshotWriter &) = delete;
    SnapshotWriter &operator=(const SnapshotWriter &) = delete;

    // Queues a write and returns at once. The image is kept as a shallow
    // copy: nothing is copied here; if the caller paints on its picture
    // before the write is done, Qt's copy-on-write copies it then. Only when
    // the queued pictures exceed the memory limit does the call wait for
    // the oldest writes to finish.
    void enqueue(const QImage &image, const QString &path);

    // Blocks until every queued write of path is done. True when its newest
    // write succeeded (or none was ever queued); else *error gets the reason.
    bool waitFor(const QString &path, QString *error = nullptr);
    // Blocks until the queue is empty. True when no write failed since the
    // last call of waitAll.
    bool waitAll();

    bool isPending(const QString &path) const;
    int pendingCount() const;

    // The newest failure, if any.
    std::optional<WriteFailure> lastFailure() const;
    // Its error text, "" when nothing failed.
    QString lastError() const;

    // Called on the worker thread for each failure, before writeFailed. It
    // must not enqueue or wait on this writer.
    void setFailureCallback(std::function<void(const QString &path, const QString &error)> callback);
    // Bytes of distinct queued pictures beyond which enqueue waits (default 1 GiB).
    void setMemoryLimit(qint64 bytes);

signals:
    // Emitted from the worker thread; connections to objects of other
    // threads are queued. A directly connected slot must not wait on this
    // writer.
    void writeFailed(const QString &path, const QString &error);
    void written(const QString &path);

private:
    struct Job {
        QImage image;
        QString path;
        QString key;
    };
    struct PathState {
        int pending = 0;
        bool failed = false;
        QString error;
    };

    static QString keyFor(const QString &path);
    void run();

    SnapshotEncoder m_encoder;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;     // worker: a job arrived or stop
    std::condition_variable m_progress; // waiters: a job finished
    std::deque<Job> m_queue;
    bool m_busy = false;
    bool m_stop = false;
    std::map<QString, PathState> m_paths;
    std::map<qint64, int> m_imageRefs; // cacheKey -> queued jobs sharing that picture
    qint64 m_queuedBytes = 0;
    qint64 m_memoryLimit = qint64(1) << 30;
    bool m_failedSinceWaitAll = false;
    std::optional<WriteFailure> m_lastFailure;
    std::function<void(const QString &, const QString &)> m_failureCallback;
    std::thread m_worker;
};

} // namespace orvane::undo
