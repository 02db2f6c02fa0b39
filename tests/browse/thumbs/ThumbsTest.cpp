// Thumbnail loader: order, failures, cancellation, the desktop thumbnail
// cache (hits, stale entries, permissions) and embedded EXIF thumbnails.
// Every test points XDG_CACHE_HOME at its own temporary folder.
#include "browse/thumbs/ThumbnailLoader.h"

#include "edit/codec/Codec.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>

using namespace orvane;
using namespace orvane::thumbs;

namespace {

QImage picture(QSize size, QColor color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    QPainter p(&image);
    p.fillRect(0, 0, size.width() / 4, size.height() / 4, Qt::black); // marks the top-left corner
    return image;
}

// Owner, group and other permissions (without Qt's "current user" bits).
QFile::Permissions modeOf(const QString &path)
{
    const QFile::Permissions all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                   | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                                   | QFile::ExeOther;
    return QFile::permissions(path) & all;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

class ThumbsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pictures.isValid() && cacheHome.isValid());
        savedCacheHome = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
        ASSERT_EQ(ThumbnailCache::defaultRoot(), cacheHome.path() + "/thumbnails");
    }
    void TearDown() override
    {
        if (savedCacheHome.isNull())
            qunsetenv("XDG_CACHE_HOME");
        else
            qputenv("XDG_CACHE_HOME", savedCacheHome);
    }

    QString add(const QString &name, QSize size = {800, 600}, QColor color = Qt::red)
    {
        const QString path = pictures.filePath(name);
        EXPECT_TRUE(codec::encodeFile(picture(size, color), path));
        return path;
    }

    QList<ThumbResult> list(ThumbnailLoader &loader, const QStringList &paths)
    {
        QList<ThumbResult> results;
        const auto c = QObject::connect(&loader, &ThumbnailLoader::thumbnailReady,
                                        [&](const ThumbResult &r) { results << r; });
        loader.load(paths);
        EXPECT_TRUE(loader.waitForFinished(60000));
        QObject::disconnect(c);
        return results;
    }

    QTemporaryDir pictures;
    QTemporaryDir cacheHome;
    QByteArray savedCacheHome;
};

TEST_F(ThumbsTest, ResultsComeInListingOrderWithFailuresReported)
{
    QStringList paths;
    for (int i = 0; i < 12; ++i) {
        // Mixed sizes and formats so workers finish out of order.
        const QString ext = (i % 3 == 0) ? "png" : (i % 3 == 1 ? "jpg" : "jp2");
        paths << add(QStringLiteral("p%1.%2").arg(i).arg(ext), QSize(200 + 300 * (i % 4), 150 + 200 * (i % 4)));
    }
    const QString text = pictures.filePath("notes.jpg");
    ASSERT_TRUE(writeBytes(text, "not a picture"));
    paths.insert(5, text);
    paths.insert(9, pictures.filePath("vanished.png"));

    ThumbnailLoader loader;
    QSignalSpy progress(&loader, &ThumbnailLoader::progress);
    QSignalSpy finished(&loader, &ThumbnailLoader::finished);
    const QList<ThumbResult> results = list(loader, paths);
    ASSERT_EQ(results.size(), paths.size());
    for (int i = 0; i < results.size(); ++i) {
        SCOPED_TRACE(paths[i].toStdString());
        EXPECT_EQ(results[i].index, i);
        EXPECT_EQ(results[i].path, paths[i]);
        EXPECT_EQ(results[i].generation, loader.generation());
        if (i == 5 || i == 9) {
            EXPECT_FALSE(results[i].ok());
            EXPECT_EQ(results[i].source, Source::Failed);
            EXPECT_TRUE(results[i].image.isNull());
        } else {
            ASSERT_TRUE(results[i].ok()) << results[i].error.toStdString();
            EXPECT_LE(qMax(results[i].image.width(), results[i].image.height()), 128);
            EXPECT_EQ(qMax(results[i].image.width(), results[i].image.height()), 128);
        }
    }
    EXPECT_EQ(progress.size(), paths.size());
    EXPECT_EQ(progress.last().at(1).toInt(), paths.size());
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.first().at(0).toInt(), loader.generation());
    EXPECT_FALSE(loader.isRunning());
}

TEST_F(ThumbsTest, ThumbnailKeepsProportionsAndOrientation)
{
    const QString path = add("wide.png", {1000, 500}, Qt::blue);
    const ThumbResult r = makeThumbnail(path, {});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(r.image.size(), QSize(128, 64));
    EXPECT_EQ(r.originalSize, QSize(1000, 500));
    EXPECT_EQ(r.image.pixelColor(5, 5), QColor(Qt::black));
    EXPECT_EQ(r.image.pixelColor(100, 50), QColor(Qt::blue));
}

