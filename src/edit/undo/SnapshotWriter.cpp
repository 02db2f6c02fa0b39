#include "edit/undo/SnapshotWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QSaveFile>

#ifdef ORVANE_UNDO_HAVE_CODEC
#include "edit/codec/Codec.h"
#endif

#include <exception>

namespace orvane::undo {

namespace {

#ifdef ORVANE_UNDO_HAVE_CODEC
bool saveBytesAtomically(const QByteArray &bytes, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot create the file: ") + file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        *error = QStringLiteral("cannot write the file: ") + file.errorString();
        file.cancelWriting();
        return false;
    }
    return true;
}
#else
bool qtWrite(const QImage &image, const QString &path, QString *error)
{
    QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (format.isEmpty())
        format = "png";
    if (!QImageWriter::supportedImageFormats().contains(format)) {
        *error = QStringLiteral("no codec writes the extension ") + QString::fromLatin1(format).toUpper();
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot create the file: ") + file.errorString();
        return false;
    }
    QImageWriter writer(&file, format);
    if (!writer.write(image)) {
        *error = QStringLiteral("cannot encode the picture: ") + writer.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("cannot write the file: ") + file.errorString();
        return false;
    }
    return true;
}
#endif

} // namespace

bool writeSnapshotFile(const QImage &image, const QString &path, QString *error)
{
    QString dummy;
    QString *err = error ? error : &dummy;
    if (image.isNull()) {
        *err = QStringLiteral("there is no picture to write");
        return false;
    }
#ifdef ORVANE_UNDO_HAVE_CODEC
    if (QFileInfo(path).suffix().isEmpty()) {
        const QByteArray bytes = codec::encode(image, codec::Format::Png, err);
        return !bytes.isEmpty() && saveBytesAtomically(bytes, path, err);
    }
    return codec::encodeFile(image, path, err);
#else
    return qtWrite(image, path, err);
#endif
}

SnapshotWriter::SnapshotWriter(QObject *parent)
    : SnapshotWriter(&writeSnapshotFile, parent)
{
}

SnapshotWriter::SnapshotWriter(SnapshotEncoder encoder, QObject *parent)
    : QObject(parent)
    , m_encoder(encoder ? std::move(encoder) : SnapshotEncoder(&writeSnapshotFile))
    , m_worker([this] { run(); })
{
}

SnapshotWriter::~SnapshotWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

QString SnapshotWriter::keyFor(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void SnapshotWriter::enqueue(const QImage &image, const QString &path)
{
    Job job{image, path, keyFor(path)};
    const qint64 cacheKey = image.cacheKey();
    const qint64 bytes = image.sizeInBytes();
    std::unique_lock lock(m_mutex);
    // Pictures already queued cost nothing more; otherwise wait while the
    // queue holds more than the limit (one picture always fits).
    m_progress.wait(lock, [&] {
        return m_queuedBytes == 0 || m_imageRefs.count(cacheKey) > 0 || m_queuedBytes + bytes <= m_memoryLimit;
    });
    if (m_imageRefs[cacheKey]++ == 0)
        m_queuedBytes += bytes;
    ++m_paths[job.key].pending;
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_wake.notify_one();
}

void SnapshotWriter::run()
{
    while (true) {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_queue.empty())
            return; // stopping, and every write is done
        Job job = std::move(m_queue.front());
        m_queue.pop_front();
        m_busy = true;
        std::function<void(const QString &, const QString &)> callback = m_failureCallback;
        lock.unlock();

        QString error;
        bool ok = false;
        try {
            ok = m_encoder(job.image, job.path, &error);
        } catch (const std::exception &e) {
            error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            error = QStringLiteral("unknown failure");
        }
        if (!ok && error.isEmpty())
            error = QStringLiteral("the snapshot could not be written");
        // Let go of the picture before anyone can see the write as done, so
        // the caller's next paint does not copy it needlessly.
        const qint64 cacheKey = job.image.cacheKey();
        const qint64 bytes = job.image.sizeInBytes();
        job.image = QImage();

        if (ok) {
            emit written(job.path);
        } else {
            if (callback)
                callback(job.path, error);
            emit writeFailed(job.path, error);
        }

        lock.lock();
        auto it = m_paths.find(job.key);
        if (it != m_paths.end()) {
            PathState &state = it->second;
            --state.pending;
            state.failed = !ok;
            state.error = ok ? QString() : error;
            if (state.pending == 0 && ok)
                m_paths.erase(it);
        }
        if (!ok) {
            m_lastFailure = WriteFailure{job.path, error};
            m_failedSinceWaitAll = true;
        }
        auto ref = m_imageRefs.find(cacheKey);
        if (ref != m_imageRefs.end() && --ref->second == 0) {
            m_imageRefs.erase(ref);
            m_queuedBytes -= bytes;
        }
        m_busy = false;
        lock.unlock();
        m_progress.notify_all();
    }
}

bool SnapshotWriter::waitFor(const QString &path, QString *error)
{
    const QString key = keyFor(path);
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [&] {
        const auto it = m_paths.find(key);
        return it == m_paths.end() || it->second.pending == 0;
    });
    const auto it = m_paths.find(key);
    if (it == m_paths.end() || !it->second.failed)
        return true;
    if (error)
        *error = it->second.error;
    return false;
}

bool SnapshotWriter::waitAll()
{
    std::unique_lock lock(m_mutex);
    m_progress.wait(lock, [&] { return m_queue.empty() && !m_busy; });
    const bool ok = !m_failedSinceWaitAll;
    m_failedSinceWaitAll = false;
    return ok;
}

bool SnapshotWriter::isPending(const QString &path) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_paths.find(keyFor(path));
    return it != m_paths.end() && it->second.pending > 0;
}

int SnapshotWriter::pendingCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_queue.size()) + (m_busy ? 1 : 0);
}

std::optional<WriteFailure> SnapshotWriter::lastFailure() const
{
    std::lock_guard lock(m_mutex);
    return m_lastFailure;
}

QString SnapshotWriter::lastError() const
{
    std::lock_guard lock(m_mutex);
    return m_lastFailure ? m_lastFailure->error : QString();
}

void SnapshotWriter::setFailureCallback(std::function<void(const QString &, const QString &)> callback)
{
    std::lock_guard lock(m_mutex);
    m_failureCallback = std::move(callback);
}

void SnapshotWriter::setMemoryLimit(qint64 bytes)
{
    {
        std::lock_guard lock(m_mutex);
        m_memoryLimit = std::max<qint64>(0, bytes);
    }
    m_progress.notify_all();
}

} // namespace orvane::undo
