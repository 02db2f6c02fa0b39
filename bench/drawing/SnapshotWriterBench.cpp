// Undo snapshots of a 6000 x 4000 picture as JPEG. Reference: each write done
// synchronously on the calling thread. Measured: the time the caller is
// blocked per SnapshotWriter::enqueue, and the copy-on-write cost of the
// caller's next paint while its snapshot is still queued.
//   drawing_bench [writes=50]
#include "edit/undo/SnapshotWriter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using orvane::undo::SnapshotWriter;
using orvane::undo::writeSnapshotFile;

namespace {

struct Stats {
    double median = 0, max = 0, total = 0;
};

Stats stats(std::vector<double> v)
{
    Stats s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s.median = v[v.size() / 2];
    s.max = v.back();
    for (double x : v)
        s.total += x;
    return s;
}

double ms(const QElapsedTimer &t)
{
    return t.nsecsElapsed() / 1e6;
}

// A photo-like picture: smooth gradients with fine texture, so JPEG has work to do.
QImage makePicture()
{
    QImage img(6000, 4000, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const int n = (x * 7919 + y * 104729) & 31;
            line[x] = qRgb((x / 24 + n) & 255, (y / 16 + n) & 255, ((x + y) / 40) & 255);
        }
    }
    return img;
}

void paintStroke(QImage &img, int i)
{
    QPainter p(&img);
    p.setPen(QPen(Qt::red, 5));
    p.drawLine(100 + i * 10, 100, 3000, 2000 + i * 10);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int writes = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    QImage picture = makePicture();
    std::printf("snapshot writes: %d x %dx%d JPEG (%.0f MB picture)\n", writes, picture.width(), picture.height(),
                picture.sizeInBytes() / 1e6);

    // Reference: synchronous writes on the caller's thread.
    std::vector<double> sync;
    for (int i = 1; i <= writes; ++i) {
        QElapsedTimer t;
        t.start();
        QString error;
        if (!writeSnapshotFile(picture, dir.filePath(QStringLiteral("sync@%1.jpg").arg(i)), &error)) {
            std::fprintf(stderr, "write failed: %s\n", qPrintable(error));
            return 1;
        }
        sync.push_back(ms(t));
    }
    const Stats s = stats(sync);

    // Queued writes of the unchanged picture.
    std::vector<double> blocked;
    double drain = 0;
    {
        SnapshotWriter writer;
        QElapsedTimer all;
        all.start();
        for (int i = 1; i <= writes; ++i) {
            QElapsedTimer t;
            t.start();
            writer.enqueue(picture, dir.filePath(QStringLiteral("async@%1.jpg").arg(i)));
            blocked.push_back(ms(t));
        }
        if (!writer.waitAll()) {
            std::fprintf(stderr, "queued write failed: %s\n", qPrintable(writer.lastError()));
            return 1;
        }
        drain = ms(all);
    }
    const Stats b = stats(blocked);

    // Editing on while snapshots are queued: each stroke after an enqueue
    // pays the picture's copy-on-write; compare with strokes on an unshared picture.
    const int strokes = std::min(writes, 8);
    std::vector<double> cowPaint, plainPaint, cowEnqueue;
    {
        SnapshotWriter writer;
        for (int i = 0; i < strokes; ++i) {
            QElapsedTimer t;
            t.start();
            writer.enqueue(picture, dir.filePath(QStringLiteral("edit@%1.jpg").arg(i + 1)));
            cowEnqueue.push_back(ms(t));
            t.restart();
            paintStroke(picture, i);
            cowPaint.push_back(ms(t));
        }
        writer.waitAll();
    }
    for (int i = 0; i < strokes; ++i) {
        QElapsedTimer t;
        t.start();
        paintStroke(picture, i);
        plainPaint.push_back(ms(t));
    }
    const Stats cp = stats(cowPaint), pp = stats(plainPaint), ce = stats(cowEnqueue);

    std::printf("synchronous write       median %8.2f ms  max %8.2f ms  total %8.0f ms\n", s.median, s.max, s.total);
    std::printf("enqueue (caller blocked) median %8.3f ms  max %8.3f ms  drain %8.0f ms\n", b.median, b.max, drain);
    std::printf("ratio sync write / enqueue blocked (median): %.0fx\n", b.median > 0 ? s.median / b.median : 0.0);
    std::printf("with a stroke after each of %d enqueues: enqueue median %.3f ms, max %.3f ms\n", strokes, ce.median,
                ce.max);
    std::printf("stroke on a picture still queued (copy-on-write) median %7.2f ms  max %7.2f ms\n", cp.median, cp.max);
    std::printf("stroke on an unshared picture                    median %7.2f ms  max %7.2f ms\n", pp.median, pp.max);
    std::printf("target: enqueue blocked < 30 ms: %s\n", b.max < 30 && ce.max < 30 ? "met" : "NOT met");
    return 0;
}
