#pragma once
// Thumbnails of a folder listing, made on worker threads and delivered in
// listing order on the loader's own (GUI) thread.
//
// Each picture's thumbnail comes from the first of: a fresh entry of the
// desktop's thumbnail cache, the picture's embedded EXIF thumbnail when it is
// at least as large as the box, a scaled decode. New thumbnails are written
// to the cache so the next listing of the folder is immediate.
#include "browse/thumbs/ThumbnailCache.h"

#include <QImage>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QThreadPool>

#include <atomic>
#include <memory>

namespace orvane::thumbs {

enum class Source {
    Cache,   // a fresh cache entry
    Exif,    // the embedded EXIF thumbnail
    Decoded, // the picture itself, decoded at reduced size
    Failed,  // not a decodable picture
};

struct ThumbResult {
    int generation = 0; // the listing the result belongs to
    int index = -1;     // position in the listing
    QString path;
    QImage image;       // fits the box; null when Failed
    QSize originalSize; // the picture's size when known
    Source source = Source::Failed;
    QString error;
    bool ok() const { return source != Source::Failed && !image.isNull(); }
};

struct ThumbOptions {
    int box = 128;          // thumbnails fit box x box
    bool useCache = true;   // read and write the desktop's thumbnail cache
    QString cacheRoot;      // empty: $XDG_CACHE_HOME/thumbnails
};

// The box for thumbnails shown at displaySide logical pixels on a screen
// with the given device pixel ratio: the cache's normal size (128) unless the
// shown pixels need more, then the large size (256).
int boxForDisplay(int displaySide, qreal devicePixelRatio);

// The work for one file (runs on any thread).
ThumbResult makeThumbnail(const QString &path, const ThumbOptions &options);

class ThumbnailLoader : public QObject {
    Q_OBJECT
public:
    explicit ThumbnailLoader(QObject *parent = nullptr);
    ~ThumbnailLoader() override;

    void setOptions(const ThumbOptions &options) { m_options = options; }
    ThumbOptions options() const { return m_options; }
    // Worker threads used (default and maximum: the number of cores).
    void setMaxThreads(int threads);
    int maxThreads() const { return m_pool.maxThreadCount(); }

    // Starts thumbnails for the listing, replacing (cancelling) any listing in
    // progress. Returns the new listing's generation number.
    int load(const QStringList &paths);
    // Stops the listing in progress: no further results or signals for it.
    void cancel();
    bool isRunning() const { return m_running; }
    int generation() const { return m_generation; }

    // Runs a local event loop until the current listing has finished or
    // timeoutMs has passed (for tools, tests and benchmarks).
    bool waitForFinished(int timeoutMs = 30000);

signals:
    // One per listed file, in listing order.
    void thumbnailReady(const orvane::thumbs::ThumbResult &result);
    void progress(int generation, int done, int total);
    void finished(int generation);

private:
    void pump();
    void accept(const ThumbResult &result);

    ThumbOptions m_options;
    QThreadPool m_pool;
    QStringList m_paths;
    int m_generation = 0;
    bool m_running = false;
    int m_nextToStart = 0;
    int m_nextToDeliver = 0;
    int m_inFlight = 0;
    QMap<int, ThumbResult> m_waiting; // finished out of order, not yet delivered
    std::shared_ptr<std::atomic<bool>> m_cancelled;
};

} // namespace orvane::thumbs

Q_DECLARE_METATYPE(orvane::thumbs::ThumbResult)