TEST_F(ThumbsTest, SecondListingComesFromTheCache)
{
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << add(QStringLiteral("c%1.jpg").arg(i), {1200, 900}, QColor(40 * i, 100, 200));
    ThumbnailLoader loader;
    const QList<ThumbResult> first = list(loader, paths);
    ASSERT_EQ(first.size(), paths.size());
    const ThumbnailCache cache;
    for (const ThumbResult &r : first) {
        EXPECT_EQ(r.source, Source::Decoded);
        const QString entry = cache.entryPath(r.path, CacheSize::Normal);
        ASSERT_TRUE(QFile::exists(entry)) << entry.toStdString();
        const QImage stored(entry);
        EXPECT_EQ(stored.text("Thumb::URI"), "file://" + r.path);
        EXPECT_EQ(stored.text("Thumb::MTime"), QString::number(QFileInfo(r.path).lastModified().toSecsSinceEpoch()));
        EXPECT_EQ(stored.size(), QSize(128, 96));
        EXPECT_EQ(modeOf(entry), QFile::ReadOwner | QFile::WriteOwner);
    }
    for (const QString &dir : {QStringLiteral("/thumbnails"), QStringLiteral("/thumbnails/normal")})
        EXPECT_EQ(modeOf(cacheHome.path() + dir), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // Only finished entries: no temporary files left behind.
    EXPECT_EQ(QDir(cacheHome.path() + "/thumbnails/normal").entryList(QDir::Files | QDir::Hidden).size(), paths.size());

    const QList<ThumbResult> second = list(loader, paths);
    ASSERT_EQ(second.size(), paths.size());
    for (int i = 0; i < second.size(); ++i) {
        EXPECT_EQ(second[i].source, Source::Cache);
        EXPECT_EQ(second[i].image.size(), first[i].image.size());
        EXPECT_EQ(second[i].image.pixelColor(100, 60), first[i].image.pixelColor(100, 60));
    }
}

TEST_F(ThumbsTest, StaleEntryIsIgnoredAndReplaced)
{
    const QString path = add("changing.jpg", {1200, 900}, Qt::red);
    ASSERT_EQ(makeThumbnail(path, {}).source, Source::Decoded);
    ASSERT_EQ(makeThumbnail(path, {}).source, Source::Cache);

    // The picture changes; its old thumbnail must not be shown.
    ASSERT_TRUE(codec::encodeFile(picture({1200, 900}, Qt::green), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    file.close();
    const ThumbResult fresh = makeThumbnail(path, {});
    EXPECT_EQ(fresh.source, Source::Decoded);
    const QColor c = fresh.image.pixelColor(100, 60);
    EXPECT_GT(c.green(), 200);
    EXPECT_LT(c.red(), 60);
    EXPECT_EQ(makeThumbnail(path, {}).source, Source::Cache);
}

TEST_F(ThumbsTest, EntryOfAnotherFileIsNotUsed)
{
    const QString a = add("a.jpg", {1200, 900}, Qt::red);
    const QString b = add("b.jpg", {1200, 900}, Qt::blue);
    ASSERT_EQ(makeThumbnail(a, {}).source, Source::Decoded);
    const ThumbnailCache cache;
    // An entry under b's name that carries a's URI (a damaged or foreign cache).
    QFile::remove(cache.entryPath(b, CacheSize::Normal));
    ASSERT_TRUE(QFile::copy(cache.entryPath(a, CacheSize::Normal), cache.entryPath(b, CacheSize::Normal)));
    const ThumbResult r = makeThumbnail(b, {});
    EXPECT_EQ(r.source, Source::Decoded);
    EXPECT_GT(r.image.pixelColor(100, 60).blue(), 200);
}

TEST_F(ThumbsTest, UndecodableFilesAreRememberedUntilTheyChange)
{
    const QString path = pictures.filePath("broken.png");
    ASSERT_TRUE(writeBytes(path, "\x89PNG\r\n\x1A\n garbage"));
    EXPECT_EQ(makeThumbnail(path, {}).source, Source::Failed);
    const ThumbnailCache cache;
    EXPECT_TRUE(cache.knownFailure(path));
    EXPECT_EQ(makeThumbnail(path, {}).source, Source::Failed);

    ASSERT_TRUE(codec::encodeFile(picture({400, 300}, Qt::red), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-7200), QFileDevice::FileModificationTime));
    file.close();
    EXPECT_FALSE(cache.knownFailure(path));
    EXPECT_EQ(makeThumbnail(path, {}).source, Source::Decoded);
}

TEST_F(ThumbsTest, FilesInsideTheCacheAreNotCached)
{
    const ThumbnailCache cache;
    QDir().mkpath(cache.root() + "/normal");
    const QString inside = cache.root() + "/normal/picture.png";
    ASSERT_TRUE(codec::encodeFile(picture({600, 400}, Qt::red), inside));
    const ThumbResult r = makeThumbnail(inside, {});
    EXPECT_EQ(r.source, Source::Decoded);
    EXPECT_FALSE(QFile::exists(cache.entryPath(inside, CacheSize::Normal)));
    EXPECT_EQ(QDir(cache.root() + "/normal").entryList(QDir::Files), QStringList{"picture.png"});
}

TEST_F(ThumbsTest, CacheCanBeSwitchedOffAndLargeSizeIsUsedForBigBoxes)
{
    const QString path = add("big.jpg", {2000, 1000});
    ThumbOptions off;
    off.useCache = false;
    EXPECT_EQ(makeThumbnail(path, off).source, Source::Decoded);
    EXPECT_FALSE(QDir(cacheHome.path() + "/thumbnails").exists());

    ThumbOptions large;
    large.box = 200;
    const ThumbResult r = makeThumbnail(path, large);
    EXPECT_EQ(r.image.size(), QSize(200, 100));
    const ThumbnailCache cache;
    QImageReader entry(cache.entryPath(path, CacheSize::Large));
    EXPECT_EQ(entry.size(), QSize(256, 128));
    EXPECT_EQ(makeThumbnail(path, large).source, Source::Cache);
    EXPECT_EQ(makeThumbnail(path, large).image.size(), QSize(200, 100));
}

TEST(ThumbsBox, NormalSizeUnlessTheScreenNeedsMorePixels)
{
    EXPECT_EQ(boxForDisplay(85, 1.0), 128);
    EXPECT_EQ(boxForDisplay(85, 1.5), 128);
    EXPECT_EQ(boxForDisplay(85, 2.0), 256);
    EXPECT_EQ(boxForDisplay(85, 0.5), 128);
}

TEST(ThumbsUri, UriIsPercentEncodedFileUrl)
{
    EXPECT_EQ(ThumbnailCache::fileUri("/home/u/My Photos/été.jpg"), "file:///home/u/My%20Photos/%C3%A9t%C3%A9.jpg");
    // The standard's own example name: md5 of the URI plus ".png".
    ThumbnailCache cache("/tmp/cache-root");
    EXPECT_EQ(QFileInfo(cache.entryPath("/home/jens/photos/me.png", CacheSize::Normal)).fileName(),
              "c6ee772d9e49320e97ec29a7eb5b1697.png");
}

// ---------------------------------------------------------------------------
// Embedded EXIF thumbnails.

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray jpegBytes(const QImage &image)
{
    QByteArray bytes;
    QBuffer b(&bytes);
    b.open(QIODevice::WriteOnly);
    image.save(&b, "JPEG");
    return bytes;
}

// A camera-like JPEG: main picture plus an IFD1 thumbnail in its EXIF block.
QByteArray cameraJpeg(const QImage &main, const QImage &thumb, quint16 orientation = 1)
{
    const QByteArray mainJpeg = jpegBytes(main), thumbJpeg = jpegBytes(thumb);
    auto entry = [](quint16 tag, quint16 type, quint32 value) {
        return le16(tag) + le16(type) + le32(1) + (type == 3 ? le16(quint16(value)) + le16(0) : le32(value));
    };
    QByteArray tiff = QByteArray("II*\0", 4) + le32(8);
    tiff += le16(1) + entry(0x0112, 3, orientation) + le32(26);
    const quint32 thumbAt = 26 + 2 + 3 * 12 + 4;
    tiff += le16(3) + entry(0x0103, 3, 6) + entry(0x0201, 4, thumbAt) + entry(0x0202, 4, quint32(thumbJpeg.size()))
            + le32(0) + thumbJpeg;
    const QByteArray app1 = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray length(2, '\0');
    qToBigEndian<quint16>(quint16(app1.size() + 2), length.data());
    return mainJpeg.left(2) + QByteArray("\xFF\xE1", 2) + length + app1 + mainJpeg.mid(2);
}

TEST_F(ThumbsTest, LargeEnoughExifThumbnailIsUsed)
{
    const QString path = pictures.filePath("camera.jpg");
    ASSERT_TRUE(writeBytes(path, cameraJpeg(picture({1600, 1200}, Qt::red), picture({160, 120}, Qt::green))));
    const ThumbResult r = makeThumbnail(path, {});
    EXPECT_EQ(r.source, Source::Exif);
    EXPECT_EQ(r.image.size(), QSize(128, 96));
    EXPECT_EQ(r.originalSize, QSize(1600, 1200));
    EXPECT_GT(r.image.pixelColor(100, 60).green(), 200); // the embedded picture, not the main one
}

TEST_F(ThumbsTest, ExifThumbnailFollowsTheOrientation)
{
    const QString path = pictures.filePath("turned.jpg");
    ASSERT_TRUE(writeBytes(path, cameraJpeg(picture({1600, 1200}, Qt::red), picture({160, 120}, Qt::green), 6)));
    const ThumbResult r = makeThumbnail(path, {});
    EXPECT_EQ(r.source, Source::Exif);
    ASSERT_EQ(r.image.size(), QSize(96, 128));
    // Turned 90 degrees clockwise: the marked corner moves to the top right.
    EXPECT_LT(r.image.pixelColor(90, 5).green(), 60);
    EXPECT_GT(r.image.pixelColor(5, 5).green(), 200);
}

TEST_F(ThumbsTest, SmallOrMisshapenExifThumbnailIsNotUsed)
{
    const std::pair<const char *, QSize> cases[] = {{"too small", {80, 60}}, {"other proportions", {160, 160}}};
    for (const auto &[name, thumbSize] : cases) {
        SCOPED_TRACE(name);
        const QString path = pictures.filePath(QStringLiteral("camera-%1.jpg").arg(thumbSize.width()));
        ASSERT_TRUE(writeBytes(path, cameraJpeg(picture({1600, 1200}, Qt::red), picture(thumbSize, Qt::green))));
        const ThumbResult r = makeThumbnail(path, {});
        EXPECT_EQ(r.source, Source::Decoded);
        EXPECT_GT(r.image.pixelColor(100, 60).red(), 200);
    }
}

// ---------------------------------------------------------------------------
// Cancellation.

TEST_F(ThumbsTest, NewListingCancelsTheOldOne)
{
    QStringList slow;
    for (int i = 0; i < 24; ++i)
        slow << add(QStringLiteral("slow%1.png").arg(i), {1500, 1000});
    const QStringList quick = {add("quick0.png", {300, 200}), add("quick1.png", {300, 200})};

    ThumbOptions options;
    options.useCache = false;
    ThumbnailLoader loader;
    loader.setOptions(options);
    QList<ThumbResult> results;
    QList<int> finishedGenerations;
    QObject::connect(&loader, &ThumbnailLoader::thumbnailReady, [&](const ThumbResult &r) { results << r; });
    QObject::connect(&loader, &ThumbnailLoader::finished, [&](int g) { finishedGenerations << g; });

    const int first = loader.load(slow);
    // Let the first listing deliver a little, then replace it.
    while (results.isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const int firstCount = int(results.size());
    const int second = loader.load(quick);
    EXPECT_GT(second, first);
    ASSERT_TRUE(loader.waitForFinished(60000));
    // Stragglers of the first listing arrive after this point and must be dropped.
    QTest::qWait(300);

    int ofSecond = 0;
    for (int i = 0; i < results.size(); ++i) {
        if (i < firstCount) {
            EXPECT_EQ(results[i].generation, first);
        } else {
            EXPECT_EQ(results[i].generation, second);
            EXPECT_EQ(results[i].index, ofSecond);
            ++ofSecond;
        }
    }
    EXPECT_EQ(ofSecond, quick.size());
    EXPECT_LT(firstCount, slow.size());
    EXPECT_EQ(finishedGenerations, QList<int>{second});
}

TEST_F(ThumbsTest, CancelStopsAllSignals)
{
    QStringList paths;
    for (int i = 0; i < 16; ++i)
        paths << add(QStringLiteral("x%1.png").arg(i), {1200, 900});
    ThumbnailLoader loader;
    QSignalSpy ready(&loader, &ThumbnailLoader::thumbnailReady);
    QSignalSpy finished(&loader, &ThumbnailLoader::finished);
    loader.load(paths);
    loader.cancel();
    EXPECT_FALSE(loader.isRunning());
    EXPECT_TRUE(loader.waitForFinished(1000));
    QTest::qWait(500);
    EXPECT_EQ(ready.size(), 0);
    EXPECT_EQ(finished.size(), 0);
}

TEST_F(ThumbsTest, EmptyListingFinishesAtOnce)
{
    ThumbnailLoader loader;
    QSignalSpy finished(&loader, &ThumbnailLoader::finished);
    const int g = loader.load({});
    EXPECT_TRUE(loader.waitForFinished(5000));
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.first().at(0).toInt(), g);
}

TEST_F(ThumbsTest, DestroyingTheLoaderMidListingIsSafe)
{
    QStringList paths;
    for (int i = 0; i < 10; ++i)
        paths << add(QStringLiteral("d%1.png").arg(i), {1000, 800});
    for (int round = 0; round < 3; ++round) {
        auto loader = std::make_unique<ThumbnailLoader>();
        loader->load(paths);
        QTest::qWait(20 * round);
        loader.reset();
        QCoreApplication::processEvents();
    }
    SUCCEED();
}

} // namespace
