#include "browse/thumbs/ThumbnailCache.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryFile>
#include <QUrl>

#include <cstdio>

namespace orvane::thumbs {
namespace {

constexpr QFileDevice::Permissions kOwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions kOwnerOnlyDir = kOwnerOnlyFile | QFileDevice::ExeOwner;
const char kSoftware[] = "Orvane 8";
const char kFailFolder[] = "fail/orvane";

// Creates the folder and the missing folders above it (up to root) with mode 0700.
bool makePrivatePath(const QString &root, const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString above = QFileInfo(root).path();
    if (!QFileInfo(above).isDir() && !QDir().mkpath(above))
        return false;
    QStringList missing;
    QString at = folder;
    while (!QFileInfo(at).exists() && at.startsWith(root)) {
        missing.prepend(at);
        at = QFileInfo(at).path();
    }
    for (const QString &dir : missing) {
        if (!QDir().mkdir(dir) && !QFileInfo(dir).isDir())
            return false;
        QFile::setPermissions(dir, kOwnerOnlyDir);
    }
    return QFileInfo(folder).isDir();
}

QString mtimeText(const QFileInfo &info)
{
    return QString::number(info.lastModified().toSecsSinceEpoch());
}

} // namespace

ThumbnailCache::ThumbnailCache(QString root) : m_root(root.isEmpty() ? defaultRoot() : QDir::cleanPath(root)) {}

QString ThumbnailCache::defaultRoot()
{
    QString base = qEnvironmentVariable("XDG_CACHE_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + "/.cache";
    return QDir::cleanPath(base + "/thumbnails");
}

QString ThumbnailCache::fileUri(const QString &absolutePath)
{
    return QString::fromLatin1(QUrl::fromLocalFile(QDir::cleanPath(absolutePath)).toEncoded(QUrl::FullyEncoded));
}

static QString md5Name(const QString &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri.toUtf8(), QCryptographicHash::Md5).toHex()) + ".png";
}

QString ThumbnailCache::entryPath(const QString &file, CacheSize size) const
{
    const QString folder = size == CacheSize::Normal ? "normal" : "large";
    return m_root + '/' + folder + '/' + md5Name(fileUri(QFileInfo(file).absoluteFilePath()));
}

QString ThumbnailCache::failEntryPath(const QString &file) const
{
    return m_root + '/' + kFailFolder + '/' + md5Name(fileUri(QFileInfo(file).absoluteFilePath()));
}

bool ThumbnailCache::isInsideCache(const QString &file) const
{
    const QString path = QDir::cleanPath(QFileInfo(file).absoluteFilePath());
    return path == m_root || path.startsWith(m_root + '/');
}

bool ThumbnailCache::validFor(const QString &entry, const QString &file, QImage *image) const
{
    const QFileInfo info(file);
    if (!info.isFile() || !QFileInfo(entry).isFile())
        return false;
    QImageReader reader(entry, "png");
    reader.setAutoDetectImageFormat(false);
    const QSize stored = reader.size();
    if (!stored.isValid() || stored.width() > 1024 || stored.height() > 1024)
        return false;
    // The text chunks are read from the decoded image: QImageReader::text()
    // splits keys at the first ":" and so cannot see "Thumb::URI".
    const QImage entryImage = reader.read();
    if (entryImage.isNull())
        return false;
    // The entry belongs to this file and to its present contents.
    if (entryImage.text("Thumb::URI") != fileUri(info.absoluteFilePath()))
        return false;
    if (entryImage.text("Thumb::MTime") != mtimeText(info))
        return false;
    const QString size = entryImage.text("Thumb::Size");
    if (!size.isEmpty() && size != QString::number(info.size()))
        return false;
    if (image)
        *image = entryImage;
    return true;
}

QImage ThumbnailCache::lookup(const QString &file, CacheSize size) const
{
    QImage image;
    if (isInsideCache(file) || !validFor(entryPath(file, size), file, &image))
        return {};
    if (image.width() > pixels(size) || image.height() > pixels(size))
        return {};
    return image;
}

bool ThumbnailCache::knownFailure(const QString &file) const
{
    return !isInsideCache(file) && validFor(failEntryPath(file), file, nullptr);
}

bool ThumbnailCache::writeEntry(const QString &entry, const QString &file, QImage image, QSize originalSize) const
{
    const QFileInfo info(file);
    if (isInsideCache(file) || !info.isFile())
        return false;
    if (!makePrivatePath(m_root, QFileInfo(entry).path()))
        return false;
    image.setText("Thumb::URI", fileUri(info.absoluteFilePath()));
    image.setText("Thumb::MTime", mtimeText(info));
    image.setText("Thumb::Size", QString::number(info.size()));
    if (originalSize.isValid()) {
        image.setText("Thumb::Image::Width", QString::number(originalSize.width()));
        image.setText("Thumb::Image::Height", QString::number(originalSize.height()));
    }
    image.setText("Software", kSoftware);
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image))
            return false;
    }
    // A temporary file in the entry's folder renamed over the entry: readers
    // see the old entry or the new one, never a part. Unlike QSaveFile this
    // does not wait for the disk (fsync): a lost cache entry is just made again.
    QTemporaryFile out(QFileInfo(entry).path() + "/.orvane-XXXXXX.png");
    if (!out.open())
        return false;
    // Private before any byte is written: thumbnails show what the pictures hold.
    out.setPermissions(kOwnerOnlyFile);
    if (out.write(bytes) != bytes.size() || !out.flush())
        return false;
    out.close();
    if (::rename(QFile::encodeName(out.fileName()).constData(), QFile::encodeName(entry).constData()) != 0)
        return false;
    out.setAutoRemove(false);
    return true;
}

bool ThumbnailCache::store(const QString &file, CacheSize size, const QImage &thumbnail, QSize originalSize) const
{
    if (thumbnail.isNull() || thumbnail.width() > pixels(size) || thumbnail.height() > pixels(size))
        return false;
    return writeEntry(entryPath(file, size), file, thumbnail, originalSize);
}

bool ThumbnailCache::storeFailure(const QString &file) const
{
    QImage dot(1, 1, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    return writeEntry(failEntryPath(file), file, dot, {});
}

} // namespace orvane::thumbs
