// The asynchronous snapshot writer: order, last write wins, waiting for one
// file, failures reported, atomic files, no copy of the caller's picture.
#include "edit/undo/SnapshotWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using namespace orvane::undo;
using namespace std::chrono_literals;

namespace {

QImage solid(QColor c, int w = 32, int h = 16)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

// An encoder that writes through the real one, records the order of the
// writes, and holds the worker at the first write of a chosen file until
// released, so a queue can be built up behind it.
class GatedEncoder {
public:
    explicit GatedEncoder(QString holdAt = QString())
        : m_holdAt(std::move(holdAt))
    {
        m_release = m_gate.get_future().share();
    }

    SnapshotEncoder encoder()
    {
        return [this](const QImage &image, const QString &path, QString *error) {
            if (!m_held && (m_holdAt.isEmpty() || path.endsWith(m_holdAt))) {
                m_held = true;
                m_reached.set_value();
                m_release.wait();
            }
            {
                std::lock_guard lock(m_mutex);
                m_order.push_back(QFileInfo(path).fileName());
            }
            return writeSnapshotFile(image, path, error);
        };
    }
    void waitUntilHeld() { m_reached.get_future().wait(); }
    void release() { m_gate.set_value(); }
    std::vector<QString> order()
    {
        std::lock_guard lock(m_mutex);
        return m_order;
    }

private:
    QString m_holdAt;
    std::atomic<bool> m_held{false};
    std::promise<void> m_reached;
    std::promise<void> m_gate;
    std::shared_future<void> m_release;
    std::mutex m_mutex;
    std::vector<QString> m_order;
};

class SnapshotWriterTest : public ::testing::Test {
protected:
    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    QTemporaryDir dir;
};

TEST_F(SnapshotWriterTest, WritesInSubmissionOrderWithoutBlockingTheCaller)
{
    GatedEncoder gate;
    SnapshotWriter writer(gate.encoder());
    writer.enqueue(solid(Qt::red), path(QStringLiteral("s@1.png")));
    gate.waitUntilHeld();
    // The worker is stuck on the first write; these all return at once.
    for (int i = 2; i <= 5; ++i)
        writer.enqueue(solid(Qt::red), path(QStringLiteral("s@%1.png").arg(i)));
    EXPECT_EQ(writer.pendingCount(), 5);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("s@5.png"))));
    gate.release();
    EXPECT_TRUE(writer.waitAll());
    const std::vector<QString> expected = {"s@1.png", "s@2.png", "s@3.png", "s@4.png", "s@5.png"};
    EXPECT_EQ(gate.order(), expected);
    for (const QString &n : expected)
        EXPECT_TRUE(QFile::exists(path(n))) << n.toStdString();
    EXPECT_EQ(writer.pendingCount(), 0);
}

TEST_F(SnapshotWriterTest, LaterWriteOfTheSameFileWins)
{
    GatedEncoder gate;
    SnapshotWriter writer(gate.encoder());
    const QString p = path(QStringLiteral("photo@3.png"));
    writer.enqueue(solid(Qt::red), p);
    gate.waitUntilHeld();
    writer.enqueue(solid(Qt::green), p);
    writer.enqueue(solid(Qt::blue), p);
    gate.release();
    EXPECT_TRUE(writer.waitFor(p));
    EXPECT_FALSE(writer.isPending(p));
    EXPECT_EQ(gate.order().size(), 3u);
    EXPECT_EQ(QImage(p).pixelColor(0, 0), QColor(Qt::blue));
}

