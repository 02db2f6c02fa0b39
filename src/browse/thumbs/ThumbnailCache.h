#pragma once
// The desktop's shared thumbnail cache (freedesktop.org Thumbnail Managing
// Standard): $XDG_CACHE_HOME/thumbnails (default ~/.cache/thumbnails) with
// "normal" (128 px) and "large" (256 px) folders. An entry is a PNG named by
// the MD5 of the file's URI ("file:///abs/path"); its text chunks Thumb::URI
// and Thumb::MTime tie it to the file, and it is valid only while MTime equals
// the file's modification time. Failed pictures are remembered under
// fail/orvane/ so they are not decoded again until they change.
#include <QImage>
#include <QString>

namespace orvane::thumbs {

enum class CacheSize { Normal, Large };

class ThumbnailCache {
public:
    // root: the "thumbnails" folder; empty means the desktop's default.
    explicit ThumbnailCache(QString root = {});

    static QString defaultRoot();
    static int pixels(CacheSize size) { return size == CacheSize::Normal ? 128 : 256; }
    // The smallest cache size that covers a thumbnail box of side px.
    static CacheSize sizeForBox(int px) { return px <= 128 ? CacheSize::Normal : CacheSize::Large; }

    QString root() const { return m_root; }
    static QString fileUri(const QString &absolutePath);
    QString entryPath(const QString &file, CacheSize size) const;
    QString failEntryPath(const QString &file) const;

    // Files inside the cache itself are never cached (they would feed on themselves).
    bool isInsideCache(const QString &file) const;

    // The cached thumbnail, or a null image when missing, stale or unreadable.
    QImage lookup(const QString &file, CacheSize size) const;
    // True when a valid failure entry says the file could not be decoded.
    bool knownFailure(const QString &file) const;

    // Writes an entry atomically (temporary file, then rename), mode 0600 in
    // folders of mode 0700. Returns false when nothing was written.
    bool store(const QString &file, CacheSize size, const QImage &thumbnail, QSize originalSize = {}) const;
    bool storeFailure(const QString &file) const;

private:
    bool writeEntry(const QString &entry, const QString &file, QImage image, QSize originalSize) const;
    bool validFor(const QString &entry, const QString &file, QImage *image) const;
    QString m_root;
};

} // namespace orvane::thumbs
