#pragma once
// Window tests of the thumbnail view and the picture viewer: the program's
// windows in a temporary root folder, with the desktop's thumbnail cache in a
// temporary folder of its own so the user's cache is never touched.
#include "app/AppFixture.h"

#include "core/TOrvane1.h"
#include "core/widgets/ImageControl.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace orvane::testing {

class BrowseFixture : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        ASSERT_TRUE(m_cache.isValid());
        m_previousCache = qgetenv("XDG_CACHE_HOME");
        qputenv("XDG_CACHE_HOME", m_cache.path().toLocal8Bit());
    }
    void TearDown() override
    {
        AppFixture::TearDown();
        if (m_previousCache.isNull())
            qunsetenv("XDG_CACHE_HOME");
        else
            qputenv("XDG_CACHE_HOME", m_previousCache);
    }

    QString cacheRoot() const { return m_cache.path(); }

    // A folder under the root folder, made fresh; returns its native path.
    QString folder(const QString &name) const
    {
        QDir(root()).mkpath(name);
        return QDir::toNativeSeparators(rootFile(name));
    }
    static QString in(const QString &folder, const QString &name)
    {
        return QDir::toNativeSeparators(QDir(folder).filePath(name));
    }
    static QString writeText(const QString &path, const QByteArray &text = "not a picture\n")
    {
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(text);
        return path;
    }

    // Lists a folder and waits until its thumbnails are in.
    void list(const QString &folderPath)
    {
        Orvane1->SETFOLDER = folderPath;
        Orvane1->LoadThumbNails();
        ASSERT_TRUE(Orvane1->waitForThumbnails());
    }

    static QStringList listedTags()
    {
        QStringList tags;
        for (int i = 0; i < Orvane1->ListBox7->count(); ++i)
            tags << Orvane1->ListBox7->item(i)->data(Qt::UserRole).toString();
        return tags;
    }
    static QStringList listedNames()
    {
        QStringList names;
        for (const QString &tag : listedTags())
            names << tag.mid(tag.lastIndexOf(QDir::separator()) + 1);
        return names;
    }

private:
    QTemporaryDir m_cache;
    QByteArray m_previousCache;
};

// A photo-like picture: a sky-to-ground gradient with a sun and hills, in a
// colour scheme picked by seed.
inline QImage photoLike(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor sky = QColor::fromHsv((200 + seed * 37) % 360, 120, 230);
    const QColor ground = QColor::fromHsv((90 + seed * 53) % 360, 160, 120);
    QLinearGradient g(0, 0, 0, height);
    g.setColorAt(0, sky.lighter(130));
    g.setColorAt(0.6, sky);
    g.setColorAt(0.61, ground.lighter(120));
    g.setColorAt(1, ground.darker(150));
    p.fillRect(image.rect(), g);
    p.setPen(Qt::NoPen);
    // Clouds over the whole sky, so any part of a large picture has detail.
    QRandomGenerator random(quint32(seed) * 7919u + 1u);
    const int cloud = qMax(6, height / 14);
    for (int i = 0; i < 40; ++i) {
        p.setBrush(QColor(255, 255, 255, 90 + int(random.bounded(120))));
        const int cx = int(random.bounded(width)), cy = int(random.bounded(height * 55 / 100));
        p.drawEllipse(QPoint(cx, cy), cloud + int(random.bounded(cloud)), cloud / 2 + int(random.bounded(cloud / 2 + 1)));
    }
    p.setBrush(QColor(255, 230, 120));
    const int r = qMax(4, height / 8);
    p.drawEllipse(QPoint(width * (2 + seed % 5) / 8, height / 4), r, r);
    p.setBrush(ground.darker(120));
    QPolygon hills;
    hills << QPoint(0, height);
    for (int i = 0; i <= 8; ++i)
        hills << QPoint(width * i / 8, int(height * (0.55 + 0.1 * ((i * 7 + seed) % 3))));
    hills << QPoint(width, height);
    p.drawPolygon(hills);
    p.setBrush(QColor::fromHsv((seed * 71) % 360, 200, 200));
    p.drawRect(width / 2, height * 2 / 3, width / 6, height / 6);
    return image;
}

} // namespace orvane::testing
