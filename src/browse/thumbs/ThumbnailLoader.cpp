#include "browse/thumbs/ThumbnailLoader.h"

#include "edit/codec/Codec.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImageReader>
#include <QThread>
#include <QTimer>
#include <QTransform>

#include <cmath>

namespace orvane::thumbs {
namespace {

// An EXIF orientation (1..8) applied to the stored pixels gives the upright picture.
QImage upright(QImage image, int orientation)
{
    switch (orientation) {
    case 2: return image.mirrored(true, false);
    case 3: return image.mirrored(true, true);
    case 4: return image.mirrored(false, true);
    case 5: return image.mirrored(false, true).transformed(QTransform().rotate(90));
    case 6: return image.transformed(QTransform().rotate(90));
    case 7: return image.mirrored(true, false).transformed(QTransform().rotate(90));
    case 8: return image.transformed(QTransform().rotate(270));
    default: return image;
    }
}

bool isJpegName(const QString &path)
{
    return codec::formatForExtension(codec::upperExtension(path)) == codec::Format::Jpeg;
}

// The embedded EXIF thumbnail, upright and scaled into the box, when it is at
// least as large as the box needs and has the picture's proportions (camera
// thumbnails of 3:2 pictures are often 4:3 with black bands).
QImage exifThumbnail(const QString &path, int box, QSize *originalSize)
{
    if (!isJpegName(path))
        return {};
    const codec::ExifThumbnail exif = codec::readExifThumbnail(path);
    if (!exif.found())
        return {};
    const codec::PictureInfo info = codec::readInfo(path);
    if (!info.ok())
        return {};
    *originalSize = info.size;
    QBuffer buffer;
    buffer.setData(exif.jpeg);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "jpeg");
    reader.setAutoTransform(false);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.width() > 1024 || stored.height() > 1024)
        return {};
    const QImage thumb = upright(reader.read(), exif.orientation);
    if (thumb.isNull())
        return {};
    const QSize needed = codec::fitInside(info.size, {box, box});
    if (thumb.width() < needed.width() || thumb.height() < needed.height())
        return {};
    const double pictureRatio = double(info.size.width()) / info.size.height();
    const double thumbRatio = double(thumb.width()) / thumb.height();
    if (qAbs(thumbRatio - pictureRatio) > 0.02 * pictureRatio)
        return {};
    return thumb.scaled(needed, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

QImage fitBox(const QImage &image, int box)
{
    const QSize fitted = codec::fitInside(image.size(), {box, box});
    return fitted == image.size() ? image : image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace

int boxForDisplay(int displaySide, qreal devicePixelRatio)
{
    const int pixels = int(std::ceil(displaySide * qMax<qreal>(1.0, devicePixelRatio)));
    return ThumbnailCache::pixels(ThumbnailCache::sizeForBox(pixels));
}

ThumbResult makeThumbnail(const QString &path, const ThumbOptions &options)
{
    ThumbResult result;
    result.path = path;
    const int box = qMax(1, options.box);
    if (!QFileInfo(path).isFile()) {
        result.error = QStringLiteral("the file does not exist");
        return result;
    }
    const ThumbnailCache cache(options.cacheRoot);
    const bool cached = options.useCache && !cache.isInsideCache(path) && box <= 256;
    const CacheSize cacheSize = ThumbnailCache::sizeForBox(box);
    // Thumbnails are made at the cache's size and scaled to the box after.
    const int workBox = cached ? ThumbnailCache::pixels(cacheSize) : box;

    if (cached) {
        const QImage hit = cache.lookup(path, cacheSize);
        if (!hit.isNull()) {
            result.image = fitBox(hit, box).convertToFormat(hit.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                                   : QImage::Format_RGB32);
            result.source = Source::Cache;
            return result;
        }
        if (cache.knownFailure(path)) {
            result.error = QStringLiteral("not a decodable picture");
            return result;
        }
    }

    QImage made = exifThumbnail(path, workBox, &result.originalSize);
    if (!made.isNull()) {
        result.source = Source::Exif;
    } else {
        const codec::DecodeResult decoded = codec::decodeThumbnail(path, {workBox, workBox});
        if (!decoded.ok()) {
            result.error = decoded.error;
            // Remember the failure only for files the decoder saw as damaged
            // or foreign; a refusal by size may change with other limits.
            if (cached && !decoded.refusedForSize())
                cache.storeFailure(path);
            return result;
        }
        made = decoded.image;
        result.originalSize = decoded.originalSize;
        result.source = Source::Decoded;
    }
    // Pictures that already fit the box are cheap to decode and not cached.
    const bool reduced = result.originalSize.width() > made.width() || result.originalSize.height() > made.height();
    if (cached && reduced)
        cache.store(path, cacheSize, made, result.originalSize);
    result.image = fitBox(made, box);
    return result;
}

ThumbnailLoader::ThumbnailLoader(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<orvane::thumbs::ThumbResult>();
    m_pool.setMaxThreadCount(qMax(1, QThread::idealThreadCount()));
}

ThumbnailLoader::~ThumbnailLoader()
{
    cancel();
    m_pool.waitForDone();
}

void ThumbnailLoader::setMaxThreads(int threads)
{
    m_pool.setMaxThreadCount(qBound(1, threads, qMax(1, QThread::idealThreadCount())));
}

int ThumbnailLoader::load(const QStringList &paths)
{
    cancel();
    ++m_generation;
    m_paths = paths;
    m_nextToStart = 0;
    m_nextToDeliver = 0;
    m_inFlight = 0;
    m_waiting.clear();
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    if (m_paths.isEmpty()) {
        const int generation = m_generation;
        QTimer::singleShot(0, this, [this, generation] {
            if (generation == m_generation && m_running) {
                m_running = false;
                emit finished(generation);
            }
        });
        return m_generation;
    }
    pump();
    return m_generation;
}

void ThumbnailLoader::cancel()
{
    if (m_cancelled)
        m_cancelled->store(true);
    m_pool.clear(); // tasks not yet started are dropped
    m_running = false;
    m_waiting.clear();
    m_inFlight = 0;
}

void ThumbnailLoader::pump()
{
    // Results are delivered in order, so at most `window` of them may wait
    // behind a slow picture: memory stays bounded for any listing length.
    const int threads = m_pool.maxThreadCount();
    const int window = qMax(8, 4 * threads);
    while (m_running && m_inFlight < threads && m_nextToStart < m_paths.size()
           && m_nextToStart < m_nextToDeliver + window) {
        const int index = m_nextToStart++;
        const int generation = m_generation;
        const QString path = m_paths.at(index);
        const ThumbOptions options = m_options;
        const std::shared_ptr<std::atomic<bool>> cancelled = m_cancelled;
        ++m_inFlight;
        m_pool.start([this, index, generation, path, options, cancelled] {
            if (cancelled->load())
                return;
            ThumbResult result = makeThumbnail(path, options);
            result.index = index;
            result.generation = generation;
            if (cancelled->load())
                return;
            QMetaObject::invokeMethod(this, [this, result] { accept(result); }, Qt::QueuedConnection);
        });
    }
}

void ThumbnailLoader::accept(const ThumbResult &result)
{
    if (!m_running || result.generation != m_generation)
        return; // a result of a cancelled or replaced listing
    --m_inFlight;
    m_waiting.insert(result.index, result);
    const int generation = m_generation;
    while (m_waiting.contains(m_nextToDeliver)) {
        const ThumbResult next = m_waiting.take(m_nextToDeliver);
        ++m_nextToDeliver;
        emit thumbnailReady(next);
        if (generation != m_generation || !m_running)
            return; // a slot started another listing or cancelled this one
        emit progress(generation, m_nextToDeliver, int(m_paths.size()));
        if (generation != m_generation || !m_running)
            return;
    }
    if (m_nextToDeliver >= m_paths.size()) {
        m_running = false;
        emit finished(generation);
        return;
    }
    pump();
}

bool ThumbnailLoader::waitForFinished(int timeoutMs)
{
    if (!m_running)
        return true;
    QEventLoop loop;
    const auto done = connect(this, &ThumbnailLoader::finished, &loop, &QEventLoop::quit);
    QElapsedTimer elapsed;
    elapsed.start();
    // Also notices a cancel(), which emits nothing.
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!m_running || (timeoutMs >= 0 && elapsed.elapsed() >= timeoutMs))
            loop.quit();
    });
    poll.start(10);
    loop.exec();
    disconnect(done);
    return !m_running;
}

} // namespace orvane::thumbs