TEST_F(SnapshotWriterTest, WaitForWaitsForItsFileOnly)
{
    GatedEncoder gate(QStringLiteral("slow@2.png"));
    SnapshotWriter writer(gate.encoder());
    writer.enqueue(solid(Qt::red), path(QStringLiteral("fast@1.png")));
    writer.enqueue(solid(Qt::red), path(QStringLiteral("slow@2.png")));
    EXPECT_TRUE(writer.waitFor(path(QStringLiteral("fast@1.png"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("fast@1.png"))));
    gate.waitUntilHeld();
    EXPECT_TRUE(writer.isPending(path(QStringLiteral("slow@2.png"))));
    // A waiter behind the held write returns only once its file is there.
    writer.enqueue(solid(Qt::red), path(QStringLiteral("after@3.png")));
    auto released = std::async(std::launch::async, [&] {
        std::this_thread::sleep_for(50ms);
        gate.release();
    });
    EXPECT_TRUE(writer.waitFor(path(QStringLiteral("after@3.png"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("after@3.png"))));
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("slow@2.png"))));
    // The same file named differently is the same file.
    EXPECT_TRUE(writer.waitFor(dir.path() + QStringLiteral("/./sub/../slow@2.png")));
    EXPECT_TRUE(writer.waitFor(path(QStringLiteral("never-queued.png"))));
}

struct FailCase {
    const char *name;
    const char *relativePath; // below the test folder
};

class SnapshotWriterFailure : public SnapshotWriterTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(SnapshotWriterFailure, IsReportedBySignalCallbackWaitAndLastError)
{
    QFile blocker(path(QStringLiteral("plainfile")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SnapshotWriter writer;
    QSignalSpy failed(&writer, &SnapshotWriter::writeFailed);
    std::vector<QString> called;
    writer.setFailureCallback([&](const QString &p, const QString &) { called.push_back(p); });
    const QString target = path(QString::fromLatin1(GetParam().relativePath));
    writer.enqueue(solid(Qt::red), target);

    QString error;
    EXPECT_FALSE(writer.waitFor(target, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(writer.lastError(), error);
    ASSERT_TRUE(writer.lastFailure().has_value());
    EXPECT_EQ(writer.lastFailure()->path, target);
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), target);
    EXPECT_EQ(called, std::vector<QString>{target});
    EXPECT_FALSE(writer.waitAll());
    EXPECT_TRUE(writer.waitAll()); // reported once
    EXPECT_FALSE(QFile::exists(target));
}

INSTANTIATE_TEST_SUITE_P(Targets, SnapshotWriterFailure,
                         ::testing::Values(FailCase{"MissingFolder", "no-such-folder/photo@1.jpg"},
                                           FailCase{"FolderIsAFile", "plainfile/photo@1.png"},
                                           FailCase{"NoCodecForTheExtension", "photo@1.xyz"}),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(SnapshotWriterTest, LaterSuccessOfTheSameFileClearsItsFailure)
{
    SnapshotWriter writer;
    const QString target = path(QStringLiteral("later/a@1.png"));
    writer.enqueue(solid(Qt::red), target);
    EXPECT_FALSE(writer.waitFor(target));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("later")));
    writer.enqueue(solid(Qt::red), target);
    EXPECT_TRUE(writer.waitFor(target));
    EXPECT_FALSE(writer.lastError().isEmpty()); // the earlier failure stays the last one
}

TEST_F(SnapshotWriterTest, FailedWriteLeavesTheEarlierFileWholeAndNoTemporaries)
{
    SnapshotWriter writer;
    const QString p = path(QStringLiteral("b@4.png"));
    writer.enqueue(solid(Qt::blue), p);
    writer.enqueue(QImage(), p); // nothing to encode: fails
    QString error;
    EXPECT_FALSE(writer.waitFor(p, &error));
    EXPECT_EQ(QImage(p).pixelColor(0, 0), QColor(Qt::blue));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("b@4.png")});
}

struct FormatCase {
    const char *name;
    QByteArray signature;
};

class SnapshotFormat : public SnapshotWriterTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(SnapshotFormat, EncodedByTheExtension)
{
    SnapshotWriter writer;
    const QString p = path(QString::fromLatin1(GetParam().name));
    writer.enqueue(solid(Qt::darkCyan, 64, 48), p);
    ASSERT_TRUE(writer.waitFor(p)) << writer.lastError().toStdString();
    QFile f(p);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(8).startsWith(GetParam().signature)) << GetParam().name;
    EXPECT_EQ(QImage(p).size(), QSize(64, 48));
}

INSTANTIATE_TEST_SUITE_P(
    Extensions, SnapshotFormat,
    ::testing::Values(FormatCase{"photo@3.jpg", QByteArray("\xFF\xD8\xFF", 3)},
                      FormatCase{"photo@3.JPEG", QByteArray("\xFF\xD8\xFF", 3)},
                      FormatCase{"b@4.png", QByteArray("\x89PNG", 4)}, FormatCase{"c@1.bmp", QByteArray("BM")},
                      FormatCase{"d@2.tif", QByteArray("II*\0", 4)},
                      FormatCase{"scan@2", QByteArray("\x89PNG", 4)}), // no extension: PNG
    [](const auto &info) {
        QString n = QString::fromLatin1(info.param.name);
        n.replace(u'@', u'_').replace(u'.', u'_');
        return n.toStdString();
    });

TEST_F(SnapshotWriterTest, HoldsTheCallersPictureOnlyUntilItIsWritten)
{
    GatedEncoder gate;
    SnapshotWriter writer(gate.encoder());
    QImage picture = solid(Qt::red, 200, 100);
    writer.enqueue(picture, path(QStringLiteral("p@1.png")));
    gate.waitUntilHeld();
    EXPECT_FALSE(picture.isDetached()); // shared with the queue, not copied

    // The caller paints on: copy-on-write keeps the queued snapshot as it was.
    picture.fill(Qt::green);
    writer.enqueue(picture, path(QStringLiteral("p@2.png")));
    gate.release();
    EXPECT_TRUE(writer.waitAll());
    EXPECT_TRUE(picture.isDetached()); // the writer let go
    EXPECT_EQ(QImage(path(QStringLiteral("p@1.png"))).pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(QImage(path(QStringLiteral("p@2.png"))).pixelColor(0, 0), QColor(Qt::green));
}

TEST_F(SnapshotWriterTest, EnqueueWaitsOnlyWhenDistinctPicturesExceedTheMemoryLimit)
{
    GatedEncoder gate;
    SnapshotWriter writer(gate.encoder());
    const QImage a = solid(Qt::red, 100, 100);
    writer.setMemoryLimit(a.sizeInBytes() + 10);
    writer.enqueue(a, path(QStringLiteral("m@1.png")));
    gate.waitUntilHeld();
    writer.enqueue(a, path(QStringLiteral("m@2.png"))); // the same picture costs nothing more

    std::atomic<bool> returned{false};
    std::thread second([&] {
        writer.enqueue(solid(Qt::blue, 100, 100), path(QStringLiteral("m@3.png")));
        returned = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(returned.load());
    gate.release();
    second.join();
    EXPECT_TRUE(returned.load());
    EXPECT_TRUE(writer.waitAll());
    EXPECT_TRUE(QFile::exists(path(QStringLiteral("m@3.png"))));
}

TEST_F(SnapshotWriterTest, DestructionFinishesQueuedWrites)
{
    {
        SnapshotWriter writer;
        for (int i = 1; i <= 3; ++i)
            writer.enqueue(solid(Qt::red), path(QStringLiteral("d@%1.png").arg(i)));
    }
    for (int i = 1; i <= 3; ++i)
        EXPECT_TRUE(QFile::exists(path(QStringLiteral("d@%1.png").arg(i))));
}

TEST_F(SnapshotWriterTest, SuccessfulWritesAreSignalled)
{
    SnapshotWriter writer;
    QSignalSpy written(&writer, &SnapshotWriter::written);
    writer.enqueue(solid(Qt::red), path(QStringLiteral("w@1.png")));
    writer.waitAll();
    ASSERT_EQ(written.count(), 1);
    EXPECT_EQ(written.at(0).at(0).toString(), path(QStringLiteral("w@1.png")));
    EXPECT_TRUE(writer.lastError().isEmpty());
}

} // namespace
